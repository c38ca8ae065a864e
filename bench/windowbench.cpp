// "Загрузить проект в ДК" in the controller window against `velt-cli upload` of the same
// 4-ring project to the same virtual controller (a veltsim process on UDP over loopback), both
// with the read-back. The window is the real program's, built as main() builds it and driven
// offscreen by its button, with the transfer tab in view; it is timed from the click to the
// closing message. velt-cli is timed from its start to its exit. Each side takes the best of
// a few rounds, taken in turn, so a busy machine slows both alike.
//
//   windowbench [--rounds N] [--console] [--tab-hidden] [--grab FILE.png]
//
// --console keeps the command console open, showing every answer, during the window's rounds;
// --tab-hidden keeps another tab of the window in view, so that the transfer's logs and bar are
// never painted (what is left is the transfer itself in the window's event loop); --grab saves
// the controller window as it looks after the last upload.
#include "BenchProject.h"
#include "app/MainWindow.h"
#include "app/Windows.h"
#include "link/ProjectTransfer.h"
#include "model/ProjectFile.h"
#include "service/ControllerWindow.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace {
// Processor time of this process or of its finished children, in milliseconds.
double cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval &t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Timed
{
    double ms = -1; // -1: the upload did not end well
    double cpuMs = 0;
};

constexpr quint16 kPort = 29113;
const QString kSim = QStringLiteral("127.0.0.11");

// Yes to every question, and the closing message noted: it ends the window's round.
class Answers final : public Prompts
{
public:
    QMessageBox::StandardButton ask(QWidget *, const QString &caption, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon) override
    {
        if (buttons & QMessageBox::Yes)
            return QMessageBox::Yes;
        closing = caption + QLatin1Char('|') + text;
        if (loop)
            loop->quit();
        return QMessageBox::Ok;
    }
    QString closing;
    QEventLoop *loop = nullptr;
};

bool startSim(QProcess &sim)
{
    sim.start(QStringLiteral(VELTSIM_PATH),
              {QStringLiteral("--udp"), QStringLiteral("%1:%2").arg(kSim).arg(kPort)});
    if (!sim.waitForStarted(10000))
        return false;
    while (sim.waitForReadyRead(10000))
        while (sim.canReadLine())
            if (sim.readLine().startsWith("udp "))
                return true;
    return false;
}

// From the click to the closing message.
Timed windowUpload(TForm1 &main, TForm10 &window, Answers &answers)
{
    // The window and velt-cli cannot both hold the port: the window listens only for its own
    // rounds, as it would if velt-cli ran while the program was closed.
    main.communic().StartTransports();
    auto *button = window.findChild<QPushButton *>(QStringLiteral("Button3"));
    QEventLoop loop;
    answers.loop = &loop;
    answers.closing.clear();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    Timed t;
    const double cpu = cpuMs(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    button->click();
    if (answers.closing.isEmpty())
        loop.exec();
    t.ms = double(clock.nsecsElapsed()) / 1e6;
    t.cpuMs = cpuMs(RUSAGE_SELF) - cpu;
    answers.loop = nullptr;
    // Lets the window finish its frame before the port goes.
    QCoreApplication::processEvents();
    main.communic().udp().close();
    if (answers.closing != QStringLiteral("Готово!|Проект успешно загружен!")) {
        std::fprintf(stderr, "window: %s\n", qPrintable(answers.closing));
        t.ms = -1;
    }
    return t;
}

// From the start of the process to its exit.
Timed cliUpload(const QString &project)
{
    QProcess cli;
    Timed t;
    const double cpu = cpuMs(RUSAGE_CHILDREN);
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(VELT_CLI_PATH),
              {QStringLiteral("upload"), project, QStringLiteral("--to"),
               QStringLiteral("%1:%2").arg(kSim).arg(kPort), QStringLiteral("--accept-warnings")});
    if (!cli.waitForFinished(60000) || cli.exitStatus() != QProcess::NormalExit)
        return t;
    t.ms = double(clock.nsecsElapsed()) / 1e6;
    t.cpuMs = cpuMs(RUSAGE_CHILDREN) - cpu;
    if (cli.exitCode() != 0) {
        std::fprintf(stderr, "velt-cli: %s%s", cli.readAllStandardOutput().constData(),
                     cli.readAllStandardError().constData());
        t.ms = -1;
    }
    return t;
}

