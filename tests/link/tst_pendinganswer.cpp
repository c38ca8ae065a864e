// An answer already waiting in the socket when its command's deadline comes is that command's
// answer; one waiting there before a command goes out is not.
#include "link/ControllerLink.h"
#include "link/SerialTransport.h"
#include "link/UdpHub.h"
#include "link/UdpPeer.h"
#include "link/UdpTransport.h"

#include <QElapsedTimer>
#include <QTest>
#include <QUdpSocket>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>
#include <thread>

namespace {
constexpr quint16 kPort = 24981;
const QHostAddress kController(QStringLiteral("127.0.0.2"));

// The link over the window's pair or over the fleet's shared receiver.
struct Wire
{
    SerialTransport serial;
    UdpTransport pair;
    UdpHub hub;
    std::unique_ptr<ControllerLink> link;

    explicit Wire(bool fleet)
    {
        Transport *udp = &pair;
        if (fleet) {
            UdpPeer *const peer = hub.peer(kController, kPort);
            peer->open();
            udp = peer;
        } else {
            pair.setLocalPort(kPort);
            pair.setPeer(kController, kPort);
            pair.open();
        }
        link = std::make_unique<ControllerLink>(serial, *udp);
        link->setLinkType(LinkKind::Ethernet);
        link->setUdpWaitRounds(1);
    }
};

// The controller: datagrams from its address to the link's port.
struct Controller
{
    QUdpSocket socket;
    Controller() { socket.bind(kController, 0); }
    void say(const QByteArray &text)
    {
        socket.writeDatagram(text, QHostAddress::LocalHost, kPort);
        // Until the datagram is surely in the receiver's buffer.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

// Runs the event loop as a thread too busy to read its sockets would: timers fire, but the
// receivers are never told that something arrived.
Reply busyLoop(QCoro::Task<Reply> task)
{
    std::optional<Reply> reply;
    auto done = [&reply](QCoro::Task<Reply> t) -> QCoro::Task<void> { reply = co_await t; };
    auto waiting = done(std::move(task));
    QElapsedTimer spent;
    spent.start();
    while (!reply && spent.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return reply.value_or(Reply{});
}
} // namespace

class TestPendingAnswer : public QObject
{
    Q_OBJECT
private slots:
    void wires_data()
    {
        QTest::addColumn<bool>("fleet");
        QTest::newRow("window's pair") << false;
        QTest::newRow("fleet's receiver") << true;
    }

    void answerWaitingPastTheDeadlineIsTaken_data() { wires_data(); }
    void answerWaitingPastTheDeadlineIsTaken()
    {
        QFETCH(bool, fleet);
        Wire wire(fleet);
        Controller controller;
        auto task = wire.link->SendCommand(QStringLiteral("get ver"));
        controller.say("SUCCESS: 1.2.0");
        // Blocked well past the wait of 20 ms, with the answer in the socket.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const Reply reply = busyLoop(std::move(task));
        QVERIFY(reply.ok());
        QCOMPARE(reply.payload, QByteArray(" 1.2.0"));
    }

    void staleAnswerIsNotTakenForTheNextCommand_data() { wires_data(); }
    void staleAnswerIsNotTakenForTheNextCommand()
    {
        QFETCH(bool, fleet);
        Wire wire(fleet);
        Controller controller;
        // The late answer to a command given up on, unread when the next one goes out.
        controller.say("SUCCESS:stale");
        auto task = wire.link->SendCommand(QStringLiteral("proj_flashrd 0 1"));
        controller.say("SUCCESS:fresh");
        const Reply reply = busyLoop(std::move(task));
        QVERIFY(reply.ok());
        QCOMPARE(reply.payload, QByteArray("fresh"));

        // Nothing but the stale answer: no answer at all.
        controller.say("SUCCESS:stale");
        const Reply silent = busyLoop(wire.link->SendCommand(QStringLiteral("proj_flashrd 0 2")));
        QCOMPARE(silent.status, Reply::Status::NoAnswer);
    }
};

int main(int argc, char **argv)
{
    // The glib dispatcher reads sockets even when asked to leave them alone.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    TestPendingAnswer test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pendinganswer.moc"
