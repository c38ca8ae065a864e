#pragma once

#include "link/ProjectTransfer.h"
#include "link/Questions.h"
#include "link/TransferResult.h"
#include "model/RingModel.h"

#include <QObject>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <memory>

class ControllerLink;

// One controller's transfer for the terminal: the window's own upload, download and
// read-back over a link the caller made, with the questions the window would put to the
// engineer answered up front and the transfer's result turned into the job's outcome.
class ControllerJob : public QObject, private Questions
{
    Q_OBJECT
public:
    struct Outcome
    {
        bool ok = false;
        // The window's closing message, or why it failed.
        QString message;
        // The transfer's status log, one line per step, as the window keeps it.
        QStringList log;
    };

    explicit ControllerJob(ControllerLink &link, QObject *parent = nullptr);
    // Works on `model`, which the caller keeps: the project an upload sends, or where a
    // download without a ring sink puts what it read. Many jobs may share one model.
    ControllerJob(ControllerLink &link, RingModel &model, QObject *parent = nullptr);
    ~ControllerJob() override;

    void setVerifyAfterUpload(bool on);
    // The answer to the question whether to write one ring to a controller without rings.
    void setOneRingAllowed(bool allowed) { m_oneRing = allowed; }
    void setWarningsAccepted(bool accepted) { m_acceptWarnings = accepted; }

    // What the transfer is doing, for a progress line.
    [[nodiscard]] QString label() const;
    // The project to upload; the transfer sends the rings of this model.
    [[nodiscard]] RingModel &model() { return m_model; }
    // See ProjectTransfer: shared sealed rings for uploads, a sink for downloads.
    void setSealedRings(const ProjectTransfer::SealedRings &rings);
    void setRingSink(ProjectTransfer::RingSink sink);

    QCoro::Task<Outcome> upload();
    // On success the controller's rings are in model().
    QCoro::Task<Outcome> download();
    // Downloads and compares every ring with `expected` as it would have been sent.
    QCoro::Task<Outcome> verify(const RingModel &expected);

    // How the project in the controller differs from `expected`; empty when it does not.
    [[nodiscard]] static QString difference(const RingModel &expected, const RingModel &read);
    // How ring `ring` read back differs from `sent` (sealed as an upload sends it); empty when
    // it does not.
    [[nodiscard]] static QString ringDifference(int ring, const RingData &sent,
                                                const RingData &back);
    [[nodiscard]] static QString ringCountDifference(int inFile, int inController);

signals:
    void progressChanged(int percent);

private:
    ControllerJob(ControllerLink &link, std::unique_ptr<RingModel> own, QObject *parent);
    // Nobody is there to answer: a script says beforehand which questions it answers Yes.
    bool ask(Question kind, const QString &caption, const QString &text) override;
    [[nodiscard]] Outcome outcome(const TransferResult &result) const;

    std::unique_ptr<RingModel> m_own;
    RingModel &m_model;
    ProjectTransfer *m_transfer = nullptr;
    bool m_oneRing = false;
    bool m_acceptWarnings = false;
};