// The fastest round; a failed round spoils the figure rather than hiding among the good ones.
Timed best(const QList<Timed> &rounds)
{
    Timed fastest;
    for (const Timed &t : rounds) {
        if (t.ms < 0)
            return {};
        if (fastest.ms < 0 || t.ms < fastest.ms)
            fastest = t;
    }
    return fastest;
}

// The least processor time of the rounds.
double leastCpu(const QList<Timed> &rounds)
{
    double least = -1;
    for (const Timed &t : rounds)
        least = least < 0 ? t.cpuMs : std::min(least, t.cpuMs);
    return least;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, const QString &fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args[at + 1] : fallback;
    };
    const int rounds = std::clamp(option("--rounds", QStringLiteral("7")).toInt(), 1, 50);
    const QString grab = option("--grab", QString());

    QTemporaryDir dir;
    // "config.str" and the window placements live in the working folder.
    QDir::setCurrent(dir.path());
    QProcess sim;
    if (!startSim(sim)) {
        std::fprintf(stderr, "windowbench: veltsim did not start (%s)\n", VELTSIM_PATH);
        return 1;
    }
    Answers answers;
    Prompts::setInstance(&answers);

    TForm1 main;
    createWindows(main);
    std::mt19937 random(20240601);
    fillProject(main.model(), MaxRings, random);
    const QString project = dir.filePath(QStringLiteral("city.velt"));
    if (ProjectFile::save(main.model(), project)) {
        std::fprintf(stderr, "windowbench: cannot write %s\n", qPrintable(project));
        return 1;
    }
    Communic &c = main.communic();
    c.settings().setAddressText(QStringLiteral("127.000.000.011"));
    c.settings().udpPort = kPort;
    c.applySettings();
    main.show();
    if (args.contains(QStringLiteral("--console")))
        main.findChild<QAction *>(QStringLiteral("N22"))->trigger();
    main.findChild<QAction *>(QStringLiteral("N21"))->trigger();
    auto *window = main.findChild<TForm10 *>();
    auto *pages = window->findChild<QTabWidget *>(QStringLiteral("PageControl1"));
    pages->setCurrentIndex(args.contains(QStringLiteral("--tab-hidden")) ? 0 : pages->count() - 1);
    QCoreApplication::processEvents();

    QList<Timed> windowRounds, cliRounds;
    for (int round = 0; round < rounds; ++round) {
        windowRounds << windowUpload(main, *window, answers);
        cliRounds << cliUpload(project);
    }
    const Timed w = best(windowRounds);
    const Timed t = best(cliRounds);
    std::printf("4-ring upload with read-back to veltsim over UDP, best of %d rounds each\n",
                rounds);
    std::printf("  window \"%s\": %.0f ms (processor: %.0f ms, least %.0f ms)\n",
                qPrintable(ProjectTransfer::kUploadCaption), w.ms, w.cpuMs, leastCpu(windowRounds));
    std::printf("  velt-cli upload:                  %.0f ms (processor: %.0f ms, least %.0f ms)\n",
                t.ms, t.cpuMs, leastCpu(cliRounds));
    if (w.ms > 0 && t.ms > 0)
        std::printf("  window / velt-cli = %.2fx\n", w.ms / t.ms);
    const auto lines = [window](const char *name) {
        return window->findChild<QPlainTextEdit *>(QLatin1String(name))->blockCount();
    };
    std::printf("  lines shown: %d in the step log, %d in the packet log\n", lines("MemoStatus"),
                lines("MemoPackets"));
    if (!grab.isEmpty())
        window->grab().save(grab);

    Prompts::setInstance(nullptr);
    sim.terminate();
    sim.waitForFinished(5000);
    return w.ms > 0 && t.ms > 0 ? 0 : 1;
}
