#include "cli/FleetRun.h"

#include "cli/ControllerJob.h"
#include "link/ControllerLink.h"
#include "link/SerialTransport.h"
#include "link/UdpPeer.h"
#include "model/ProjectFile.h"

#include <QDir>

#include <algorithm>
#include <vector>

FleetRun::FleetRun(const FleetList &list, Options options, QObject *parent)
    : QObject(parent), m_list(list), m_options(std::move(options))
{
    m_options.jobs = std::max(1, m_options.jobs);
    for (const FleetList::Controller &controller : m_list.controllers) {
        Result result;
        result.name = controller.name;
        result.address = controller.address.text();
        m_results.append(result);
    }
}

int FleetRun::failed() const
{
    return int(
        std::count_if(m_results.cbegin(), m_results.cend(), [](const Result &r) { return !r.ok; }));
}

QCoro::Task<void> FleetRun::run()
{
    std::vector<QCoro::Task<void>> workers;
    const int count = std::min(m_options.jobs, total());
    for (int j = 0; j < count; ++j)
        workers.push_back(worker());
    for (auto &task : workers)
        co_await task;
    m_hub.closeAll();
}

QCoro::Task<void> FleetRun::worker()
{
    while (m_next < total()) {
        const int index = m_next++;
        ++m_running;
        emit progressChanged();
        co_await serve(index);
        --m_running;
        ++m_finished;
        emit controllerFinished(index);
        emit progressChanged();
    }
}

QCoro::Task<void> FleetRun::serve(int index)
{
    const FleetList::Controller &controller = m_list.controllers[index];
    Result &result = m_results[index];
    UdpPeer *const peer = m_hub.peer(controller.address.address, controller.address.port);
    if (!peer || !peer->open()) {
        result.message = QStringLiteral("Не удалось открыть порт UDP %1: %2")
                             .arg(controller.address.port)
                             .arg(m_hub.errorString());
        co_return;
    }
    // Never opened: it only fills the serial half of the link, which is not used here.
    SerialTransport serial;
    ControllerLink link(serial, *peer);
    link.setLinkType(LinkKind::Ethernet);
    if (m_options.udpWaitRounds > 0)
        link.setUdpWaitRounds(m_options.udpWaitRounds);
    ControllerJob job(link);
    job.setVerifyAfterUpload(m_options.verify);
    job.setOneRingAllowed(m_options.oneRing);
    job.setWarningsAccepted(m_options.acceptWarnings);

    ControllerJob::Outcome outcome;
    if (m_options.mode == Mode::Upload) {
        result.file = m_options.files.value(controller.name);
        const ProjectFile::OpenResult opened = ProjectFile::open(job.model(), result.file);
        if (!opened.ok() || opened.ringsRead == 0) {
            result.message =
                opened.ok() ? QStringLiteral("в файле \"%1\" нет ни одного кольца").arg(result.file)
                            : opened.error;
            peer->close();
            co_return;
        }
        outcome = co_await job.upload();
    } else {
        outcome = co_await job.download();
    }
    // Nothing more is heard from this controller: a late answer goes nowhere.
    peer->close();
    result.ok = outcome.ok;
    result.message = outcome.message;
    result.log = outcome.log;
    if (m_options.mode == Mode::Upload || !outcome.ok)
        co_return;

    result.file = QDir(m_options.directory).filePath(controller.name + QStringLiteral(".velt"));
    QString error;
    result.backup = BackupFile::write(job.model(), result.file, &error, m_options.allowFewerRings);
    switch (result.backup) {
    case BackupFile::Result::Written:
        result.message += QStringLiteral("; сохранено в ") + result.file;
        break;
    case BackupFile::Result::Unchanged:
        result.message += QStringLiteral("; без изменений, ") + result.file;
        break;
    case BackupFile::Result::Failed:
        result.ok = false;
        result.message = error;
        break;
    }
}
