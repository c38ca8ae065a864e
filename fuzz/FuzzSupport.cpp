#include "FuzzSupport.h"

#include <QCoreApplication>

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
