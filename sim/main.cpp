// The virtual controller: answers the configurator over UDP and over a pseudo-terminal.
//
//   veltsim [--udp ADDRESS:PORT] [--pty] [--link PATH] [--old-firmware] [--flash FILE]
//           [--fresh-flash]
//           [--baud N] [--baud-udp] [--journal N] [--dead-lamp G]...
//           [--drop SHARE] [--no-lf] [--chunk BYTES] [--delay MS] [--corrupt-hex SHARE]
//           [--wrong-length SHARE] [--duplicate SHARE] [--hangup-after K] [--seed N]
//           [--speed X] [--start "DD.MM.YYYY HH:MM:SS"] [--trace FILE]
//
// --flash keeps the flash in FILE across runs: loaded at start, saved after every write that
// changed it. A missing FILE starts erased (all 0xFF); a FILE of another size is most likely
// not a flash image (a project file given by mistake) and is refused, unless --fresh-flash
// says to start erased and replace it at the first write.
// --baud paces the serial side both ways at N baud 8N1; --baud-udp paces UDP answers too.
// --journal sets how many records the event journal holds (12 by default); --dead-lamp makes
// the red lamp of output group G (1..8) draw no current in the output test, once per group.
// --udp may be given many times, and as a range FIRST-LAST:PORT: every address is a controller
// of its own (flash, journal, clock, faults). The first one also answers on the pseudo-terminal
// and alone keeps --flash and --baud-udp; --faults-for ADDRESS[:PORT] 'SWITCHES' gives one address
// faults of its own
// ("--faults-for 127.0.0.12 '--drop 0.5 --seed 3'").
// --speed, --start and --trace set the clock that runs the uploaded project and write its lamp
// changes (sim/RunOptions.h); every address runs at that speed from that start, and the trace
// follows the first one.
// It prints "udp ADDRESS:PORT" for each address, "pty DEVICE" and "flash FILE" (when loaded)
// once it listens, then runs until it is terminated (SIGTERM or SIGINT).
#include "sim/Faults.h"
#include "sim/FleetOptions.h"
#include "sim/RunOptions.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"
#include "sim/VirtualController.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
}

const char kUsage[] =
    "usage: veltsim [--udp ADDRESS:PORT | --udp FIRST-LAST:PORT]...\n"
    "               [--faults-for ADDRESS[:PORT] SWITCHES]...\n"
    "               [--pty] [--link PATH] [--old-firmware]\n"
    "               [--flash FILE [--fresh-flash]] [--baud N] [--baud-udp]\n"
    "               [--journal N] [--dead-lamp G]...\n"
    "               [--drop SHARE] [--no-lf] [--chunk BYTES] [--delay MS]\n"
    "               [--corrupt-hex SHARE] [--wrong-length SHARE] [--duplicate SHARE]\n"
    "               [--hangup-after K] [--seed N]\n"
    "               [--speed X] [--start \"DD.MM.YYYY HH:MM:SS\"] [--trace FILE]\n"
    "       veltsim --help | --version\n";

int usage(const QString &why)
{
    std::fprintf(stderr, "veltsim: %s\n", qPrintable(why));
    std::fputs(kUsage, stderr);
    return 2;
}
void reportFlash(const QString &path, FlashFile::Load load)
{
    const QByteArray name = path.toLocal8Bit();
    switch (load) {
    case FlashFile::Load::Loaded:
        std::printf("flash %s\n", name.constData());
        return;
    case FlashFile::Load::Missing:
        std::fprintf(stderr, "veltsim: no flash image %s yet, starting erased\n", name.constData());
        return;
    case FlashFile::Load::WrongSize:
        std::fprintf(stderr, "veltsim: %s is not %lld bytes, starting erased\n", name.constData(),
                     static_cast<long long>(VirtualController::FlashImageSize));
        return;
    case FlashFile::Load::Unreadable:
        std::fprintf(stderr, "veltsim: cannot read %s, starting erased\n", name.constData());
        return;
    }
}

