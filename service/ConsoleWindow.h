// Window "Командная консоль".
#pragma once

#include "service/LogBatch.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class ControllerLink;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct Reply;

// "Командная консоль": any text command to the controller, and every text the controller
// sends on the active link, whichever window's command it answers.
class TForm12 : public QWidget
{
    Q_OBJECT
public:
    // The log keeps this many lines; older ones scroll away.
    static constexpr int MaxLogLines = 5000;
    // A line keeps this many characters; a 64 KB datagram is cut, the cut marked.
    static constexpr int MaxLineChars = 2000;
    // How long received lines wait to be shown together.
    static constexpr int FlushMs = 16;
    // Logged before a command that could not be sent.
    static const QString kNotSent;

    explicit TForm12(ControllerLink &link, QWidget *parent = nullptr);

    void appendLog(const QString &text);

public slots:
    void Button1Click();             // "Послать"
    void ComboBox1Change(int index); // a command picked from the list
    void FormKeyPress();             // Enter anywhere in the window

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void reportUnsent(const Reply &reply, const QString &command);

    void flushLog();

    ControllerLink &m_link;
    QTimer m_flush;
    QLineEdit *m_command = nullptr;
    QComboBox *m_commands = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_send = nullptr;
    std::unique_ptr<LogBatch> m_lines;
};
