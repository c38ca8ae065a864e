// The controller window's service tabs end to end: test mode, journal, clock and information
// against the virtual controller.
#define VELT_RIG_PORT 23995
#define VELT_RIG_HOST 9
#include "ControllerRig.h"
#include "service/ConsoleWindow.h"
#include "service/JournalColumns.h"
#include "sim/Journal.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {
QString status(const Rig &rig)
{
    return rig.window->statusText();
}

// Runs in a scratch working folder, where "jor.txt" and "COM7" go.
struct InTemporaryFolder
{
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    InTemporaryFolder() { QDir::setCurrent(dir.path()); }
    ~InTemporaryFolder() { QDir::setCurrent(previous); }
};
} // namespace

class TestServiceWindow : public QObject
{
    Q_OBJECT
private slots:
    void journalClockAndInfo_data()
    {
        QTest::addColumn<Wire>("wire");
        QTest::newRow("udp") << Wire::Udp;
        QTest::newRow("serial") << Wire::Pty;
    }
    void journalColumns_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("columns"); // empty: not split
        QTest::newRow("stamped") << "31.12.2026 23:59:58 Включение питания"
                                 << QStringList{"31.12.2026", "23:59:58", "Включение питания"};
        QTest::newRow("stamp alone")
            << "01.01.2027 00:00:00" << QStringList{"01.01.2027", "00:00:00", ""};
        QTest::newRow("no stamp") << "+++NO events" << QStringList{};
        QTest::newRow("short year") << "01.01.27 00:00:00 x" << QStringList{};
        QTest::newRow("no blank") << "01.01.2027 00:00:00x" << QStringList{};
    }
    void journalColumns()
    {
        QFETCH(QString, record);
        QFETCH(QStringList, columns);
        const auto split = splitJournalRecord(record);
        QCOMPARE(split.has_value(), !columns.isEmpty());
        if (split)
            QCOMPARE((QStringList{split->date, split->time, split->event}), columns);
    }

    void journalClockAndInfo()
    {
        QFETCH(Wire, wire);
        InTemporaryFolder folder;
        Rig rig(wire);
        QVERIFY(rig.ready);
        rig.controller.journal() = Journal(45);
        rig.open();

        child<QPushButton>(rig.window, "Button11")->click();
        QTRY_COMPARE_WITH_TIMEOUT(
            status(rig), QStringLiteral("Журнал прочитан! Всего записей прочитано: 45"), 10000);
        QCOMPARE(rig.count("event get"), 46);
        const auto *grid = child<QTableView>(rig.window, "StringGridJournal");
        // The record's date, time and event in their own columns.
        const QAbstractItemModel *rows = grid->model();
        const QString last =
            QStringList{rows->index(44, 1).data().toString(), rows->index(44, 2).data().toString(),
                        rows->index(44, 3).data().toString()}
                .join(QLatin1Char(' '));
        QCOMPARE(last.trimmed(), ControllerLink::decode(Journal::record(44)).trimmed());
        QCOMPARE(rows->index(44, 2).data().toString().size(), 8);
        QCOMPARE(grid->model()->index(44, 0).data().toInt(), 45);

        // One record a line, whichever link the journal came over.
        child<QPushButton>(rig.window, "Button15")->click();
        QFile exported(QStringLiteral("jor.txt"));
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QByteArray text = exported.readAll();
        QCOMPARE(text.count("\r\n"), 45);
        QCOMPARE(text.count('\n'), 45);
        QVERIFY(text.endsWith(Journal::record(44).trimmed() + "\r\n"));

        // The clock set from the picker, read back.
        auto *picker = child<QDateTimeEdit>(rig.window, "DateTimePicker1");
        picker->setDateTime(QDateTime(QDate(2027, 3, 1), QTime(9, 5, 3)));
        trigger(rig.main, "N22");
        auto *console = child<QPlainTextEdit>(rig.main.findChild<TForm12 *>(), "Memo1");
        child<QPushButton>(rig.window, "Button16")->click();
        QTRY_COMPARE(status(rig), QStringLiteral("Время установлено!!!"));
        QCOMPARE(rig.count("set ds1390_time 01.03.2027-09:05:03"), 1);
        // The command is echoed in the command console.
        QTRY_VERIFY(
            console->toPlainText().contains(QStringLiteral("set ds1390_time 01.03.2027-09:05:03")));
        child<QPushButton>(rig.window, "Button9")->click();
        auto *time = child<QLineEdit>(rig.window, "EditTime");
        QTRY_VERIFY(time->text().startsWith(QStringLiteral("01.03.2027-09:0")));

        child<QPushButton>(rig.window, "Button17")->click();
        auto *info = child<QPlainTextEdit>(rig.window, "MemoInfo");
        QTRY_COMPARE(info->toPlainText(), QStringLiteral("VELT virtual controller\nfirmware "
                                                         "1.2.0\nrings 4\nflash ok"));
        QCOMPARE(status(rig), QStringLiteral("OK. "));
    }

    void longJournalLeavesTheWindowAnswering()
    {
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        const int records = 100000;
        rig.controller.journal() = Journal(records);
        rig.window->journal().setBatchInterval(0);
        rig.open();
        auto *pages = child<QTabWidget>(rig.window, "PageControl1");
        // Input arrives all along: a tab click every 25 ms, and how late each one is handled.
        qint64 worst = 0;
        int clicks = 0;
        QElapsedTimer since;
        QTimer input;
        input.setInterval(25);
        connect(&input, &QTimer::timeout, this, [&] {
            worst = std::max(worst, since.restart() - 25);
            pages->setCurrentIndex(++clicks % pages->count());
        });
        QElapsedTimer clock;
        clock.start();
        child<QPushButton>(rig.window, "Button11")->click();
        since.start();
        input.start();
        QTRY_VERIFY_WITH_TIMEOUT(status(rig).startsWith(QStringLiteral("Журнал прочитан!")),
                                 100000);
        input.stop();
        QCOMPARE(status(rig),
                 QStringLiteral("Журнал прочитан! Всего записей прочитано: %1").arg(records));
        QCOMPARE(rig.window->journal().rows(), records);
        QVERIFY2(clicks >= clock.elapsed() / 25 / 3,
                 qPrintable(QStringLiteral("%1 clicks in %2 ms").arg(clicks).arg(clock.elapsed())));
        // Measured against the read itself, which a busy machine slows alike: a stall of the
        // window holds an input for a large part of the read, an answering window for none.
        QVERIFY2(
            worst < clock.elapsed() / 20,
            qPrintable(
                QStringLiteral("an input waited %1 ms of %2").arg(worst).arg(clock.elapsed())));
    }

    void leavingTestModeIsOffered_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::newRow("window closed") << false;
        QTest::newRow("program quits") << true;
    }
    void leavingTestModeIsOffered()
    {
        QFETCH(bool, quit);
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        rig.main.show();
        rig.open();
        auto *on = child<QToolButton>(rig.window, "SpeedButton2");
        auto *off = child<QToolButton>(rig.window, "SpeedButton5");
        auto *field = child<QLineEdit>(rig.window, "EditTestStatus");
        QVERIFY(off->isChecked() && !on->isChecked());
        on->click();
        QTRY_COMPARE(field->text(), QStringLiteral("ТЕСТ режим"));
        QVERIFY(on->isChecked() && !off->isChecked());

        rig.prompts.answers = {QMessageBox::Yes};
        if (quit)
            rig.main.close();
        else
            rig.window->hide();
        QCOMPARE(messages(rig.prompts),
                 QStringList{QStringLiteral(
                     "Тестовый режим|Контроллер в режиме ТЕСТ. Выключить тестовый режим?")});
        QTRY_VERIFY(rig.heard.contains("set test off"));
        QTRY_COMPARE(field->text(), QStringLiteral("НЕТ"));
        QVERIFY(off->isChecked() && !on->isChecked());
        if (quit)
            QTRY_VERIFY(!rig.main.isVisible());
        // Asked once only.
        QCOMPARE(rig.prompts.asked.size(), std::size_t(1));
    }

    void pickerSwitchesHalvesKeepingTheValue()
    {
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        auto *picker = child<QDateTimeEdit>(rig.window, "DateTimePicker1");
        const QDateTime value(QDate(2026, 12, 7), QTime(0, 30, 5));
        picker->setDateTime(value);
        QCOMPARE(picker->displayFormat(), QStringLiteral("HH:mm:ss"));
        auto *swap = child<QPushButton>(rig.window, "Button19");
        swap->click();
        QCOMPARE(picker->displayFormat(), QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(picker->dateTime(), value);
        swap->click();
        QCOMPARE(picker->displayFormat(), QStringLiteral("HH:mm:ss"));
        QCOMPARE(picker->dateTime(), value);
    }

    void flashEraseAfterYes()
    {
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        QVERIFY(rig.controller.handle("proj_flashwr 0000 1 00").startsWith("SUCCESS:"));
        rig.open();
        rig.prompts.answers = {QMessageBox::Yes};
        child<QPushButton>(rig.window, "Button18")->click();
        QTRY_COMPARE(status(rig), QStringLiteral("Очистка - ОК!"));
        QCOMPARE(rig.controller.projectFlash().front(), VirtualController::Erased);
        QCOMPARE(messages(rig.prompts),
                 QStringList{QStringLiteral(
                     "Стирание|Полное стирание микросхемы FLASH памяти!!! Продолжить?")});
    }
};

QTEST_MAIN(TestServiceWindow)
#include "tst_servicewindow.moc"
