#include "ui/Prompts.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {
Prompts g_default;
Prompts *g_current = &g_default;
QString g_startPath;

// Starts the dialog at the folder, or at the file, asked for, and remembers where it ended.
QString runFileDialog(QFileDialog &dialog)
{
    const QFileInfo start(g_startPath);
    if (start.isDir()) {
        dialog.setDirectory(g_startPath);
    } else if (!g_startPath.isEmpty()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    g_startPath = QFileInfo(chosen).absolutePath();
    return chosen;
}
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
    return runFileDialog(dialog);
}

QString Prompts::saveFileName(QWidget *parent, const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    return runFileDialog(dialog);
}

void Prompts::setStartPath(const QString &path)
{
    g_startPath = path;
}

QString Prompts::startPath()
{
    return g_startPath;
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
