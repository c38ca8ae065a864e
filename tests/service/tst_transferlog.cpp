#include "link/ControllerLink.h"
#include "link/ProjectTransfer.h"
#include "model/RingModel.h"
#include "service/TransferPage.h"
#include "support/FakeTransport.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

// The transfer tab lays its logs out once a frame: every line still reaches its log, in order,
// and the end of a transfer shows the last ones at once.
class TestTransferLog : public QObject
{
    Q_OBJECT

private slots:
    void everyLineInOrder_data()
    {
        QTest::addColumn<bool>("packets"); // the packet log, else the status log
        QTest::addColumn<int>("framed");   // lines shown by a frame before the last ones
        QTest::addColumn<int>("last");     // lines the end of the transfer shows
        QTest::addColumn<bool>("cleared"); // a new transfer cleared the status log between
        QTest::newRow("a few lines") << false << 3 << 4 << false;
        QTest::newRow("status log cleared between") << false << 10 << 5 << true;
        QTest::newRow("past the bound in one go") << true << 0 << 6001 << false;
        QTest::newRow("past the bound across frames") << true << 4990 << 30 << false;
        QTest::newRow("status log past its bound") << false << 1999 << 2 << false;
    }
    void everyLineInOrder()
    {
        QFETCH(bool, packets);
        QFETCH(int, framed);
        QFETCH(int, last);
        QFETCH(bool, cleared);
        FakeTransport serial;
        FakeTransport udp;
        ControllerLink link(serial, udp);
        RingModel model;
        ProjectTransfer transfer(link, model);
        TransferPage page(transfer);
        auto *view =
            page.findChild<QPlainTextEdit *>(QLatin1String(packets ? "MemoPackets" : "MemoStatus"));
        QVERIFY(view);
        auto *bar = page.findChild<QProgressBar *>();
        QVERIFY(bar);
        page.show();

        // Blank and padded lines are lines too.
        const auto line = [](int n) {
            return n % 7 == 3 ? QString() : QStringLiteral(" Пакет №=%1 ").arg(n);
        };
        const auto log = [&](int n) {
            if (packets)
                emit transfer.packetLogged(line(n));
            else
                emit transfer.statusLogged(line(n));
        };
        QStringList expected;
        for (int n = 0; n < framed; ++n) {
            log(n);
            expected << line(n);
        }
        if (framed > 0)
            QTRY_COMPARE(view->toPlainText(), expected.join(QLatin1Char('\n')));
        if (cleared) {
            emit transfer.statusCleared();
            expected.clear();
        }
        const QString before = view->toPlainText();
        for (int n = framed; n < framed + last; ++n) {
            log(n);
            expected << line(n);
        }
        emit transfer.progressChanged(42);
        // Nothing is laid out line by line.
        QCOMPARE(view->toPlainText(), before);
        emit transfer.busyChanged();
        const qsizetype bound = view->maximumBlockCount();
        QCOMPARE(bound, packets ? 5000 : 2000);
        if (expected.size() > bound)
            expected.remove(0, expected.size() - bound);
        QCOMPARE(view->toPlainText(), expected.join(QLatin1Char('\n')));
        QCOMPARE(view->blockCount(), expected.size());
        QCOMPARE(bar->value(), 42);
    }
};

QTEST_MAIN(TestTransferLog)
#include "tst_transferlog.moc"
