// A city's night through velt-cli, every controller at once at default options: backups of
// 500 and 2000 virtual controllers (veltsim processes of at most 500 addresses each, on
// 127.1.x.y) timed against the backup of one controller in the same run, with velt-cli's peak
// memory; then the drift check, `verify --fleet --quick` against the full `verify --fleet`,
// after a few controllers got another project.
//
//   fleetbench [--counts 500,2000] [--delay MS] [--runs N] [--rings N] [--changed N]
//
// --delay makes every answer that late (20 ms by default), as a controller behind a cellular
// modem is. Only loopback addresses are used.
#include "model/Description.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr quint16 kPort = 32995;
constexpr int kPerSim = 500;
const quint32 kBase = QHostAddress(QStringLiteral("127.1.0.10")).toIPv4Address();

QString host(int n)
{
    return QHostAddress(kBase + quint32(n)).toString();
}

bool writeList(const QString &path, int from, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int n = from; n < from + count; ++n)
        file.write(QStringLiteral("dk%1 %2:%3\n").arg(n).arg(host(n)).arg(kPort).toUtf8());
    return true;
}

struct Timed
{
    double ms = -1;
    double peakMb = 0;
    int status = -1;
    QByteArray out;
};

// velt-cli under /usr/bin/time, which tells its peak resident memory.
Timed timed(const QStringList &arguments, const QString &scratch)
{
    Timed result;
    const QString memory = scratch + QStringLiteral("/time.txt");
    QProcess cli;
    cli.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral("/usr/bin/time"),
              QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), memory,
                          QStringLiteral(VELT_CLI_PATH)} +
                  arguments);
    if (!cli.waitForFinished(1800000) || cli.exitStatus() != QProcess::NormalExit)
        return result;
    result.ms = double(clock.nsecsElapsed()) / 1e6;
    result.status = cli.exitCode();
    result.out = cli.readAllStandardOutput();
    QFile file(memory);
    if (file.open(QIODevice::ReadOnly))
        result.peakMb = file.readAll().trimmed().split('\n').last().toDouble() / 1024.0;
    return result;
}

// The controllers a fleet command's JSON names as not done.
QStringList failedNames(const QByteArray &json)
{
    QStringList names;
    for (const QJsonValue &r :
         QJsonDocument::fromJson(json).object().value(QStringLiteral("results")).toArray())
        if (!r.toObject().value(QStringLiteral("ok")).toBool())
            names << r.toObject().value(QStringLiteral("name")).toString();
    return names;
}

// A list of the controllers named, at the addresses the bench gave them.
bool writeNamed(const QString &path, const QStringList &names)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString &name : names)
        file.write(
            QStringLiteral("%1 %2:%3\n").arg(name, host(name.mid(2).toInt())).arg(kPort).toUtf8());
    return true;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values[values.size() / 2];
}

