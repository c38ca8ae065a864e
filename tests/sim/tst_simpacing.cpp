// The virtual controller's serial side paced at a baud rate, so a transfer can be set against
// the wire time of its bytes.
#include "PtyClient.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"
#include "sim/SocketPoll.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr quint16 kPort = 30991;
const QHostAddress kSim(QStringLiteral("127.0.0.5"));

double wireMs(qsizetype bytes, int baud)
{
    return bytes * 10.0 * 1000.0 / baud;
}

QString ms(qint64 elapsed)
{
    return QString::number(elapsed);
}
} // namespace

class TestSimPacing : public QObject
{
    Q_OBJECT
private slots:
    void wireTime_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("baud");
        QTest::addColumn<qint64>("ns");
        QTest::newRow("1152 at 115200") << qint64(1152) << 115200 << qint64(100'000'000);
        QTest::newRow("one at 9600") << qint64(1) << 9600 << qint64(1'041'666);
        QTest::newRow("a block at 9600") << qint64(1033) << 9600 << qint64(1'076'041'666);
        QTest::newRow("unpaced") << qint64(1152) << 0 << qint64(0);
    }
    void wireTime()
    {
        QFETCH(qint64, bytes);
        QFETCH(int, baud);
        QFETCH(qint64, ns);
        QCOMPARE(WireSchedule::wireNs(bytes, baud), ns);
    }

    void scheduleKeepsOrderAndRunsWhatIsDueAtOnce()
    {
        WireSchedule schedule;
        QList<int> ran;
        const qint64 now = WireSchedule::now();
        schedule.at(now + 30'000'000, [&] { ran.append(3); });
        schedule.at(now + 10'000'000, [&] { ran.append(1); });
        schedule.at(now + 10'000'000, [&] { ran.append(2); });
        // Due, but behind earlier ones that still wait: it must not overtake them.
        schedule.at(now + 30'000'000, [&] { ran.append(4); });
        QVERIFY(ran.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(ran, (QList<int>{1, 2, 3, 4}), 2000);
        QVERIFY(WireSchedule::now() - now >= 30'000'000);
        schedule.at(WireSchedule::now(), [&] { ran.append(5); });
        QCOMPARE(ran.last(), 5); // nothing waits: no turn of the event loop needed
    }

    // The thread's one timer and one epoll set go with their last user, even when that user
    // goes inside their own handler; the next user gets new ones that work.
    void lastUserMayGoInsideTheSharedHandler_data()
    {
        QTest::addColumn<bool>("socket");
        QTest::newRow("schedule") << false;
        QTest::newRow("socket watch") << true;
    }
    void lastUserMayGoInsideTheSharedHandler()
    {
        QFETCH(bool, socket);
        int fds[2] = {-1, -1};
        QVERIFY(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0, fds) == 0);
        for (int round = 0; round < 2; ++round) {
            bool ran = false;
            if (socket) {
                std::unique_ptr<SocketPoll::Watch> watch;
                watch = SocketPoll::watch(fds[0], [&] {
                    char byte = 0;
                    [[maybe_unused]] const auto n = ::read(fds[0], &byte, 1);
                    ran = true;
                    watch.reset();
                });
                QVERIFY(watch);
                QCOMPARE(::write(fds[1], "x", 1), 1);
                QTRY_VERIFY_WITH_TIMEOUT(ran, 2000);
                QVERIFY(!watch);
            } else {
                auto *schedule = new WireSchedule;
                schedule->at(WireSchedule::now() + 1'000'000, [&] {
                    ran = true;
                    delete schedule;
                });
                QTRY_VERIFY_WITH_TIMEOUT(ran, 2000);
            }
            QTest::qWait(10);
        }
        ::close(fds[0]);
        ::close(fds[1]);
    }