// A file that is there but cannot be the flash is kept from being overwritten: empty when
// the run may go on.
QString refusedFlash(const QString &path, FlashFile::Load load)
{
    switch (load) {
    case FlashFile::Load::WrongSize:
        return QStringLiteral("%1 is not a flash image of %2 bytes; --fresh-flash starts erased "
                              "and replaces it")
            .arg(path)
            .arg(VirtualController::FlashImageSize);
    case FlashFile::Load::Unreadable:
        return QStringLiteral("cannot read %1; --fresh-flash starts erased and replaces it")
            .arg(path);
    case FlashFile::Load::Loaded:
    case FlashFile::Load::Missing:
        break;
    }
    return {};
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    FleetOptions udp;
    QString link;
    QString flash;
    bool pty = false;
    bool freshFlash = false;
    bool oldFirmware = false;
    int baud = 0;
    bool baudUdp = false;
    int journal = Journal::DefaultSize;
    QList<int> deadLamps;
    FaultOptions faults;
    RunOptions run;
    if (args.contains(QLatin1String("--version"))) {
        std::printf("veltsim %s\n", VELT_VERSION);
        return 0;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    for (int i = 1; i < args.size(); ++i) {
        if (const auto taken = udp.parse(args, i)) {
            if (!taken->isEmpty())
                return usage(*taken);
        } else if (args[i] == QLatin1String("--pty")) {
            pty = true;
        } else if (args[i] == QLatin1String("--link") && i + 1 < args.size()) {
            link = args[++i];
            pty = true;
        } else if (args[i] == QLatin1String("--flash") && i + 1 < args.size()) {
            flash = args[++i];
        } else if (args[i] == QLatin1String("--fresh-flash")) {
            freshFlash = true;
        } else if (args[i] == QLatin1String("--baud") && i + 1 < args.size()) {
            bool ok = false;
            baud = args[++i].toInt(&ok);
            if (!ok || baud <= 0)
                return usage(QStringLiteral("bad value for --baud"));
        } else if (args[i] == QLatin1String("--baud-udp")) {
            baudUdp = true;
        } else if (args[i] == QLatin1String("--journal") && i + 1 < args.size()) {
            bool ok = false;
            journal = args[++i].toInt(&ok);
            if (!ok || journal < 0)
                return usage(QStringLiteral("bad value for --journal"));
        } else if (args[i] == QLatin1String("--dead-lamp") && i + 1 < args.size()) {
            bool ok = false;
            deadLamps.append(args[++i].toInt(&ok));
            if (!ok || !SimOutputs::isGroup(deadLamps.last()))
                return usage(QStringLiteral("bad group for --dead-lamp (1..8)"));
        } else if (args[i] == QLatin1String("--old-firmware")) {
            oldFirmware = true;
        } else if (const auto runError = parseRunOption(run, args, i)) {
            if (!runError->isEmpty())
                return usage(*runError);
        } else if (const auto error = parseFaultOption(faults, args, i)) {
            return usage(*error);
        }
    }
    if (udp.addresses.isEmpty() && !pty)
        return usage(QStringLiteral("nothing to listen on"));
    if (const auto error = udp.check(faults))
        return usage(*error);
    if (baudUdp && baud == 0)
        return usage(QStringLiteral("--baud-udp needs --baud"));

    VirtualController controller(oldFirmware);
    controller.journal() = Journal(journal);
    for (const int group : deadLamps)
        controller.outputs().setDeadLamp(group);
    if (freshFlash && flash.isEmpty())
        return usage(QStringLiteral("--fresh-flash needs --flash"));
    if (!flash.isEmpty()) {
        const FlashFile::Load load = controller.useFlashFile(flash);
        if (const QString refused = refusedFlash(flash, load); !refused.isEmpty() && !freshFlash)
            return usage(refused);
        reportFlash(flash, load);
    }
    FaultPlan plan(faults);
    const SimFleet::Address first = udp.addresses.value(0);
    FaultPlan firstPlan(udp.faultsAt(first, faults));
    SimUdpEndpoint udpSide(controller, udp.hasOwnFaults(first) ? firstPlan : plan);
    SimPtyEndpoint ptySide(controller, plan);
    ptySide.setBaud(baud);
    udpSide.setBaud(baudUdp ? baud : 0);

    SimFleet others;
    others.setSetup([&](VirtualController &c) {
        c.journal() = Journal(journal);
        for (const int group : deadLamps)
            c.outputs().setDeadLamp(group);
        if (run.start)
            c.clock().setTime(*run.start);
        c.clock().setSpeed(run.speed);
        c.powerOn();
    });
    for (qsizetype n = 0; n < udp.addresses.size(); ++n) {
        const SimFleet::Address &where = udp.addresses[n];
        const bool listening = n == 0 ? udpSide.listen(where.address, where.port)
                                      : others.add(where, udp.faultsAt(where, faults), oldFirmware);
        if (!listening)
            return usage(
                QStringLiteral("cannot listen on %1: %2")
                    .arg(where.text(), n == 0 ? udpSide.errorString() : others.errorString()));
        std::printf("udp %s\n", qPrintable(where.text()));
    }
    if (pty) {
        if (!ptySide.open())
            return usage(QStringLiteral("cannot open a pseudo-terminal"));
        std::printf("pty %s\n", qPrintable(ptySide.devicePath()));
        if (!link.isEmpty()) {
            if (!ptySide.makeLink(link))
                return usage(QStringLiteral("cannot make the link %1").arg(link));
            std::printf("link %s\n", qPrintable(link));
        }
    }
    SimRun running(controller, run);
    if (QString why; !running.start(&why))
        return usage(why);
    std::fflush(stdout);

    // Terminate cleanly so that the link is removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return 1;
    QSocketNotifier quit(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&quit, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGHUP, onSignal);
    return app.exec();
}
