#pragma once

#include "link/FlashPackets.h"
#include "link/Reply.h"
#include "model/Structures.h"

#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>

class ControllerLink;
class RingModel;

// Puts the project into the controller's flash ("Загрузить проект в ДК") and reads it back
// ("Выгрузить проект из ДК"), ring by ring, in hexadecimal packets. The controller window is a
// thin view over it: it forwards the two button clicks and shows the logs, the progress and
// the busy state this object announces.
class ProjectTransfer : public QObject
{
    Q_OBJECT
public:
    using CommandSet = FlashPackets::CommandSet;
    using Block = FlashPackets::Block;

    static constexpr int ProjectTries = 7;
    static constexpr int ProgramsTries = 5;
    static constexpr int ProbeTries = 7;

    // What the transfer needs from the windows around it. Every hook may be left empty.
    struct Hooks
    {
        // A modal question with Yes and No; true for Yes.
        std::function<bool(const QString &caption, const QString &text)> askYesNo;
        // A modal message with OK.
        std::function<void(const QString &caption, const QString &text, bool error)> tell;
        std::function<void()> stopMonitor;
        // The stores were replaced by a download: the main window shows the new project.
        std::function<void()> projectReplaced;
    };

    ProjectTransfer(ControllerLink &link, RingModel &model, QObject *parent = nullptr);
    ~ProjectTransfer() override;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    [[nodiscard]] bool uploadBusy() const { return m_uploadBusy; }
    [[nodiscard]] bool downloadBusy() const { return m_downloadBusy; }
    [[nodiscard]] bool busy() const { return m_uploadBusy || m_downloadBusy; }
    // A transfer's script is still winding down (it may outlive a cancel by one command).
    [[nodiscard]] bool running() const { return m_running > 0; }
    [[nodiscard]] CommandSet commandSet() const { return m_commandSet; }
    [[nodiscard]] bool projectDone() const { return m_projectDone; }
    [[nodiscard]] bool programsDone() const { return m_programsDone; }
    [[nodiscard]] int progressMaximum() const { return m_progressMax; }
    [[nodiscard]] int progressCount() const { return m_progressCount; }
    [[nodiscard]] int progressPercent() const;
    [[nodiscard]] const QString &label() const { return m_label; }
    [[nodiscard]] const QStringList &statusLog() const { return m_statusLog; }

    // Read every uploaded ring back and compare it with what was sent.
    [[nodiscard]] bool verifyAfterUpload() const { return m_verify; }
    void setVerifyAfterUpload(bool on) { m_verify = on; }

    // The two buttons: idle, a click starts the transfer; busy, it cancels it.
    QCoro::Task<void> Button3Click();
    QCoro::Task<void> Button2Click();
    // Ends whatever transfer runs, as its button would (the window is closing).
    void cancel();

    // The steps, usable only inside a running transfer.
    QCoro::Task<int> ProbeCommandSet();
    QCoro::Task<void> WriteRing(int ring);
    QCoro::Task<void> EraseRing(int ring);
    QCoro::Task<void> ReadRing(int ring);
    // The blocks of the last ReadRing.
    [[nodiscard]] const RingData &received() const { return *m_received; }

    static const QString kUploadCaption;
    static const QString kDownloadCaption;
    static const QString kCancelCaption;

signals:
    void busyChanged();
    void statusCleared();
    void statusLogged(const QString &line);
    void packetLogged(const QString &line);
    void progressChanged(int percent);
    void labelChanged(const QString &text);

private:
    // One script from its start to its end, whichever way it ends.
    struct RunGuard
    {
        RunGuard(ProjectTransfer &transfer, bool upload);
        ~RunGuard();
        ProjectTransfer &self;
        int run = 0;
    };

    QCoro::Task<void> click(bool upload);
    QCoro::Task<void> upload();
    QCoro::Task<void> download();
    QCoro::Task<bool> verifyRing(int ring, const RingData &sent);
    // Sends one packet's write with up to `tries` tries; false when none was acknowledged or
    // the transfer was cancelled.
    QCoro::Task<bool> writePacket(CommandSet set, Block block, int ring, std::size_t offset,
                                  std::span<const std::uint8_t> data, int tries);
    // Reads a whole block into `out`; `failedAt` gets the offset of a packet that could not be
    // read.
    QCoro::Task<bool> readBlock(Block block, int ring, std::span<std::uint8_t> out,
                                std::size_t *failedAt = nullptr);

    // A fresh status log, the monitor stopped, the link opened.
    bool prepareLink();
    void begin(bool upload);
    void finish(int run);
    void cancelRequest();
    [[nodiscard]] bool alive(int run) const { return run == m_run && busy(); }
    void logStatus(const QString &line);
    void logPacket(const QString &line);
    void setLabel(const QString &text);
    void startProgress(int maximum);
    void step();
    void setFull();
    // The whole-project check before anything is sent: errors stop the upload, warnings are
    // put to the user.
    bool projectPassesCheck();
    bool ask(const QString &caption, const QString &text);
    void tell(const QString &caption, const QString &text, bool error);

    ControllerLink &m_link;
    RingModel &m_model;
    Hooks m_hooks;
    bool m_uploadBusy = false;
    bool m_downloadBusy = false;
    bool m_verify = true;
    int m_run = 0;     // a cancel or a new start makes an older script's checks fail
    int m_running = 0; // scripts not yet ended
    CommandSet m_commandSet = CommandSet::None;
    bool m_projectDone = false;
    bool m_programsDone = false;
    int m_progressMax = 1;
    int m_progressCount = 0;
    QString m_label;
    QStringList m_statusLog;
    std::unique_ptr<RingData> m_received;
};
