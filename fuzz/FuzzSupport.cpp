#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

void fuzzApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "velt-fuzz";
    static char *argv[] = {name, nullptr};
    // Lives until exit: the targets keep objects that need it between inputs.
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
}

QString fuzzFolder()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/velt-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/velt-fuzz-XXXXXX"));
    return dir.path();
}
