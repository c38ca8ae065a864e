#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every modal question and file dialog of the program goes through here, so that tests can
// answer them; the production path is the real QMessageBox and QFileDialog.
class Prompts
{
public:
    virtual ~Prompts() = default;

    virtual QMessageBox::StandardButton ask(QWidget *parent, const QString &caption,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon);
    // An empty result means the dialog was cancelled.
    virtual QString openFileName(QWidget *parent, const QString &filter);
    virtual QString saveFileName(QWidget *parent, const QString &filter,
                                 const QString &defaultSuffix);

    // Where the next file dialog starts: a folder, or a file to propose (Save). The dialogs
    // put the folder of the file chosen here afterwards.
    static void setStartPath(const QString &path);
    [[nodiscard]] static QString startPath();

    [[nodiscard]] static Prompts &instance();
    // Tests put their own answers in place; nullptr restores the real dialogs.
    static void setInstance(Prompts *prompts);
};

// Shorthands for the common shapes of message.
void showMessage(QWidget *parent, const QString &caption, const QString &text,
                 QMessageBox::Icon icon = QMessageBox::Information);
[[nodiscard]] QMessageBox::StandardButton askQuestion(QWidget *parent, const QString &caption,
                                                      const QString &text,
                                                      QMessageBox::StandardButtons buttons);
