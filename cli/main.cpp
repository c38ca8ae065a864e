// The configurator without windows: project files examined from a terminal or a script.

#include "cli/Commands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velt-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELT_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = Commands::run(app.arguments().sliced(1), out, err);
    out.flush();
    err.flush();
    return status;
}
