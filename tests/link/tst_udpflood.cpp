// A peer that floods the link's UDP port must neither freeze the window nor hide the
// controller's answer.
#include "link/ControllerLink.h"
#include "link/SerialTransport.h"
#include "link/UdpTransport.h"
#include "sim/SimUdpEndpoint.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr quint16 kPort = 24961;
const QHostAddress kSim(QStringLiteral("127.0.0.2"));
constexpr int kDatagrams = 100000;
constexpr int kFloodMs = 2000;
constexpr int kTickMs = 10;
constexpr int kConsoleLines = 5000;
constexpr qint64 kLineWorkNs = 30'000;

// Sends kDatagrams small datagrams to 127.0.0.1 at `port`, evenly over kFloodMs, then stops.
void flood(quint16 port, std::atomic<bool> &done)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    static const char noise[] = "noise 0123456789";
    constexpr int slices = kFloodMs; // a steady stream, not bursts the reader can catch up between
    const auto start = std::chrono::steady_clock::now();
    for (int slice = 0; slice < slices && fd >= 0; ++slice) {
        for (int i = 0; i < kDatagrams / slices; ++i)
            sendto(fd, noise, sizeof noise - 1, 0, reinterpret_cast<const sockaddr *>(&to),
                   sizeof to);
        std::this_thread::sleep_until(start +
                                      std::chrono::milliseconds(kFloodMs) * (slice + 1) / slices);
    }
    if (fd >= 0)
        close(fd);
    done = true;
}

} // namespace

class TestUdpFlood : public QObject
{
    Q_OBJECT
private slots:
    void floodKeepsTheWindowAliveAndTheAnswerHeard()
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
        // The window's share of each line received (the console keeps the last lines for its
        // next frame, the monitors read them), as much as a slow office PC spends on it: more
        // than the flood leaves between two datagrams.
        QStringList pending;
        int echoes = 0;
        connect(&link, &ControllerLink::echo, this, [&](const QString &text) {
            ++echoes;
            QElapsedTimer work;
            work.start();
            while (work.nsecsElapsed() < kLineWorkNs) {
            }
            pending.append(text);
            if (pending.size() > kConsoleLines)
                pending.remove(0, pending.size() - kConsoleLines);
        });

        std::atomic<bool> floodDone = false;
        std::thread flooder(flood, kPort, std::ref(floodDone));

        QEventLoop loop;
        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = 0;
        qint64 worstLateness = 0;
        std::optional<Reply> reply;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(kTickMs);
        connect(&ticker, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            worstLateness = qMax(worstLateness, now - lastTick - kTickMs);
            lastTick = now;
            if (floodDone && reply)
                loop.quit();
        });
        // Asked well inside the flood, so the answer has to be picked out of it.
        QTimer::singleShot(kFloodMs / 3, this, [&] {
            QCoro::connect(link.SendCommand(QStringLiteral("get ver")), this,
                           [&reply](const Reply &r) { reply = r; });
        });
        QTimer::singleShot(9000, &loop, &QEventLoop::quit);
        ticker.start();
        loop.exec();
        flooder.join();

        QVERIFY2(echoes > kDatagrams / 10, "the flood did not reach the link");
        QVERIFY2(worstLateness < 100,
                 qPrintable(QStringLiteral("a tick came %1 ms late").arg(worstLateness)));
        QVERIFY(reply.has_value());
        QVERIFY(reply->ok());
        QVERIFY(reply->AnswerText().startsWith(QStringLiteral("1.")));
    }
};

QTEST_GUILESS_MAIN(TestUdpFlood)
#include "tst_udpflood.moc"
