#include "ui/Prompts.h"

#include <QFileDialog>

namespace {
Prompts g_default;
Prompts *g_current = &g_default;
} // namespace

QMessageBox::StandardButton Prompts::ask(QWidget *parent, const QString &caption,
                                         const QString &text, QMessageBox::StandardButtons buttons,
                                         QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString Prompts::openFileName(QWidget *parent, const QString &filter)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString Prompts::saveFileName(QWidget *parent, const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

Prompts &Prompts::instance()
{
    return *g_current;
}

void Prompts::setInstance(Prompts *prompts)
{
    g_current = prompts ? prompts : &g_default;
}

void showMessage(QWidget *parent, const QString &caption, const QString &text,
                 QMessageBox::Icon icon)
{
    Prompts::instance().ask(parent, caption, text, QMessageBox::Ok, icon);
}

QMessageBox::StandardButton askQuestion(QWidget *parent, const QString &caption,
                                        const QString &text, QMessageBox::StandardButtons buttons)
{
    return Prompts::instance().ask(parent, caption, text, buttons, QMessageBox::Question);
}
