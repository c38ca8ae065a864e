#include "app/CommandLine.h"

#include <QCommandLineParser>

VeltCommandLine parseVeltCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Конфигуратор ВЕЛТ: проекты дорожного контроллера ДК."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Проект (.velt, .suso), открываемый при старте."),
                                 QStringLiteral("[FILE]"));
    VeltCommandLine line;
    // Qt's own options (-platform, -style ...) were taken out by the application already.
    if (!parser.parse(arguments)) {
        line.output = parser.errorText() + QLatin1Char('\n');
        line.exitCode = 2;
        return line;
    }
    if (parser.isSet(help)) {
        // Help is given before the application exists, which is what names the program.
        line.output =
            parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("velt"));
        line.exitCode = 0;
    } else if (parser.isSet(version)) {
        line.output = QStringLiteral("velt " VELT_VERSION "\n");
        line.exitCode = 0;
    } else if (parser.positionalArguments().size() > 1) {
        line.output = QStringLiteral("Можно открыть только один проект\n");
        line.exitCode = 2;
    } else if (!parser.positionalArguments().isEmpty()) {
        line.file = parser.positionalArguments().constFirst();
    }
    return line;
}
