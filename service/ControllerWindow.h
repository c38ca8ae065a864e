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
class LampList;
class RingModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

// The controller window: the running controller's state, its outputs, journal and clock, and
// the transfer of the project into its flash and back. Features leave short results in the
// status line at the bottom, next to "ОК".
class TForm10 : public QWidget, private Questions
{
    Q_OBJECT
public:
    TForm10(ControllerLink &link, RingModel &model, QWidget *parent = nullptr);

    [[nodiscard]] QString statusText() const;
    void setStatusText(const QString &text);
    // After a download the main window shows the new project.
    void setProjectReplaced(std::function<void()> hook);
    // Where the clock commands are echoed: the command console's log.
    void setConsoleLog(std::function<void(const QString &)> log);
    // The program is about to quit. False when it must wait: the controller is being taken
    // out of test mode, and `quitAgain` runs once that is done.
    bool mayQuit(std::function<void()> quitAgain);

    [[nodiscard]] ProjectTransfer &transfer() { return m_transfer; }
    [[nodiscard]] StateMonitor &monitor() { return m_monitor; }
    [[nodiscard]] OutputTest &outputTest() { return m_test; }
    [[nodiscard]] JournalReader &journal() { return m_journal; }
    [[nodiscard]] ClockService &clock() { return m_clock; }
    [[nodiscard]] InfoService &info() { return m_info; }
    // The tab of each feature, for the features that fill them.
    [[nodiscard]] QWidget *page(int index) const;

    void StopMonitor();

public slots:
    void ButtonOKClick();
    void SpeedButton1Click(bool down);
    void TrackBar1Change(int value);
    void Button3Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *buildStatePage();
    QWidget *buildTransferPage();
    bool ask(Question kind, const QString &caption, const QString &text) override;
    QCoro::Task<void> runTransfer(bool upload);
    // The closing message box, and the bar marked when the transfer failed.
    void showTransferResult(const TransferResult &result);
    void markProgressFailed(bool failed);
    void showDisplay(const MonitorDisplay &display);
    // The lamps of the ring on the slider, from the last poll and the open project.
    void showLamps();
    void showTransferState();
    [[nodiscard]] bool askLeaveTestMode();
    QCoro::Task<void> leaveTestMode(bool closePort, std::function<void()> then);

    ControllerLink &m_link;
    RingModel &m_model;
    ProjectTransfer m_transfer;
    std::function<void()> m_projectReplaced;
    StateMonitor m_monitor;
    OutputTest m_test;
    JournalReader m_journal;
    ClockService m_clock;
    InfoService m_info;
    ServiceHooks m_serviceHooks;
    bool m_quitAsked = false;

    QTabWidget *m_pages = nullptr;
    QLineEdit *m_status = nullptr;

    QToolButton *m_watch = nullptr;
    QSlider *m_ringBar = nullptr;
    QLabel *m_ringPanel = nullptr;
    QLabel *m_mode = nullptr;
    QLabel *m_program = nullptr;
    QLabel *m_singlePhase = nullptr;
    QLabel *m_programPhase = nullptr;
    QLabel *m_specialProgram = nullptr;
    QLabel *m_source = nullptr;
    QListWidget *m_red = nullptr;
    QListWidget *m_yellow = nullptr;
    QListWidget *m_green = nullptr;
    LampList *m_lamps = nullptr;
    QLabel *m_projectCheck = nullptr;
    MonitorDisplay m_display;

    QPushButton *m_upload = nullptr;
    QPushButton *m_download = nullptr;
    QCheckBox *m_verify = nullptr;
    QLabel *m_transferLabel = nullptr;
    QProgressBar *m_progress = nullptr;
    QPlainTextEdit *m_statusLog = nullptr;
    QPlainTextEdit *m_packetLog = nullptr;
};
