// A whole project through the real transfer against the virtual controller in its own process:
// upload with read-back, then download. Over UDP it is timed next to a raw replay of the very
// same datagrams; over the pseudo-terminal, paced at 115200 baud, next to the wire time of
// every byte that passed.
//
//   transferbench [--sim VELTSIM] [--udp-rounds N] [--pty-rings N]
//
// A ring takes about 21 s of wire time each way at 115200 baud, so the serial run carries one
// ring by default (the download still reads the erased second ring before it stops), which
// keeps the whole bench near a minute and a half; --pty-rings 4 moves the full project, and
// --pty-rings 0 leaves the serial run out (for profiling the UDP side).
#include "BenchProject.h"
#include "link/ControllerLink.h"
#include "link/ProjectTransfer.h"
#include "link/SerialTransport.h"
#include "link/UdpTransport.h"
#include "model/RingModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QUdpSocket>

#include <qcoro/qcorotask.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {
constexpr quint16 kPort = 28994;
const QHostAddress kSim(QStringLiteral("127.0.0.5"));
constexpr int kBaud = 115200;
// The controller's own program polled for answers in 20 ms rounds: no packet took less.
constexpr double kOldPacketMs = ControllerLink::RoundMs;

// A wire that keeps what went out and counts what came in, so that the raw replay sends the
// same datagrams and the wire time covers the same bytes. It also sums the configurator's own
// turn: from the last piece of an answer to the next command, the time no wire accounts for.
template <class Wire> class Recorded : public Wire
{
public:
    Recorded()
    {
        m_clock.start();
        QObject::connect(this, &Transport::received, this, [this](const QByteArray &bytes) {
            m_bytesIn += bytes.size();
            m_lastIn = m_clock.nsecsElapsed();
        });
    }
    bool write(const QByteArray &bytes) override
    {
        if (m_lastIn >= 0) {
            m_turnNs += m_clock.nsecsElapsed() - m_lastIn;
            ++m_turns;
            m_lastIn = -1;
        }
        m_sent.append(bytes);
        m_bytesOut += bytes.size();
        return Wire::write(bytes);
    }
    [[nodiscard]] const QList<QByteArray> &sent() const { return m_sent; }
    [[nodiscard]] qint64 bytesOut() const { return m_bytesOut; }
    [[nodiscard]] qint64 bytesIn() const { return m_bytesIn; }
    // Microseconds per turn since the last reset.
    [[nodiscard]] double turnUs() const { return m_turns ? m_turnNs / 1e3 / m_turns : 0.0; }
    void reset()
    {
        m_sent.clear();
        m_bytesOut = 0;
        m_bytesIn = 0;
        m_turnNs = 0;
        m_turns = 0;
        m_lastIn = -1;
    }

private:
    QElapsedTimer m_clock;
    QList<QByteArray> m_sent;
    qint64 m_bytesOut = 0;
    qint64 m_bytesIn = 0;
    qint64 m_lastIn = -1;
    qint64 m_turnNs = 0;
    qint64 m_turns = 0;
};

struct Outcome
{
    double ms = 0;
    bool uploaded = false;
    bool downloaded = false;
    bool same = false; // the downloaded rings are the sealed rings that went up
};

// Yes to every question: a bench project raises none the window would not send.
struct Yes final : Questions
{
    bool ask(Question, const QString &, const QString &) override { return true; }
};

QCoro::Task<void> uploadThenDownload(ProjectTransfer &transfer, Outcome &out)
{
    out.uploaded = (co_await transfer.upload()).ok();
    out.downloaded = (co_await transfer.download()).ok();
}

Outcome transferProject(ControllerLink &link, int rings, std::mt19937 &random)
{
    RingModel model;
    fillProject(model, rings, random);
    std::array<RingData, MaxRings> sealed;
    for (int r = 0; r < rings; ++r) {
        sealed[r] = model.store(r);
        RingModel::SealForController(sealed[r]);
    }
    ProjectTransfer transfer(link, model);
    transfer.setVerifyAfterUpload(true);
    Outcome out;
    Yes yes;
    transfer.setQuestions(&yes);

    QElapsedTimer clock;
    clock.start();
    QCoro::waitFor(uploadThenDownload(transfer, out));
    out.ms = clock.nsecsElapsed() / 1e6;
    out.same = model.ringCount() == rings;
    for (int r = 0; r < rings; ++r)
        out.same = out.same && model.store(r) == sealed[r];
    return out;
}

QCoro::Task<double> linkReplay(ControllerLink &link, const QList<QByteArray> &datagrams)
{
    QElapsedTimer clock;
    clock.start();
    for (const QByteArray &datagram : datagrams)
        co_await link.SendCommand(QString::fromLatin1(datagram));
    co_return clock.nsecsElapsed() / 1e6;
}

// The same datagrams without the exchange layer: send, block until the answer, next.
double rawReplay(const QList<QByteArray> &datagrams, int *answered)
{
    QUdpSocket socket;
    socket.bind(QHostAddress::AnyIPv4, kPort,
                QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    QElapsedTimer clock;
    clock.start();
    *answered = 0;
    for (const QByteArray &datagram : datagrams) {
        socket.writeDatagram(datagram, kSim, kPort);
        if (socket.waitForReadyRead(1000) && socket.receiveDatagram().data().contains("SUCCESS:"))
            ++*answered;
    }
    return clock.nsecsElapsed() / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values[values.size() / 2];
}

const char *verdict(const Outcome &o)
{
    return o.uploaded && o.downloaded && o.same ? "ok" : "FAILED";
}

QString startSim(QProcess &sim, const QString &path)
{
    sim.start(path,
              {QStringLiteral("--udp"), QStringLiteral("%1:%2").arg(kSim.toString()).arg(kPort),
               QStringLiteral("--pty"), QStringLiteral("--baud"), QString::number(kBaud)});
    if (!sim.waitForStarted(10000))
        return {};
    QString device;
    bool udp = false;
    QElapsedTimer startup;
    startup.start();
    while ((device.isEmpty() || !udp) && startup.elapsed() < 10000 && sim.waitForReadyRead(10000)) {
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            udp = udp || line.startsWith(QStringLiteral("udp "));
            if (line.startsWith(QStringLiteral("pty ")))
                device = line.mid(4);
        }
    }
    return udp ? device : QString();
}

