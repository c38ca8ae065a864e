#include "app/MainWindow.h"
#include "app/ProcessLimits.h"
#include "app/QtTranslations.h"
#include "app/VeltApplication.h"
#include "app/Windows.h"

int main(int argc, char **argv)
{
    ignoreFileSizeSignal();
    VeltApplication app(argc, argv);
    installQtTranslations(app);
    QCoreApplication::setApplicationName(QStringLiteral("Конфигуратор ВЕЛТ"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELT_VERSION));
    TForm1 form;
    createWindows(form);
    form.show();
    return app.exec();
}
