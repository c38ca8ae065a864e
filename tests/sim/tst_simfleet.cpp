// veltsim serving many addresses in one process: each its own controller with its own flash
// and its own faults, each answering from its own address.
#include "sim/FleetOptions.h"
#include "sim/SimFleet.h"
#include "sim/VirtualController.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QTest>
#include <QUdpSocket>

#include <csignal>

namespace {
constexpr quint16 kPort = 32993;

QStringList split(const QString &line)
{
    // The quoted group stands for one argument, as a shell passes it.
    QStringList args{QStringLiteral("veltsim")};
    const QStringList quoted = line.split(QLatin1Char('\''));
    for (int i = 0; i < quoted.size(); ++i) {
        if (i % 2 == 1)
            args << quoted[i];
        else
            args << quoted[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return args;
}
} // namespace

class TestSimFleet : public QObject
{
    Q_OBJECT
private slots:
    void commandLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("addresses");
        QTest::addColumn<double>("dropAtThird");
        QTest::addColumn<QString>("error");
        QTest::newRow("one address")
            << QStringLiteral("--udp 127.0.0.2:11990") << 1 << 0.0 << QString();
        QTest::newRow("range and one more")
            << QStringLiteral("--udp 127.0.0.10-127.0.0.12:11990 --udp 127.0.0.20:11991") << 4
            << 0.0 << QString();
        QTest::newRow("own faults")
            << QStringLiteral("--drop 0.1 --udp 127.0.0.10-127.0.0.12:1 --faults-for 127.0.0.12 "
                              "'--drop 0.5 --seed 3'")
            << 3 << 0.5 << QString();
        QTest::newRow("backwards range") << QStringLiteral("--udp 127.0.0.12-127.0.0.10:11990") << 0
                                         << 0.0 << QStringLiteral("bad --udp");
        QTest::newRow("no port") << QStringLiteral("--udp 127.0.0.10") << 0 << 0.0
                                 << QStringLiteral("bad --udp");
        QTest::newRow("faults for nobody")
            << QStringLiteral("--udp 127.0.0.10:1 --faults-for 127.0.0.11 '--drop 1'") << 1 << 0.0
            << QStringLiteral("no --udp at that address");
        QTest::newRow("bad fault switch")
            << QStringLiteral("--udp 127.0.0.10:1 --faults-for 127.0.0.10 '--drip 1'") << 1 << 0.0
            << QStringLiteral("unknown switch --drip");
    }
    void commandLine()
    {
        QFETCH(QString, line);
        QFETCH(int, addresses);
        QFETCH(double, dropAtThird);
        QFETCH(QString, error);
        const QStringList args = split(line);
        FleetOptions options;
        FaultOptions common;
        QString problem;
        for (int i = 1; i < args.size() && problem.isEmpty(); ++i) {
            if (const auto taken = options.parse(args, i))
                problem = *taken;
            else if (const auto faultError = parseFaultOption(common, args, i))
                problem = *faultError;
        }
        if (problem.isEmpty())
            problem = options.check(common).value_or(QString());
        QCOMPARE(problem.isEmpty(), error.isEmpty());
        if (!error.isEmpty()) {
            QVERIFY2(problem.contains(error), qPrintable(problem));
            return;
        }
        QCOMPARE(options.addresses.size(), addresses);
        if (addresses >= 3) {
            QCOMPARE(options.faultsAt(options.addresses[2], common).dropShare,
                     dropAtThird > 0 ? dropAtThird : common.dropShare);
            QCOMPARE(options.faultsAt(options.addresses[0], common).dropShare, common.dropShare);
        }
    }

    void eachAddressIsAControllerOfItsOwn()
    {
        QProcess sim;
        sim.start(QStringLiteral(VELTSIM_PATH),
                  {QStringLiteral("--udp"), QStringLiteral("127.0.0.101-127.0.0.102:%1").arg(kPort),
                   QStringLiteral("--udp"), QStringLiteral("127.0.0.104:%1").arg(kPort),
                   QStringLiteral("--faults-for"), QStringLiteral("127.0.0.104"),
                   QStringLiteral("--drop 1")});
        QByteArray printed;
        QVERIFY(QTest::qWaitFor(
            [&] {
                printed += sim.readAllStandardOutput();
                return printed.count("udp ") == 3;
            },
            10000));
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, kPort, QUdpSocket::ShareAddress));
        const auto ask = [&](const QString &to, const QByteArray &command) -> QByteArray {
            // Another process answers: a loaded machine may be slow to, so it is asked again.
            for (int attempt = 0; attempt < 3; ++attempt) {
                client.writeDatagram(command, QHostAddress(to), kPort);
                QElapsedTimer clock;
                clock.start();
                while (clock.elapsed() < 1000 && client.waitForReadyRead(200)) {
                    const QNetworkDatagram answer = client.receiveDatagram();
                    // Each answers from its own address.
                    if (answer.senderAddress() == QHostAddress(to))
                        return answer.data();
                }
            }
            return {};
        };
        QCOMPARE(ask(QStringLiteral("127.0.0.101"), "proj_flashwr 0000 2 ABCD"),
                 QByteArray("SUCCESS:\n"));
        QCOMPARE(ask(QStringLiteral("127.0.0.101"), "proj_flashrd 0000 2"),
                 QByteArray("SUCCESS:ABCD\n"));
        // Its neighbour's flash is its own, still erased.
        QCOMPARE(ask(QStringLiteral("127.0.0.102"), "proj_flashrd 0000 2"),
                 QByteArray("SUCCESS:FFFF\n"));
        QCOMPARE(ask(QStringLiteral("127.0.0.104"), "proj_flashrd 0000 2"), QByteArray());
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }

    void ownAddressesAreNeverAnswered()
    {
        // A datagram from one controller's address to another would start an answer loop
        // between them, one from its own address a loop with itself.
        SimFleet fleet;
        QVERIFY(fleet.add({QHostAddress(QStringLiteral("127.0.0.113")), kPort + 1}, {}));
        QVERIFY(fleet.add({QHostAddress(QStringLiteral("127.0.0.114")), kPort + 1}, {}));
        for (const char *from : {"127.0.0.113", "127.0.0.114"}) {
            QUdpSocket forger;
            QVERIFY(forger.bind(QHostAddress(QString::fromLatin1(from)), 0));
            forger.writeDatagram("get ver", QHostAddress(QStringLiteral("127.0.0.113")), kPort + 1);
            QTest::qWait(200);
        }
        QCOMPARE(fleet.controller(0).received().size(), 0);
        QCOMPARE(fleet.controller(1).received().size(), 0);
        // Anyone else is answered.
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, kPort + 1, QUdpSocket::ShareAddress));
        client.writeDatagram("get ver", QHostAddress(QStringLiteral("127.0.0.113")), kPort + 1);
        QTRY_COMPARE(fleet.controller(0).received().size(), 1);
    }

    void programEndsOnASignalDuringAFlood_data()
    {
        QTest::addColumn<bool>("interrupt");
        QTest::newRow("SIGTERM") << false;
        QTest::newRow("SIGINT") << true;
    }
    void programEndsOnASignalDuringAFlood()
    {
        QFETCH(bool, interrupt);
        QProcess sim;
        sim.start(QStringLiteral(VELTSIM_PATH),
                  {QStringLiteral("--udp"), QStringLiteral("127.0.0.115:%1").arg(kPort + 2)});
        QVERIFY(
            QTest::qWaitFor([&] { return sim.readAllStandardOutput().contains("udp "); }, 10000));
        // One datagram from its own address, then a steady flood from elsewhere.
        QUdpSocket self;
        QVERIFY(self.bind(QHostAddress(QStringLiteral("127.0.0.115")), 0));
        self.writeDatagram("get ver", QHostAddress(QStringLiteral("127.0.0.115")), kPort + 2);
        QUdpSocket flooder;
        for (int n = 0; n < 20000; ++n)
            flooder.writeDatagram("get info", QHostAddress(QStringLiteral("127.0.0.115")),
                                  kPort + 2);
        QTest::qWait(200);
        if (interrupt)
            ::kill(pid_t(sim.processId()), SIGINT);
        else
            sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    }
};

QTEST_GUILESS_MAIN(TestSimFleet)
#include "tst_simfleet.moc"