    void serialAnswerTakesItsWireTime_data()
    {
        QTest::addColumn<int>("baud");
        QTest::newRow("115200") << 115200;
        QTest::newRow("unpaced") << 0;
    }
    void serialAnswerTakesItsWireTime()
    {
        QFETCH(int, baud);
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint sim(controller, plan);
        sim.setBaud(baud);
        QVERIFY(sim.open());
        PtyClient client(sim.devicePath());
        const QByteArray command = "proj_flashrd 0 512\n";
        QElapsedTimer clock;
        clock.start();
        QVERIFY(client.send(command));
        int reads = 0;
        const QByteArray answer = client.readLines(1, 3000, &reads);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(answer.size(), 8 + 1024 + 1);
        if (baud == 0) {
            QVERIFY2(elapsed < 30, qPrintable(ms(elapsed)));
            return;
        }
        const double wire = wireMs(command.size() + answer.size(), baud); // about 91 ms
        QVERIFY2(elapsed >= wire - 1 && elapsed < wire + 110, qPrintable(ms(elapsed)));
        QVERIFY2(reads > 5, qPrintable(QString::number(reads))); // the bytes trickle in
    }

    void serialCommandIsTakenOnceItsBytesAreIn()
    {
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint sim(controller, plan);
        sim.setBaud(115200);
        QVERIFY(sim.open());
        QSignalSpy handled(&sim, &SimEndpoint::commandHandled);
        PtyClient client(sim.devicePath());
        const QByteArray command = "proj_flashwr 0 512 " + QByteArray(1024, 'A') + '\n';
        QElapsedTimer clock;
        clock.start();
        QVERIFY(client.send(command));
        QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 3000);
        const qint64 taken = clock.elapsed();
        const double wire = wireMs(command.size(), 115200); // about 91 ms
        QVERIFY2(taken >= wire - 1 && taken < wire + 110, qPrintable(ms(taken)));
        QCOMPARE(client.readLines(1, 2000), QByteArray("SUCCESS:\n"));
        QCOMPARE(controller.projectFlash()[511], 0xAA);
    }

    void answersQueueOnTheLine()
    {
        // Two commands in one write: the second answer waits for the first to be out, as on
        // one serial line, instead of overlapping it.
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint sim(controller, plan);
        sim.setBaud(9600);
        QVERIFY(sim.open());
        PtyClient client(sim.devicePath());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(client.send("test 1\ntest 1\n"));
        const QByteArray answers = client.readLines(2, 3000);
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(answers, QByteArray("SUCCESS:test ok\nSUCCESS:test ok\n"));
        // The first command is in after 7 bytes, then 32 answer bytes follow back to back.
        const double wire = wireMs(7 + 32, 9600); // about 41 ms
        QVERIFY2(elapsed >= wire - 1 && elapsed < wire + 110, qPrintable(ms(elapsed)));
    }

    void udpAnswersArePacedOnlyWhenAsked_data()
    {
        QTest::addColumn<int>("baud");
        QTest::newRow("115200") << 115200;
        QTest::newRow("unpaced") << 0;
    }
    void udpAnswersArePacedOnlyWhenAsked()
    {
        QFETCH(int, baud);
        VirtualController controller;
        FaultPlan plan;
        SimUdpEndpoint sim(controller, plan);
        sim.setBaud(baud);
        QVERIFY(sim.listen(kSim, kPort));
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, kPort, QUdpSocket::ShareAddress));
        QElapsedTimer clock;
        clock.start();
        client.writeDatagram("progs_flashrd 0 512", kSim, kPort);
        QVERIFY(QTest::qWaitFor([&] { return client.hasPendingDatagrams(); }, 3000));
        const qint64 elapsed = clock.elapsed();
        const QByteArray answer = client.receiveDatagram().data();
        QCOMPARE(answer.size(), 1033); // one datagram, whole
        const double wire = wireMs(answer.size(), qMax(baud, 1));
        if (baud == 0)
            QVERIFY2(elapsed < 30, qPrintable(ms(elapsed)));
        else
            QVERIFY2(elapsed >= wire - 1 && elapsed < wire + 110, qPrintable(ms(elapsed)));
    }
};

QTEST_GUILESS_MAIN(TestSimPacing)
#include "tst_simpacing.moc"
