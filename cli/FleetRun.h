#pragma once

#include "cli/BackupFile.h"
#include "cli/FleetList.h"
#include "link/UdpHub.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <qcoro/qcorotask.h>

// Backs up, or uploads to, every controller of a list over UDP, at most `jobs` at a time.
// Each controller has a conversation of its own (its own link, one command in flight, the
// window's transfer with its probes, tries and checks); all of them listen through one
// receiver per port, which hands each datagram to the controller that sent it.
class FleetRun : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Backup, Upload };

    struct Options
    {
        Mode mode = Mode::Backup;
        int jobs = 8;
        int udpWaitRounds = 0; // 0: the firmware's wait
        bool verify = true;
        bool oneRing = false;
        bool acceptWarnings = false;
        bool allowFewerRings = false; // backups: a copy of more rings may be replaced
        QString directory;            // backups: DIR/name.velt
        // Uploads: the project file of each controller, by name.
        QHash<QString, QString> files;
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
    };

    FleetRun(const FleetList &list, Options options, QObject *parent = nullptr);

    QCoro::Task<void> run();

    [[nodiscard]] const QList<Result> &results() const { return m_results; }
    [[nodiscard]] int total() const { return int(m_results.size()); }
    [[nodiscard]] int finished() const { return m_finished; }
    [[nodiscard]] int running() const { return m_running; }
    [[nodiscard]] int failed() const;

signals:
    void controllerFinished(int index);
    void progressChanged();

private:
    QCoro::Task<void> worker();
    QCoro::Task<void> serve(int index);

    FleetList m_list;
    Options m_options;
    UdpHub m_hub;
    QList<Result> m_results;
    int m_next = 0;
    int m_running = 0;
    int m_finished = 0;
};
