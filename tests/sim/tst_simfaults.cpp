// The wire faults that shape the virtual controller's answers.
#include "PtyClient.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace {
constexpr quint16 kPort = 29991;
const QHostAddress kSim(QStringLiteral("127.0.0.4"));
const QByteArray kRead = "SUCCESS:0123456789ABCDEF\n";

bool isHex(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// The virtual controller answers in this thread: waiting must run the event loop.
bool waitDatagram(QUdpSocket &socket, int timeoutMs = 2000)
{
    return QTest::qWaitFor([&] { return socket.hasPendingDatagrams(); }, timeoutMs);
}

FaultPlan planWith(double FaultOptions::*share, double value, quint32 seed = 1)
{
    FaultOptions options;
    options.*share = value;
    options.seed = seed;
    return FaultPlan(options);
}
} // namespace

class TestSimFaults : public QObject
{
    Q_OBJECT
private slots:
    void corruptHexChangesOneDigitOfTheReadPayload()
    {
        FaultPlan plan = planWith(&FaultOptions::corruptHexShare, 1.0);
        QSet<qsizetype> places;
        for (int i = 0; i < 300; ++i) {
            const QList<QByteArray> pieces = plan.shape(kRead, FaultPlan::Answer::FlashRead);
            QCOMPARE(pieces.size(), 1);
            const QByteArray &got = pieces[0];
            QCOMPARE(got.size(), kRead.size());
            QVERIFY(got.startsWith("SUCCESS:") && got.endsWith('\n'));
            QVERIFY(isHex(got.mid(8).chopped(1)));
            qsizetype changed = 0;
            for (qsizetype at = 0; at < got.size(); ++at) {
                if (got[at] != kRead[at]) {
                    ++changed;
                    places.insert(at);
                }
            }
            QCOMPARE(changed, 1);
        }
        QCOMPARE(places.size(), 16); // any digit of the payload, never the marker
    }

