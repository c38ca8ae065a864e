// The exchange over the real transports against the virtual controller: UDP on loopback
// addresses and a pseudo-terminal.
#include "link/ControllerLink.h"
#include "link/SerialTransport.h"
#include "link/UdpTransport.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"
#include "support/HeldPort.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <qcoro/qcorotask.h>

namespace {
constexpr quint16 kPort = 24991;
const QHostAddress kSim(QStringLiteral("127.0.0.2"));
// One try of the long wait (tries above 100); a wait ended early ends well inside it.
constexpr qint64 kLongWaitMs = qint64(ControllerLink::LongRounds) * ControllerLink::RoundMs;
} // namespace

class TestLinkWire : public QObject
{
    Q_OBJECT
private slots:
    void udpAgainstTheVirtualController()
    {
        VirtualController controller;
        FaultPlan plan;
        SimUdpEndpoint sim(controller, plan);
        QVERIFY(sim.listen(kSim, kPort));

        SerialTransport serial;
        UdpTransport udp;
        udp.setLocalPort(kPort);
        udp.setPeer(kSim, kPort);
        QVERIFY(udp.open());
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Ethernet);
        QSignalSpy echoes(&link, &ControllerLink::echo);

        QVERIFY(QCoro::waitFor(link.SendCommand(QStringLiteral("test 1"))).ok());
        QVERIFY(QCoro::waitFor(link.SendCommand(QStringLiteral("proj_flashwr 0 2 A1B2"))).ok());
        const Reply reply = QCoro::waitFor(link.SendCommand(QStringLiteral("proj_flashrd 0 2")));
        QVERIFY(reply.ok());
        QCOMPARE(reply.AnswerText(), QStringLiteral("A1B2\n"));
        QVERIFY(echoes.size() >= 3);
        const Reply refused = QCoro::waitFor(link.SendCommand(QStringLiteral("nonsense")));
        QVERIFY(!refused.ok());
        QVERIFY(refused.AnswerText().startsWith(QStringLiteral("ERROR")));
    }

    void udpPortLetGoIsTakenAtTheNextCommand()
    {
        // Another program held the port when the window set it; once it lets go, the next
        // command listens before it sends.
        constexpr quint16 port = kPort + 4;
        VirtualController controller;
        FaultPlan plan;
        SimUdpEndpoint sim(controller, plan);
        QVERIFY(sim.listen(kSim, port));
        HeldPort other(port);
        QVERIFY(other.held());
        SerialTransport serial;
        UdpTransport udp;
        udp.setLocalPort(port);
        udp.setPeer(kSim, port);
        QVERIFY(!udp.open());
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Ethernet);
        QSignalSpy deaf(&link, &ControllerLink::udpNotListening);
        for (int poll = 0; poll < 2; ++poll)
            QCOMPARE(QCoro::waitFor(link.SendCommand(QStringLiteral("test 1"))).status,
                     Reply::Status::NoAnswer);
        QCOMPARE(deaf.size(), 1);
        QVERIFY2(deaf.at(0).at(0).toString().contains(QStringLiteral("занят")),
                 qPrintable(deaf.at(0).at(0).toString()));
        other.release();
        link.setUdpWaitRounds(ControllerLink::LongRounds);
        QVERIFY(QCoro::waitFor(link.SendCommand(QStringLiteral("test 1"))).ok());
        QCOMPARE(deaf.size(), 1);
    }

    void udpSplitAnswerIsNotRecognised()
    {
        // On UDP an answer is one datagram: one cut in pieces carries the marker in its first
        // piece only, which is then the whole payload.
        VirtualController controller;
        FaultOptions options;
        options.chunkSize = 10;
        FaultPlan plan(options);
        SimUdpEndpoint sim(controller, plan);
        QVERIFY(sim.listen(kSim, kPort + 1));
        SerialTransport serial;
        UdpTransport udp;
        udp.setLocalPort(kPort + 1);
        udp.setPeer(kSim, kPort + 1);
        QVERIFY(udp.open());
        ControllerLink link(serial, udp);
        const Reply reply = QCoro::waitFor(link.SendCommand(QStringLiteral("get ver")));
        QVERIFY(reply.ok());
        QCOMPARE(reply.AnswerText(), QStringLiteral("1."));
    }

    void serialAgainstTheVirtualController()
    {
        VirtualController controller;
        FaultOptions options;
        options.chunkSize = 5; // several reads per answer
        FaultPlan plan(options);
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        QTemporaryDir dir;
        const QString linkPath = dir.filePath(QStringLiteral("COM3"));
        QVERIFY(sim.makeLink(linkPath));

        SerialTransport serial;
        UdpTransport udp;
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Serial);
        QVERIFY(link.OpenLink(linkPath));
        QVERIFY(QCoro::waitFor(link.SendCommand(QStringLiteral("test 1"))).ok());
        QVERIFY(QCoro::waitFor(link.SendCommand(QStringLiteral("progs_flashwr 10 1 7f"))).ok());
        const Reply reply = QCoro::waitFor(link.SendCommand(QStringLiteral("progs_flashrd 10 1")));
        QVERIFY(reply.ok());
        QCOMPARE(reply.AnswerText(), QStringLiteral("7F"));
        QCOMPARE(controller.received().last(), QByteArray("progs_flashrd 10 1"));
        link.closeSerial();
    }

    void serialNameResolvesToALinkInTheWorkingFolder()
    {
        VirtualController controller;
        FaultPlan plan;
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QVERIFY(sim.makeLink(QStringLiteral("./COM3")));
        SerialTransport serial;
        UdpTransport udp;
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Serial);
        link.setConfiguredPort(QStringLiteral("COM3"));
        const bool opened = link.OpenLink();
        QDir::setCurrent(previous);
        QVERIFY(opened);
        QVERIFY(QCoro::waitFor(link.SendCommand(QStringLiteral("get info"))).ok());
        link.closeSerial();
    }

    void deadSerialLinkTimesOut()
    {
        VirtualController controller;
        FaultOptions options;
        options.noLineEnd = true;
        FaultPlan plan(options);
        SimPtyEndpoint sim(controller, plan);
        QVERIFY(sim.open());
        SerialTransport serial;
        UdpTransport udp;
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Serial);
        QVERIFY(link.OpenLink(sim.devicePath()));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!QCoro::waitFor(link.SendCommand(QStringLiteral("test 1"))).ok());
        QVERIFY(clock.elapsed() >= 590);
        link.closeSerial();
    }

    void pulledAdapterFailsTheCommandOnce()
    {
        VirtualController controller;
        FaultOptions options;
        options.delayMs = 8000; // the answer never comes: the device goes first
        FaultPlan plan(options);
        auto *sim = new SimPtyEndpoint(controller, plan);
        QVERIFY(sim->open());
        connect(sim, &SimEndpoint::commandHandled, sim, &QObject::deleteLater);
        SerialTransport serial;
        UdpTransport udp;
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Serial);
        QVERIFY(link.OpenLink(sim->devicePath()));
        QSignalSpy failures(&serial, &Transport::failed);
        QSignalSpy echoes(&link, &ControllerLink::echo);
        QElapsedTimer clock;
        clock.start();
        // Under the long wait (5 s): the hang-up ends it long before.
        QVERIFY(!QCoro::waitFor(link.SendCommandRetry(QStringLiteral("test 1"), 101)).ok());
        QVERIFY2(clock.elapsed() < kLongWaitMs / 2, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!serial.isOpen());
        QTest::qWait(200);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(echoes.size(), 0);
    }

    void missingPortCannotBeOpened()
    {
        SerialTransport serial;
        UdpTransport udp;
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Serial);
        QSignalSpy failures(&link, &ControllerLink::openFailed);
        QVERIFY(!link.OpenLink(QStringLiteral("COM200")));
        QCOMPARE(failures.size(), 1);
    }

    void answersComeOnlyFromTheControllersAddress()
    {
        // A stranger on the port keeps sending positive answers; the controller is silent at
        // first, then answers from a port of its own choosing.
        constexpr quint16 port = kPort + 3;
        SerialTransport serial;
        UdpTransport udp;
        udp.setLocalPort(port);
        udp.setPeer(kSim, port);
        QVERIFY(udp.open());
        ControllerLink link(serial, udp);
        QSignalSpy echoes(&link, &ControllerLink::echo);
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress(QStringLiteral("127.0.0.7")), 0));
        // What the link sends reaches the controller's address and goes no further.
        QUdpSocket sink;
        QVERIFY(sink.bind(kSim, port, QUdpSocket::ShareAddress));
        QUdpSocket controller;
        QVERIFY(controller.bind(kSim, 0));
        bool controllerSpeaks = false;
        QTimer talk;
        talk.setInterval(5);
        connect(&talk, &QTimer::timeout, this, [&] {
            stranger.writeDatagram("SUCCESS:forged\n", QHostAddress::LocalHost, port);
            if (controllerSpeaks)
                controller.writeDatagram("SUCCESS:real\n", QHostAddress::LocalHost, port);
        });
        talk.start();

        const Reply silent = QCoro::waitFor(link.SendCommand(QStringLiteral("get ver")));
        QCOMPARE(silent.status, Reply::Status::NoAnswer);
        QVERIFY(udp.strangers() > 0);
        const QString shown = QStringLiteral("чужой пакет от 127.0.0.7:%1: SUCCESS:forged\n")
                                  .arg(stranger.localPort());
        QVERIFY(!echoes.isEmpty());
        for (const auto &echo : echoes)
            QCOMPARE(echo.at(0).toString(), shown);

        controllerSpeaks = true;
        const Reply heard = QCoro::waitFor(link.SendCommand(QStringLiteral("get ver")));
        QVERIFY(heard.ok());
        QCOMPARE(heard.AnswerText(), QStringLiteral("real\n"));
    }

    void theStandAloneProgram()
    {
        QTemporaryDir dir;
        QProcess sim;
        sim.setWorkingDirectory(dir.path());
        sim.start(QStringLiteral(VELTSIM_PATH),
                  {QStringLiteral("--udp"), QStringLiteral("127.0.0.3:%1").arg(kPort + 2),
                   QStringLiteral("--link"), QStringLiteral("./COM5"),
                   QStringLiteral("--old-firmware")});
        QVERIFY(sim.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(sim.readAllStandardOutput().contains("link") ||
                                     QFile::exists(dir.filePath(QStringLiteral("COM5"))),
                                 10000);
        {
            SerialTransport serial;
            UdpTransport udp;
            udp.setLocalPort(kPort + 2);
            udp.setPeer(QHostAddress(QStringLiteral("127.0.0.3")), kPort + 2);
            QVERIFY(udp.open());
            ControllerLink link(serial, udp);
            // Another process answers: a loaded machine may let one short wait run out.
            QVERIFY(QCoro::waitFor(link.SendCommandRetry(QStringLiteral("pflashwr 0x1000 0 00"), 5))
                        .ok());
            QVERIFY(!QCoro::waitFor(link.SendCommand(QStringLiteral("get ver"))).ok());
            link.setLinkType(LinkKind::Serial);
            QVERIFY(link.OpenLink(dir.filePath(QStringLiteral("COM5"))));
            QVERIFY(QCoro::waitFor(link.SendCommandRetry(QStringLiteral("test 1"), 5)).ok());
            link.closeSerial();
        }
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("COM5"))).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestLinkWire)
#include "tst_linkwire.moc"
