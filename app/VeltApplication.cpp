#include "app/VeltApplication.h"

#include "ui/Prompts.h"

#include <exception>

VeltApplication::VeltApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool VeltApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        reportEscapedError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportEscapedError(QStringLiteral("Неизвестная ошибка"));
    }
    return false;
}

void reportEscapedError(const QString &what)
{
    showMessage(QApplication::activeWindow(), QStringLiteral("Ошибка"),
                QStringLiteral("Произошла ошибка: %1").arg(what), QMessageBox::Critical);
}
