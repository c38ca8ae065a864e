// A city's nightly backup: velt-cli backs up 50 virtual controllers (one veltsim process
// serving 127.0.0.10..59) with --jobs 8, timed next to the backup of one controller alone in
// the same run. Every controller first gets a project through velt-cli's fleet upload, so the
// backups read real rings.
//
//   fleetbench [--runs N] [--rings N] [--jobs N] [--sims N] [--delay MS]
//
// --sims splits the 50 addresses over that many veltsim processes (1 by default). --delay
// makes every virtual controller take that long over each answer, as a real one takes its
// time to program its flash; with 0 (the default) the run measures how many round trips this
// host's processors manage, which on a shared two-core machine is what limits the fleet.
#include "model/Description.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {
constexpr quint16 kPort = 32995;
constexpr int kFirst = 10;
constexpr int kCount = 50;

QString address(int n)
{
    return QStringLiteral("127.0.0.%1:%2").arg(kFirst + n).arg(kPort);
}

bool writeList(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int n = 0; n < count; ++n)
        file.write(QStringLiteral("dk%1 %2\n").arg(kFirst + n).arg(address(n)).toUtf8());
    return true;
}

// Processor time of the children reaped so far, milliseconds.
double childrenCpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval &t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Milliseconds the command took, or -1 when it failed; `cpuMs` gets the processor time it used.
double timed(const QStringList &arguments, double *cpuMs = nullptr)
{
    const double cpuBefore = childrenCpuMs();
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(VELT_CLI_PATH), arguments);
    if (!cli.waitForFinished(600000) || cli.exitStatus() != QProcess::NormalExit)
        return -1;
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (cpuMs)
        *cpuMs = childrenCpuMs() - cpuBefore;
    if (cli.exitCode() != 0) {
        std::fprintf(stderr, "%s", cli.readAllStandardOutput().constData());
        return -1;
    }
    return ms;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values[values.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };
    const int runs = std::max(1, option("--runs", 3));
    const int rings = std::clamp(option("--rings", 2), 1, 4);
    const QString jobs = QString::number(std::max(1, option("--jobs", 8)));

    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("one.txt"));
    const QString all = dir.filePath(QStringLiteral("all.txt"));
    const QString project = dir.filePath(QStringLiteral("city.velt"));
    RingModel model;
    model.NewProjectDefaults();
    model.setRingCount(rings);
    setProjectDescription(model.project(), QStringLiteral("fleetbench"));
    if (!writeList(one, 1) || !writeList(all, kCount) || ProjectFile::save(model, project)) {
        std::fprintf(stderr, "fleetbench: cannot write the files\n");
        return 1;
    }

    const int processes = std::clamp(option("--sims", 1), 1, kCount);
    const int delay = std::max(0, option("--delay", 0));
    std::vector<std::unique_ptr<QProcess>> sims;
    for (int p = 0; p < processes; ++p) {
        const int from = kFirst + p * kCount / processes;
        const int to = kFirst + (p + 1) * kCount / processes - 1;
        auto &sim = sims.emplace_back(std::make_unique<QProcess>());
        sim->start(QStringLiteral(VELTSIM_PATH),
                   {QStringLiteral("--udp"),
                    QStringLiteral("127.0.0.%1-127.0.0.%2:%3").arg(from).arg(to).arg(kPort),
                    QStringLiteral("--delay"), QString::number(delay)});
        int listening = 0;
        while (listening <= to - from && sim->waitForReadyRead(10000))
            while (sim->canReadLine())
                listening += sim->readLine().startsWith("udp ") ? 1 : 0;
        if (listening <= to - from) {
            std::fprintf(stderr, "fleetbench: veltsim did not start\n");
            return 1;
        }
    }

    const double upload =
        timed({QStringLiteral("upload"), QStringLiteral("--fleet"), all, project,
               QStringLiteral("--jobs"), jobs, QStringLiteral("--accept-warnings")});
    QList<double> single;
    QList<double> fleet;
    QList<double> fleetCpu;
    for (int run = 0; run < runs && upload >= 0; ++run) {
        // A fresh folder each time, so that every backup writes its files.
        single << timed({QStringLiteral("backup"), QStringLiteral("--fleet"), one,
                         QStringLiteral("-o"), dir.filePath(QStringLiteral("one-%1").arg(run))});
        double cpu = 0;
        fleet << timed({QStringLiteral("backup"), QStringLiteral("--fleet"), all,
                        QStringLiteral("-o"), dir.filePath(QStringLiteral("all-%1").arg(run)),
                        QStringLiteral("--jobs"), jobs},
                       &cpu);
        fleetCpu << cpu;
    }
    for (auto &sim : sims) {
        sim->terminate();
        sim->waitForFinished(5000);
    }
    if (upload < 0 || single.contains(-1) || fleet.contains(-1)) {
        std::fprintf(stderr, "fleetbench: a run failed\n");
        return 1;
    }
    const double s = median(single);
    const double f = median(fleet);
    std::printf("Fleet backup through velt-cli, %d rings per controller, %d veltsim process(es), "
                "answers after %d ms\n",
                rings, processes, delay);
    std::printf("  upload to %d controllers, --jobs %s, with read-back: %8.0f ms\n", kCount,
                qPrintable(jobs), upload);
    std::printf("  backup of 1 controller (median of %d):          %8.0f ms\n", runs, s);
    std::printf("  backup of %d controllers, --jobs %s (median):     %8.0f ms\n", kCount,
                qPrintable(jobs), f);
    std::printf("  ratio fleet / one: %.1fx (%d controllers; goal within 8x)\n", f / s, kCount);
    // Where the fleet is bound by the processors rather than by the controllers' answers.
    std::printf("  velt-cli processor time in the fleet backup: %.0f ms (%.1f ms per controller)\n",
                median(fleetCpu), median(fleetCpu) / kCount);
    return 0;
}
