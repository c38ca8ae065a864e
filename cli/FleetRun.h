#pragma once

#include "cli/BackupFile.h"
#include "cli/ControllerJob.h"
#include "cli/FleetList.h"
#include "link/ProjectTransfer.h"
#include "link/UdpHub.h"
#include "model/RingModel.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <vector>

class ControllerLink;

// Backs up, or uploads to, every controller of a list over UDP, at most `jobs` at a time (by
// default every controller at once, as far as the machine allows: FleetLimits). Other fleet
// commands bring their own conversation with each controller (Mode::Custom).
// Each controller has a conversation of its own (its own link, one command in flight, the
// window's transfer with its probes, tries and checks); all of them listen through one
// receiver per port, which hands each datagram to the controller that sent it.
class FleetRun : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Backup, Upload, Custom };
    struct Result;
    // One controller's conversation over a link made for it; it fills the result.
    using Job =
        std::function<QCoro::Task<void>(const FleetList::Controller &, ControllerLink &, Result &)>;

    struct Options
    {
        Mode mode = Mode::Backup;
        int jobs = 0;          // 0: as many as the machine allows
        int udpWaitRounds = 0; // 0: the firmware's wait
        bool verify = true;
        bool oneRing = false;
        bool acceptWarnings = false;
        bool allowFewerRings = false; // backups: a copy of more rings may be replaced
        QString directory;            // backups: DIR/name.velt
        // Uploads: the project file of each controller, by name.
        QHash<QString, QString> files;
        Job job; // Mode::Custom
    };

    struct Result
    {
        QString name;
        QString address;
        bool ok = false;
        QString message;
        QString file;
        BackupFile::Result backup = BackupFile::Result::Failed;
        QStringList log;
        // What a custom job found, for its own output.
        QJsonObject data;
    };

    FleetRun(const FleetList &list, Options options, QObject *parent = nullptr);

    QCoro::Task<void> run();

    [[nodiscard]] const QList<Result> &results() const { return m_results; }
    [[nodiscard]] int total() const { return int(m_results.size()); }
    [[nodiscard]] int finished() const { return m_finished; }
    [[nodiscard]] int running() const { return m_running; }
    [[nodiscard]] int failed() const;
    // Finished without success so far.
    [[nodiscard]] int failedSoFar() const { return m_failed; }
    [[nodiscard]] int jobs() const { return m_options.jobs; }
    // The controller in work for the longest time, and for how many milliseconds; -1 when
    // none is in work.
    [[nodiscard]] int slowest(qint64 *ms = nullptr) const;

signals:
    void controllerFinished(int index);
    void progressChanged();

private:
    QCoro::Task<void> worker();
    QCoro::Task<void> serve(int index);
    QCoro::Task<ControllerJob::Outcome> recount(ControllerLink &link, int read,
                                                ControllerJob::Outcome outcome);
    // The project of an upload's file with its rings sealed for the controller, read once
    // however many controllers get it.
    struct Shared
    {
        RingModel model;
        ProjectTransfer::SealedRings sealed;
    };
    [[nodiscard]] std::shared_ptr<Shared> project(const QString &file, QString *error);

    FleetList m_list;
    Options m_options;
    UdpHub m_hub;
    QList<Result> m_results;
    int m_next = 0;
    int m_running = 0;
    int m_finished = 0;
    int m_failed = 0;
    // The first commands go out this many at a time, this far apart.
    static constexpr int kStartStep = 64;
    static constexpr int kStartGapMs = 10;
    QElapsedTimer m_clock;
    std::vector<qint64> m_started; // per controller; -1 when not in work
    QHash<QString, std::shared_ptr<Shared>> m_projects;
    // What a backup's transfer is given as its project: with a ring sink it stays untouched.
    std::unique_ptr<RingModel> m_blank;
};
