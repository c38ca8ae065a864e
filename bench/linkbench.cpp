// 1000 "test 1" exchanges against the virtual controller over UDP and over a pseudo-terminal,
// next to raw round trips of the same bytes without the exchange layer, in the same run.
//
//   linkbench [VELTSIM] [COUNT]
#include "link/ControllerLink.h"
#include "link/SerialTransport.h"
#include "link/UdpTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSerialPort>
#include <QUdpSocket>

#include <qcoro/qcorotask.h>

#include <cstdio>

namespace {
constexpr quint16 kPort = 28990;
const QHostAddress kSim(QStringLiteral("127.0.0.2"));

struct Figure
{
    double ms = 0;
    int good = 0;
};

QCoro::Task<Figure> exchanges(ControllerLink &link, int count)
{
    QElapsedTimer clock;
    clock.start();
    Figure f;
    for (int i = 0; i < count; ++i)
        f.good += co_await link.SendCommand(QStringLiteral("test 1")) ? 1 : 0;
    f.ms = clock.nsecsElapsed() / 1e6;
    co_return f;
}

Figure rawUdp(int count)
{
    QUdpSocket socket;
    socket.bind(QHostAddress::AnyIPv4, kPort,
                QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    QElapsedTimer clock;
    clock.start();
    Figure f;
    for (int i = 0; i < count; ++i) {
        socket.writeDatagram(QByteArrayLiteral("test 1"), kSim, kPort);
        if (socket.waitForReadyRead(1000) && socket.receiveDatagram().data().contains("SUCCESS:"))
            ++f.good;
    }
    f.ms = clock.nsecsElapsed() / 1e6;
    return f;
}

Figure rawSerial(const QString &device, int count)
{
    QSerialPort port(device);
    port.setBaudRate(QSerialPort::Baud115200);
    Figure f;
    if (!port.open(QIODevice::ReadWrite))
        return f;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        port.write(QByteArrayLiteral("test 1\r\n"));
        port.waitForBytesWritten(1000);
        QByteArray answer;
        while (!answer.contains('\n') && port.waitForReadyRead(1000))
            answer += port.readAll();
        f.good += answer.contains("SUCCESS:") ? 1 : 0;
    }
    f.ms = clock.nsecsElapsed() / 1e6;
    port.close();
    return f;
}

void report(const char *what, const Figure &exchange, const Figure &raw, int count)
{
    std::printf("%-5s exchange: %8.1f ms (%6.1f us each, %d/%d answered)\n", what, exchange.ms,
                exchange.ms * 1000 / count, exchange.good, count);
    std::printf("%-5s raw:      %8.1f ms (%6.1f us each, %d/%d answered)\n", what, raw.ms,
                raw.ms * 1000 / count, raw.good, count);
    std::printf("%-5s ratio exchange / raw: %.2f\n", what, raw.ms > 0 ? exchange.ms / raw.ms : 0.0);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString simPath =
        args.value(1, QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/veltsim"));
    const int count = args.value(2, QStringLiteral("1000")).toInt();

    QProcess sim;
    sim.start(simPath, {QStringLiteral("--udp"), QStringLiteral("127.0.0.2:%1").arg(kPort),
                        QStringLiteral("--pty")});
    if (!sim.waitForStarted(10000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(simPath));
        return 1;
    }
    QString device;
    QElapsedTimer startup;
    startup.start();
    while (device.isEmpty() && startup.elapsed() < 10000 && sim.waitForReadyRead(10000)) {
        while (sim.canReadLine()) {
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("pty ")))
                device = line.mid(4);
        }
    }
    if (device.isEmpty()) {
        std::fprintf(stderr, "the virtual controller did not start\n");
        sim.kill();
        sim.waitForFinished();
        return 1;
    }

    SerialTransport serial;
    UdpTransport udp;
    ControllerLink link(serial, udp);

    // UDP: the exchange layer, then the same datagrams raw.
    udp.setLocalPort(kPort);
    udp.setPeer(kSim, kPort);
    udp.open();
    link.setLinkType(LinkKind::Ethernet);
    const Figure udpExchange = QCoro::waitFor(exchanges(link, count));
    udp.close();
    const Figure udpRaw = rawUdp(count);

    // Serial over the pseudo-terminal.
    link.setLinkType(LinkKind::Serial);
    link.OpenLink(device);
    const Figure serialExchange = QCoro::waitFor(exchanges(link, count));
    link.closeSerial();
    const Figure serialRaw = rawSerial(device, count);

    std::printf("%d \"test 1\" exchanges against the virtual controller\n", count);
    report("udp", udpExchange, udpRaw, count);
    report("pty", serialExchange, serialRaw, count);

    sim.terminate();
    if (!sim.waitForFinished(5000)) {
        sim.kill();
        sim.waitForFinished();
    }
    return 0;
}