// The controllers a fleet verify named as holding another project, by its JSON.
QStringList differing(const QByteArray &json)
{
    QStringList names;
    for (const QJsonValue &r :
         QJsonDocument::fromJson(json).object().value(QStringLiteral("results")).toArray()) {
        // A controller whose backup failed has no copy to compare with; it is counted apart.
        const QString verdict = r.toObject().value(QStringLiteral("verdict")).toString();
        if (verdict == QLatin1String("differs") || verdict == QLatin1String("ring-count"))
            names << r.toObject().value(QStringLiteral("name")).toString();
    }
    return names;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, const QString &fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
    };
    QList<int> counts;
    for (const QString &c : option("--counts", QStringLiteral("500,2000")).split(QLatin1Char(',')))
        counts << std::clamp(c.toInt(), 1, 8000);
    const int total = *std::max_element(counts.cbegin(), counts.cend());
    const int delay = std::max(0, option("--delay", QStringLiteral("20")).toInt());
    const int runs = std::max(1, option("--runs", QStringLiteral("1")).toInt());
    const int rings = std::clamp(option("--rings", QStringLiteral("2")).toInt(), 1, 4);
    const int changed = std::clamp(option("--changed", QStringLiteral("5")).toInt(), 0, total);

    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("city.velt"));
    const QString other = dir.filePath(QStringLiteral("other.velt"));
    RingModel model;
    model.NewProjectDefaults();
    model.setRingCount(rings);
    setProjectDescription(model.project(), QStringLiteral("fleetbench"));
    bool ok = !ProjectFile::save(model, project);
    setProjectDescription(model.project(), QStringLiteral("fleetbench, changed"));
    ok = ok && !ProjectFile::save(model, other);
    const QString one = dir.filePath(QStringLiteral("one.txt"));
    const QString changedList = dir.filePath(QStringLiteral("changed.txt"));
    ok = ok && writeList(one, 0, 1) && writeList(changedList, 0, changed);
    for (const int count : counts)
        ok = ok && writeList(dir.filePath(QStringLiteral("all-%1.txt").arg(count)), 0, count);
    if (!ok) {
        std::fprintf(stderr, "fleetbench: cannot write the files\n");
        return 1;
    }

    std::vector<std::unique_ptr<QProcess>> sims;
    for (int from = 0; from < total; from += kPerSim) {
        const int to = std::min(total, from + kPerSim) - 1;
        auto &sim = sims.emplace_back(std::make_unique<QProcess>());
        sim->start(QStringLiteral(VELTSIM_PATH),
                   {QStringLiteral("--udp"),
                    QStringLiteral("%1-%2:%3").arg(host(from), host(to)).arg(kPort),
                    QStringLiteral("--delay"), QString::number(delay)});
        int listening = 0;
        while (listening <= to - from && sim->waitForReadyRead(20000))
            while (sim->canReadLine())
                listening += sim->readLine().startsWith("udp ") ? 1 : 0;
        if (listening <= to - from) {
            std::fprintf(stderr, "fleetbench: veltsim did not start\n");
            return 1;
        }
    }
    const auto stop = [&] {
        for (auto &sim : sims) {
            sim->terminate();
            sim->waitForFinished(5000);
        }
    };

    const QString all = dir.filePath(QStringLiteral("all-%1.txt").arg(total));
    const Timed upload = timed({QStringLiteral("upload"), QStringLiteral("--fleet"), all, project,
                                QStringLiteral("--accept-warnings"), QStringLiteral("--json")},
                               dir.path());
    // The upload only sets the city up: controllers it failed (a machine so busy that answers
    // came later than the wait) get the project again, a few at a time.
    QStringList missed = failedNames(upload.out);
    int retried = 0;
    for (int round = 0; round < 3 && upload.status >= 0 && !missed.isEmpty(); ++round) {
        retried += int(missed.size());
        const QString again = dir.filePath(QStringLiteral("again.txt"));
        if (!writeNamed(again, missed))
            break;
        missed =
            failedNames(timed({QStringLiteral("upload"), QStringLiteral("--fleet"), again, project,
                               QStringLiteral("--accept-warnings"), QStringLiteral("--json"),
                               QStringLiteral("--jobs"), QStringLiteral("50")},
                              dir.path())
                            .out);
    }
    if (upload.status < 0 || (upload.status != 0 && retried == 0) || !missed.isEmpty()) {
        std::fprintf(stderr, "fleetbench: the upload failed for %lld controllers\n",
                     static_cast<long long>(missed.size()));
        stop();
        return 1;
    }
    std::printf("velt-cli over virtual controllers, %d rings each, answers %d ms late, %zu veltsim "
                "process(es), default options\n",
                rings, delay, sims.size());
    std::printf("  upload to %d with read-back: %.1f s, peak %.0f MB, %d failed and given again\n",
                total, upload.ms / 1e3, upload.peakMb, retried);

    const auto backup = [&](const QString &list, const QString &name) {
        return timed({QStringLiteral("backup"), QStringLiteral("--fleet"), list,
                      QStringLiteral("-o"), dir.filePath(name)},
                     dir.path());
    };
    QList<double> single;
    double singlePeak = 0;
    for (int run = 0; run < runs; ++run) {
        const Timed t = backup(one, QStringLiteral("one-%1").arg(run));
        single << (t.status == 0 ? t.ms : -1);
        singlePeak = t.peakMb;
    }
    const double s = median(single);
    std::printf("  backup of 1 controller: %.2f s, peak %.0f MB\n", s / 1e3, singlePeak);
    for (const int count : counts) {
        QList<double> times;
        double peak = 0;
        int failed = 0;
        for (int run = 0; run < runs; ++run) {
            const Timed t = backup(dir.filePath(QStringLiteral("all-%1.txt").arg(count)),
                                   QStringLiteral("all-%1-%2").arg(count).arg(run));
            times << t.ms;
            peak = std::max(peak, t.peakMb);
            failed += int(t.out.count("ОШИБКА"));
            if (t.status != 0) {
                const qsizetype at = t.out.indexOf("ОШИБКА");
                std::printf("    e.g. %s\n",
                            t.out.mid(at, t.out.indexOf('\n', at) - at).constData());
            }
        }
        const double f = median(times);
        std::printf("  backup of %d controllers: %.2f s = %.2fx one controller, peak %.0f MB "
                    "(%.2f MB per controller above one's), %d not backed up\n",
                    count, f / 1e3, f / s, peak, (peak - singlePeak) / count, failed);
    }

    // The drift check: the archive is the last backup of all; a few controllers change.
    const QString archive = dir.filePath(QStringLiteral("all-%1-0").arg(total));
    const Timed change = timed({QStringLiteral("upload"), QStringLiteral("--fleet"), changedList,
                                other, QStringLiteral("--accept-warnings")},
                               dir.path());
    const QStringList verifyArgs{QStringLiteral("verify"), QStringLiteral("--fleet"),
                                 dir.filePath(QStringLiteral("all-%1.txt").arg(counts.first())),
                                 archive, QStringLiteral("--json")};
    const Timed quick = timed(verifyArgs + QStringList{QStringLiteral("--quick")}, dir.path());
    const Timed full = timed(verifyArgs, dir.path());
    stop();
    if (change.status != 0) {
        std::fprintf(stderr, "fleetbench: the change upload failed\n");
        return 1;
    }
    const QStringList quickFound = differing(quick.out);
    const QStringList fullFound = differing(full.out);
    std::printf("  verify --fleet of %d: --quick %.2f s (peak %.0f MB), full %.2f s (peak %.0f "
                "MB): full / quick = %.1fx\n",
                counts.first(), quick.ms / 1e3, quick.peakMb, full.ms / 1e3, full.peakMb,
                full.ms / quick.ms);
    std::printf("    differing, quick: %s\n", qPrintable(quickFound.join(QLatin1Char(' '))));
    std::printf("    differing, full:  %s\n", qPrintable(fullFound.join(QLatin1Char(' '))));
    std::printf("    the %d changed found by both: %s\n", changed,
                quickFound == fullFound && quickFound.size() == changed ? "yes" : "NO");
    return 0;
}
