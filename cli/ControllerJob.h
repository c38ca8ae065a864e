#pragma once

#include "model/RingModel.h"

#include <QObject>
#include <QStringList>

#include <qcoro/qcorotask.h>

class ControllerLink;
class ProjectTransfer;

// One controller's transfer for the terminal: the window's own upload, download and
// read-back over a link the caller made, with the questions the window would put to the
// engineer answered up front and its message boxes turned into the job's outcome.
class ControllerJob : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        bool ok = false;
        // The window's closing message ("Проект успешно загружен!"), or why it failed.
        QString message;
        // The transfer's status log, one line per step, as the window keeps it.
        QStringList log;
    };

    explicit ControllerJob(ControllerLink &link, QObject *parent = nullptr);
    ~ControllerJob() override;

    void setVerifyAfterUpload(bool on);
    // The answer to "Не поддерживаются кольца. Грузим 1 кольцо?" on an old controller.
    void setOneRingAllowed(bool allowed) { m_oneRing = allowed; }
    void setWarningsAccepted(bool accepted) { m_acceptWarnings = accepted; }

    // The project to upload; the transfer sends the rings of this model.
    [[nodiscard]] RingModel &model() { return m_model; }

    QCoro::Task<Outcome> upload();
    // On success the controller's rings are in model().
    QCoro::Task<Outcome> download();
    // Downloads and compares every ring with `expected` as it would have been sent.
    QCoro::Task<Outcome> verify(const RingModel &expected);

    // How the project in the controller differs from `expected`; empty when it does not.
    [[nodiscard]] static QString difference(const RingModel &expected, const RingModel &read);

signals:
    void progressChanged(int percent);

private:
    QCoro::Task<Outcome> run(bool upload);
    [[nodiscard]] Outcome outcome() const;
    // Why a download the window counts as good lost rings on the way; empty when it did not.
    [[nodiscard]] QString lostRings(const QStringList &log) const;

    ControllerLink &m_link;
    RingModel m_model;
    ProjectTransfer *m_transfer = nullptr;
    bool m_oneRing = false;
    bool m_acceptWarnings = false;
    // What the window would have shown at the end.
    bool m_told = false;
    bool m_toldError = false;
    QString m_toldText;
    QString m_declined;
    bool m_openFailed = false;
    bool m_upload = false;
};