    void corruptionAndLengthLeaveOtherAnswersAlone_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("kind");
        QTest::newRow("write answer") << QByteArray("SUCCESS:\n") << int(FaultPlan::Answer::Plain);
        QTest::newRow("version") << QByteArray("SUCCESS:1.2.0\n") << int(FaultPlan::Answer::Plain);
        QTest::newRow("read refused")
            << QByteArray("ERROR: address out of range\n") << int(FaultPlan::Answer::FlashRead);
    }
    void corruptionAndLengthLeaveOtherAnswersAlone()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, kind);
        FaultOptions options;
        options.corruptHexShare = 1.0;
        options.wrongLengthShare = 1.0;
        FaultPlan plan(options);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(plan.shape(answer, FaultPlan::Answer(kind)), QList<QByteArray>{answer});
    }

    void wrongLengthIsOneByteEitherWay()
    {
        FaultPlan plan = planWith(&FaultOptions::wrongLengthShare, 1.0);
        int shorter = 0;
        int longer = 0;
        for (int i = 0; i < 200; ++i) {
            const QByteArray got = plan.shape(kRead, FaultPlan::Answer::FlashRead).value(0);
            QVERIFY(got.startsWith("SUCCESS:") && got.endsWith('\n'));
            const QByteArray payload = got.mid(8).chopped(1);
            QVERIFY(isHex(payload));
            const qsizetype change = got.size() - kRead.size();
            QVERIFY(change == 2 || change == -2);
            // The bytes that are there are the real ones.
            QVERIFY(kRead.startsWith(got.chopped(1)) || got.startsWith(kRead.chopped(1)));
            (change < 0 ? shorter : longer)++;
        }
        QVERIFY(shorter > 50 && longer > 50);
        // Nothing to take from an empty payload: it gains a byte.
        QCOMPARE(plan.shape("SUCCESS:\n", FaultPlan::Answer::FlashRead).value(0).size(), 11);
    }

    void sharesHoldAndRepeatWithTheSeed_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("corrupt") << 0;
        QTest::newRow("length") << 1;
    }
    void sharesHoldAndRepeatWithTheSeed()
    {
        QFETCH(int, which);
        const auto share =
            which == 0 ? &FaultOptions::corruptHexShare : &FaultOptions::wrongLengthShare;
        FaultPlan a = planWith(share, 0.3, 11);
        FaultPlan b = planWith(share, 0.3, 11);
        int shaped = 0;
        for (int i = 0; i < 1000; ++i) {
            const auto got = a.shape(kRead, FaultPlan::Answer::FlashRead);
            QCOMPARE(got, b.shape(kRead, FaultPlan::Answer::FlashRead));
            shaped += got.value(0) != kRead;
        }
        QVERIFY2(shaped > 220 && shaped < 380, qPrintable(QString::number(shaped)));
    }

    void duplicateComesTensOfMillisecondsLate()
    {
        FaultPlan always = planWith(&FaultOptions::duplicateShare, 1.0);
        FaultPlan never;
        QSet<int> delays;
        for (int i = 0; i < 200; ++i) {
            const auto delay = always.duplicateDelayMs();
            QVERIFY(delay && *delay >= 30 && *delay <= 80);
            delays.insert(*delay);
            QVERIFY(!never.duplicateDelayMs());
        }
        QVERIFY(delays.size() > 10);
    }

    void newSwitches_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("good");
        QTest::newRow("corrupt") << QStringList{"--corrupt-hex", "0.5"} << true;
        QTest::newRow("corrupt over one") << QStringList{"--corrupt-hex", "1.5"} << false;
        QTest::newRow("length") << QStringList{"--wrong-length", "1"} << true;
        QTest::newRow("length missing") << QStringList{"--wrong-length"} << false;
        QTest::newRow("duplicate") << QStringList{"--duplicate", "0"} << true;
        QTest::newRow("duplicate negative") << QStringList{"--duplicate", "-0.1"} << false;
        QTest::newRow("hang-up") << QStringList{"--hangup-after", "12"} << true;
        QTest::newRow("hang-up at once") << QStringList{"--hangup-after", "0"} << false;
        QTest::newRow("hang-up not a number") << QStringList{"--hangup-after", "x"} << false;
    }
    void newSwitches()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, good);
        FaultOptions options;
        int i = 0;
        QCOMPARE(!parseFaultOption(options, args, i).has_value(), good);
        if (good) {
            QCOMPARE(i, args.size() - 1);
            QCOMPARE(options.corruptHexShare + options.wrongLengthShare + options.duplicateShare +
                         options.hangupAfter,
                     args[1].toDouble());
        }
    }

    void onlyReadCommandsGetTheirAnswersCorrupted()
    {
        VirtualController controller;
        FaultPlan plan = planWith(&FaultOptions::corruptHexShare, 1.0);
        SimUdpEndpoint sim(controller, plan);
        QVERIFY(sim.listen(kSim, kPort));
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, kPort, QUdpSocket::ShareAddress));
        auto exchange = [&](const QByteArray &command) {
            client.writeDatagram(command, kSim, kPort);
            return waitDatagram(client) ? client.receiveDatagram().data() : QByteArray();
        };
        QCOMPARE(exchange("get ver"), QByteArray("SUCCESS:1.2.0\n"));
        QCOMPARE(exchange("get state 1"), controller.handle("get state 1"));
        QCOMPARE(exchange("proj_flashwr 0 2 1234"), QByteArray("SUCCESS:\n"));
        const QByteArray read = exchange("proj_flashrd 0 2");
        QCOMPARE(read.size(), 13);
        QVERIFY(read != "SUCCESS:1234\n");
        QCOMPARE(controller.handle("proj_flashrd 0 2"), QByteArray("SUCCESS:1234\n"));
    }

    void duplicateIsASecondDatagramLater()
    {
        VirtualController controller;
        FaultPlan plan = planWith(&FaultOptions::duplicateShare, 1.0);
        SimUdpEndpoint sim(controller, plan);
        QVERIFY(sim.listen(kSim, kPort + 1));
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, kPort + 1, QUdpSocket::ShareAddress));
        QElapsedTimer clock;
        client.writeDatagram("test 1", kSim, kPort + 1);
        QVERIFY(waitDatagram(client));
        clock.start();
        QCOMPARE(client.receiveDatagram().data(), QByteArray("SUCCESS:test ok\n"));
        QVERIFY(!client.hasPendingDatagrams());
        QTRY_VERIFY_WITH_TIMEOUT(client.hasPendingDatagrams(), 2000);
        QVERIFY2(clock.elapsed() >= 25, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(client.receiveDatagram().data(), QByteArray("SUCCESS:test ok\n"));
        QTest::qWait(150);
        QVERIFY(!client.hasPendingDatagrams()); // one copy only
    }

    void duplicateOnTheSerialSideIsASeparateWrite()
    {
        VirtualController controller;
        // Erased flash blinks yellow: a clock that stands still keeps two reads alike.
        controller.clock() =
            ControllerClock([] { return QDateTime(QDate(2026, 12, 7), QTime(12, 0)); });
        FaultPlan plan = planWith(&FaultOptions::duplicateShare, 1.0);
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        PtyClient client(sim.devicePath());
        QVERIFY(client.send("get lines\n"));
        const QByteArray once = client.readLines(1, 2000);
        QCOMPARE(once, controller.handle("get lines"));
        QCOMPARE(client.readLines(1, 2000), once);
    }

    void hangUpAfterKCommands_data()
    {
        QTest::addColumn<int>("k");
        QTest::newRow("1") << 1;
        QTest::newRow("3") << 3;
    }
    void hangUpAfterKCommands()
    {
        QFETCH(int, k);
        VirtualController controller;
        FaultOptions options;
        options.hangupAfter = k;
        FaultPlan plan(options);
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("COM7"));
        QVERIFY(sim.makeLink(link));
        QSignalSpy hangUps(&sim, &SimPtyEndpoint::hungUp);
        PtyClient client(sim.devicePath());
        QVERIFY(client.isOpen());
        for (int i = 0; i < k; ++i) {
            QVERIFY(client.send("test 1\n"));
            QCOMPARE(client.readLines(1, 2000), QByteArray("SUCCESS:test ok\n"));
        }
        QCOMPARE(sim.commandsReceived(), k);
        QVERIFY(sim.isOpen());
        QCOMPARE(hangUps.size(), 0);
        QVERIFY(client.send("test 1\n"));
        QCOMPARE(client.readLines(1, 2000), QByteArray());
        QVERIFY(client.hungUp());
        QCOMPARE(hangUps.size(), 1);
        QVERIFY(!sim.isOpen());
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_simfaults.moc"
