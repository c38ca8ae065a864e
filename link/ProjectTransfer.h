#pragma once

#include "link/FlashPackets.h"
#include "link/Reply.h"
#include "link/TransferResult.h"
#include "model/Structures.h"

#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

#include <array>
#include <functional>
#include <memory>

class ControllerLink;
class RingModel;

// Puts the project into the controller's flash ("Загрузить проект в ДК") and reads it back
// ("Выгрузить проект из ДК"), ring by ring, in hexadecimal packets. The controller window is a
// thin view over it: it starts and cancels, shows the logs, the progress and the busy state
// this object announces, and the result each transfer returns.
class ProjectTransfer : public QObject
{
    Q_OBJECT
public:
    using CommandSet = FlashPackets::CommandSet;
    using Block = FlashPackets::Block;

    static constexpr int ProjectTries = 7;
    static constexpr int ProgramsTries = 5;
    static constexpr int ProbeTries = 7;

    // Tries of "get ver": one lost answer must not turn a ring-aware controller into an old one.
    static constexpr int VersionTries = 3;

    ProjectTransfer(ControllerLink &link, RingModel &model, QObject *parent = nullptr);
    ~ProjectTransfer() override;

    // Who answers the questions; without one every question is answered No.
    void setQuestions(Questions *questions) { m_questions = questions; }

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

    // The rings an upload sends, already sealed for the controller, shared by many transfers
    // of one project (a fleet); without them each upload seals copies of the model's stores.
    using SealedRings = std::array<std::shared_ptr<const RingData>, MaxRings>;
    void setSealedRings(SealedRings rings) { m_sealed = std::move(rings); }
    // Where a download puts each ring whose checksums hold, as soon as it is read, instead of
    // keeping it for the model: the model is then left as it was. The sink may change the
    // ring it is given (it is the transfer's read buffer); false stops the download there.
    using RingSink = std::function<bool(int ring, RingData &data)>;
    void setRingSink(RingSink sink) { m_sink = std::move(sink); }

    // Each returns NotStarted while a transfer, or the tail of a cancelled one, holds the link.
    QCoro::Task<TransferResult> upload();
    // A download replaces the project's rings with the good rings read.
    QCoro::Task<TransferResult> download();
    // Ends whatever transfer runs; its result then says so.
    void cancel();

    // The steps, usable only inside a running transfer.
    QCoro::Task<int> ProbeCommandSet();
    QCoro::Task<void> WriteRing(int ring);
    QCoro::Task<void> EraseRing(int ring);
    QCoro::Task<void> ReadRing(int ring);
    // The blocks of the last ReadRing.
    [[nodiscard]] const RingData &received() const { return receivedBuffer(); }

    static const QString kUploadCaption;
    static const QString kDownloadCaption;
    static const QString kCancelCaption;

signals:
    // No poll may go out between the packets.
    void monitorStopRequested();
    // A download replaced the stores: the main window shows the new project.
    void projectReplaced();
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

    QCoro::Task<void> uploadSteps(int run);
    QCoro::Task<void> downloadSteps(int run);
    // "get ver" with its tries; true when the controller keeps rings.
    QCoro::Task<bool> ringAware(int run);
    QCoro::Task<bool> verifyRing(int ring, const RingData &sent);
    // Sends one packet's write with up to `tries` tries; false when none was acknowledged or
    // the transfer was cancelled. `index` is the packet's number within the ring.
    QCoro::Task<bool> writePacket(CommandSet set, Block block, int ring, std::size_t offset,
                                  std::span<const std::uint8_t> data, int tries, int index);
    // Reads a whole block into `out`; a packet that could not be read is noted in m_result.
    // With `expected`, each packet is compared with it as it arrives and none is kept (`out`
    // is not used): `mismatch` gets the block offset of the first byte that differs.
    QCoro::Task<bool> readBlock(Block block, int ring, std::span<std::uint8_t> out,
                                std::span<const std::uint8_t> expected = {},
                                std::size_t *mismatch = nullptr);
    QCoro::Task<void> writeSealed(int ring, const RingData &sealed);
    // The ring `ring` sealed as the upload sends it.
    [[nodiscard]] std::shared_ptr<const RingData> sealedRing(int ring) const;
    // Allocated at the first read: an upload never needs one.
    [[nodiscard]] RingData &receivedBuffer() const;

    // A fresh status log, the monitor stopped, the link opened.
    bool prepareLink();
    void begin(bool upload);
    void finish(int run);
    void cancelRequest();
    [[nodiscard]] bool alive(int run) const { return run == m_run && busy(); }
    void logStatus(const QString &line);
    void logPacket(const QString &line);
    void logPacketNumber(int number);
    void setLabel(const QString &text);
    void startProgress(int maximum);
    void step();
    void setFull();
    // The whole-project check before anything is sent: errors stop the upload, warnings are
    // put to the user.
    bool projectPassesCheck();
    bool ask(Question kind, const QString &caption, const QString &text);
    // The closing message box of the running transfer.
    void close(TransferResult::Outcome outcome, const QString &caption, const QString &message,
               TransferResult::Severity severity);
    // Where a packet failed, and why, until the script reports it.
    void noteFailure(int ring, int index, bool answered);
    // The status log line naming the failure noted, `what` saying what was left undone.
    void logFailure(const QString &what);
    // The ring last read is erased, where a project of fewer rings ends, rather than read
    // wrong.
    [[nodiscard]] bool receivedRingErased() const;

    ControllerLink &m_link;
    RingModel &m_model;
    Questions *m_questions = nullptr;
    TransferResult m_result;
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
    mutable std::unique_ptr<RingData> m_received;
    SealedRings m_sealed;
    RingSink m_sink;
};