void stopSim(QProcess &sim)
{
    sim.terminate();
    if (!sim.waitForFinished(5000)) {
        sim.kill();
        sim.waitForFinished();
    }
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, const QString &fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args[at + 1] : fallback;
    };
    const QString simPath = option("--sim", QStringLiteral(VELTSIM_PATH));
    const int udpRounds = std::max(1, option("--udp-rounds", QStringLiteral("5")).toInt());
    const int ptyRings = std::clamp(option("--pty-rings", QStringLiteral("1")).toInt(), 0, 4);

    QProcess sim;
    const QString device = startSim(sim, simPath);
    if (device.isEmpty()) {
        std::fprintf(stderr, "the virtual controller did not start (%s)\n", qPrintable(simPath));
        stopSim(sim);
        return 1;
    }
    std::mt19937 random(20240601);

    // UDP, a few rounds of: the transfer; the datagrams it sent, once more through the link
    // alone; the same datagrams raw. The medians are shown.
    QList<double> transferMs, linkMs, rawMs, transferTurn, linkTurn;
    Outcome udpOutcome;
    qsizetype datagrams = 0;
    int answered = 0;
    for (int round = 0; round < udpRounds; ++round) {
        SerialTransport serial;
        Recorded<UdpTransport> udp;
        udp.setLocalPort(kPort);
        udp.setPeer(kSim, kPort);
        udp.open();
        ControllerLink link(serial, udp);
        link.setLinkType(LinkKind::Ethernet);
        const Outcome o = transferProject(link, MaxRings, random);
        if (round == 0 || !(o.uploaded && o.downloaded && o.same))
            udpOutcome = o;
        transferMs.append(o.ms);
        transferTurn.append(udp.turnUs());
        const QList<QByteArray> sent = udp.sent();
        datagrams = sent.size();
        udp.reset();
        linkMs.append(QCoro::waitFor(linkReplay(link, sent)));
        linkTurn.append(udp.turnUs());
        udp.close();
        rawMs.append(rawReplay(sent, &answered));
    }
    const double udpTransfer = median(transferMs);
    const double udpLink = median(linkMs);
    const double udpRaw = median(rawMs);
    const double oldFloor = static_cast<double>(datagrams) * kOldPacketMs;
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };

    std::printf("Project transfer, upload with read-back then download, against veltsim\n");
    std::printf("%-36s %11s %11s %8s\n", "", "measured", "baseline", "ratio");
    std::printf("%-36s %8.0f ms %8.0f ms %7.2fx  %s, %lld datagrams, %d answered raw\n",
                "udp 4 rings: transfer / raw replay", udpTransfer, udpRaw,
                ratio(udpTransfer, udpRaw), verdict(udpOutcome), static_cast<long long>(datagrams),
                answered);
    std::printf("%-36s %8.0f ms %8.0f ms %7.2fx  same datagrams, SendCommand alone\n",
                "udp 4 rings: link only / raw replay", udpLink, udpRaw, ratio(udpLink, udpRaw));
    std::printf("%-36s %8.0f ms %8.0f ms %7.3fx  20 ms a packet\n",
                "udp 4 rings: transfer / old floor", udpTransfer, oldFloor,
                ratio(udpTransfer, oldFloor));
    std::fflush(stdout);

    bool ptyGood = true;
    double ptyTurn = 0;
    if (ptyRings > 0) {
        // Serial over the pseudo-terminal, paced by the controller at 115200 8N1.
        Recorded<SerialTransport> serial;
        UdpTransport unused;
        ControllerLink link(serial, unused);
        link.setLinkType(LinkKind::Serial);
        link.setConfiguredPort(device);
        const Outcome o = transferProject(link, ptyRings, random);
        link.closeSerial();
        ptyGood = o.same;
        ptyTurn = serial.turnUs();
        const qint64 wireBytes = serial.bytesOut() + serial.bytesIn();
        const double wireMs = static_cast<double>(wireBytes) * 10.0 * 1000.0 / kBaud;
        std::printf(
            "%-36s %8.0f ms %8.0f ms %7.3fx  %s, %lld bytes at %d 8N1\n",
            qPrintable(QStringLiteral("pty %1 ring(s): transfer / wire time").arg(ptyRings)), o.ms,
            wireMs, ratio(o.ms, wireMs), verdict(o), static_cast<long long>(wireBytes), kBaud);
    }
    std::printf("configurator's own turn, answer to next command: udp transfer %.1f us, udp "
                "link only %.1f us",
                median(transferTurn), median(linkTurn));
    if (ptyRings > 0)
        std::printf(", pty transfer %.1f us", ptyTurn);
    std::printf("\n");
    std::printf("udp figures are medians of %d rounds\n", udpRounds);

    stopSim(sim);
    return udpOutcome.same && ptyGood ? 0 : 1;
}
