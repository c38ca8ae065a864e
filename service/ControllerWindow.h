// Window "ДК".
#pragma once

#include "link/ProjectTransfer.h"
#include "service/ClockService.h"
#include "service/InfoService.h"
#include "service/JournalReader.h"
#include "service/OutputTest.h"
#include "service/StateMonitor.h"

#include <QWidget>

#include <functional>

class ControllerLink;
class QLineEdit;
class RingModel;
class StatePage;

// The controller window: the running controller's state, its outputs, journal and clock, and
// the transfer of the project into its flash and back. Features leave short results in the
// status line at the bottom, next to "ОК". The window is where the features reach the person:
// their signals are connected here once, and it answers their questions.
class TForm10 : public QWidget, private Questions
{
    Q_OBJECT
public:
    TForm10(ControllerLink &link, RingModel &model, QWidget *parent = nullptr);

    [[nodiscard]] QString statusText() const;
    void setStatusText(const QString &text);
    // The program is about to quit. False when it must wait: the controller is being taken
    // out of test mode, and `quitAgain` runs once that is done.
    bool mayQuit(std::function<void()> quitAgain);

    [[nodiscard]] ProjectTransfer &transfer() { return m_transfer; }
    [[nodiscard]] StateMonitor &monitor() { return m_monitor; }
    [[nodiscard]] OutputTest &outputTest() { return m_test; }
    [[nodiscard]] JournalReader &journal() { return m_journal; }
    [[nodiscard]] ClockService &clock() { return m_clock; }
    [[nodiscard]] InfoService &info() { return m_info; }

    void StopMonitor();

signals:
    // After a download the main window shows the new project.
    void projectReplaced();
    // A command sent on the engineer's behalf, for the command console's log.
    void commandLogged(const QString &command);

public slots:
    void ButtonOKClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool ask(Question kind, const QString &caption, const QString &text) override;
    [[nodiscard]] bool askLeaveTestMode();
    QCoro::Task<void> leaveTestMode(bool closePort, std::function<void()> then);

    ControllerLink &m_link;
    ProjectTransfer m_transfer;
    StateMonitor m_monitor;
    OutputTest m_test;
    JournalReader m_journal;
    ClockService m_clock;
    InfoService m_info;
    bool m_quitAsked = false;

    StatePage *m_state = nullptr;
    QLineEdit *m_status = nullptr;
};
