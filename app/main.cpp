#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/ProcessLimits.h"
#include "app/QtTranslations.h"
#include "app/TerminationSignals.h"
#include "app/VeltApplication.h"
#include "app/WindowMemory.h"
#include "app/Windows.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    ignoreFileSizeSignal();
    // Help and version are printed before the window system starts, so that they work without
    // a display; everything else is read once Qt has taken out its own options.
    QStringList early;
    for (int i = 0; i < argc; ++i)
        early << QString::fromLocal8Bit(argv[i]);
    const auto print = [](const VeltCommandLine &line) {
        std::fputs(line.output.toLocal8Bit().constData(), line.exitCode == 0 ? stdout : stderr);
        return line.exitCode;
    };
    for (const char *asked : {"-h", "--help", "--help-all", "-v", "--version"})
        if (early.contains(QLatin1String(asked)))
            return print(parseVeltCommandLine(early));
    VeltApplication app(argc, argv);
    const VeltCommandLine line = parseVeltCommandLine(app.arguments());
    if (line.exits())
        return print(line);
    installQtTranslations(app);
    keepWindowsOnScreen(app);
    QCoreApplication::setOrganizationName(QStringLiteral("velt"));
    QCoreApplication::setApplicationName(QStringLiteral("Конфигуратор ВЕЛТ"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELT_VERSION));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("velt"), QIcon(QStringLiteral(":/velt.svg"))));
    TForm1 form;
    createWindows(form);
    // Logout, shutdown or Ctrl+C ask the close question like the window's own close button.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &form, [&form] {
        form.show();
        form.raise();
        form.close();
    });
    form.restoreSession();
    form.enableRecovery();
    form.show();
    QTimer::singleShot(0, &form, [&form, file = line.file] {
        form.offerRecovery();
        if (!file.isEmpty())
            form.openProject(file);
    });
    return app.exec();
}
