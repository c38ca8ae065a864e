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
// The quiet reference before the flood: what the machine's own load does to the ticks.
constexpr int kQuietMs = 1000;
// How much later than in the quiet a tick may come during the flood. A receive path that
// does not return to the event loop keeps it from ticking for the whole flood.
constexpr int kLatenessFactor = 10;
constexpr int kTries = 7;
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
        std::optional<std::thread> flooder;

        QEventLoop loop;
        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = 0;
        qint64 quietLateness = 0;
        qint64 worstLateness = 0;
        std::optional<Reply> reply;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(kTickMs);
        connect(&ticker, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            qint64 &worst = flooder ? worstLateness : quietLateness;
            worst = qMax(worst, now - lastTick - kTickMs);
            lastTick = now;
            if (floodDone && reply)
                loop.quit();
        });
        QTimer::singleShot(kQuietMs, this,
                           [&] { flooder.emplace(flood, kPort, std::ref(floodDone)); });
        // Asked well inside the flood, so the answer has to be picked out of it.
        QTimer::singleShot(kQuietMs + kFloodMs / 3, this, [&] {
            // With the window's tries: on a loaded machine one wait may end before the answer
            // is picked out of the queue; what counts is that the answer is heard at all.
            QCoro::connect(link.SendCommandRetry(QStringLiteral("get ver"), kTries), this,
                           [&reply](const Reply &r) { reply = r; });
        });
        // Only a bound on a hang: a loaded machine may take longer, and the test then fails
        // on the missing answer rather than on time.
        QTimer::singleShot(kQuietMs + 30000, &loop, &QEventLoop::quit);
        ticker.start();
        loop.exec();
        QVERIFY(flooder.has_value());
        flooder->join();

        // The kernel drops what a loaded machine does not read in time; a tenth of a percent
        // still makes a flood.
        QVERIFY2(echoes > kDatagrams / 1000, "the flood did not reach the link");
        const qint64 allowed = kLatenessFactor * qMax<qint64>(quietLateness, kTickMs);
        QVERIFY2(worstLateness < allowed,
                 qPrintable(QStringLiteral("a tick came %1 ms late in the flood, %2 ms when quiet")
                                .arg(worstLateness)
                                .arg(quietLateness)));
        QVERIFY(reply.has_value());
        QVERIFY(reply->ok());
        QVERIFY(reply->AnswerText().startsWith(QStringLiteral("1.")));
    }
};

QTEST_GUILESS_MAIN(TestUdpFlood)
#include "tst_udpflood.moc"
