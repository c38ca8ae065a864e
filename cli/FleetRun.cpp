#include "cli/FleetRun.h"

#include "cli/ControllerJob.h"
#include "cli/FlashGlance.h"
#include "cli/FleetLimits.h"
#include "link/ControllerLink.h"
#include "link/SerialTransport.h"
#include "link/UdpPeer.h"
#include "model/ProjectFile.h"

#include <QDir>

#include <qcoro/qcorotimer.h>

#include <chrono>

#include <algorithm>
#include <vector>

FleetRun::FleetRun(const FleetList &list, Options options, QObject *parent)
    : QObject(parent), m_list(list), m_options(std::move(options))
{
    m_options.jobs = m_options.jobs > 0 ? m_options.jobs
                                        : FleetLimits::defaultJobs(int(m_list.controllers.size()));
    m_started.assign(std::size_t(m_list.controllers.size()), -1);
    m_clock.start();
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

int FleetRun::slowest(qint64 *ms) const
{
    int index = -1;
    qint64 earliest = 0;
    for (std::size_t i = 0; i < m_started.size(); ++i) {
        if (m_started[i] >= 0 && (index < 0 || m_started[i] < earliest)) {
            index = int(i);
            earliest = m_started[i];
        }
    }
    if (ms)
        *ms = index < 0 ? 0 : m_clock.elapsed() - earliest;
    return index;
}

std::shared_ptr<FleetRun::Shared> FleetRun::project(const QString &file, QString *error)
{
    if (const auto known = m_projects.constFind(file); known != m_projects.cend())
        return *known;
    auto shared = std::make_shared<Shared>();
    const ProjectFile::OpenResult opened = ProjectFile::open(shared->model, file);
    if (!opened.ok() || opened.ringsRead == 0) {
        *error = opened.ok() ? QStringLiteral("в файле \"%1\" нет ни одного кольца").arg(file)
                             : opened.error;
        return nullptr;
    }
    // The file as its own opening leaves the model: every store fixed up, ring 1 current.
    // Each upload sends these copies and compares the read-back with them.
    for (int r = 0; r < shared->model.ringCount(); ++r) {
        auto sealed = std::make_shared<RingData>(shared->model.store(r));
        RingModel::SealForController(*sealed);
        shared->sealed[std::size_t(r)] = std::move(sealed);
    }
    m_projects.insert(file, shared);
    return shared;
}

QCoro::Task<void> FleetRun::run()
{
    // Every job shares this thread; one that falls behind only answers later, since a wait
    // reads what has arrived before it gives up. The first commands go out in steps, so that
    // thousands of them do not meet the receive buffers (the controllers' and ours) in one
    // burst.
    std::vector<QCoro::Task<void>> workers;
    const int count = std::min(m_options.jobs, total());
    workers.reserve(std::size_t(std::max(0, count)));
    for (int started = 0; started < count; ++started) {
        if (started > 0 && started % kStartStep == 0)
            co_await QCoro::sleepFor(std::chrono::milliseconds(kStartGapMs));
        workers.push_back(worker());
    }
    for (auto &task : workers)
        co_await task;
    m_hub.closeAll();
}

QCoro::Task<void> FleetRun::worker()
{
    while (m_next < total()) {
        const int index = m_next++;
        ++m_running;
        m_started[std::size_t(index)] = m_clock.elapsed();
        emit progressChanged();
        co_await serve(index);
        m_started[std::size_t(index)] = -1;
        m_failed += m_results[index].ok ? 0 : 1;
        --m_running;
        ++m_finished;
        emit controllerFinished(index);
        emit progressChanged();
    }
}

QCoro::Task<ControllerJob::Outcome> FleetRun::recount(ControllerLink &link, int read,
                                                      ControllerJob::Outcome outcome)
{
    // The download ends at the first ring whose checksum fails and calls a ring that starts
    // with zeros erased. An answer that came too late for its own command and was taken for
    // the next one can make a held ring look like that (many packets of the programs block
    // are zeros), and the copy would silently lack a ring. One more look at the ring after the
    // last one read tells an erased ring from a misread one.
    if (read >= MaxRings)
        co_return outcome;
    const FlashGlance::Seen seen = co_await FlashGlance::look(link, 0);
    if (seen.answered && !seen.lost && seen.held > read) {
        outcome.ok = false;
        outcome.message = QStringLiteral("ДК хранит колец: %1, прочитано %2; копия не сохранена")
                              .arg(seen.held)
                              .arg(read);
    }
    co_return outcome;
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
    if (m_options.mode == Mode::Custom) {
        co_await m_options.job(controller, link, result);
        peer->close();
        co_return;
    }
    if (!m_blank)
        m_blank = std::make_unique<RingModel>();
    std::shared_ptr<Shared> shared;
    if (m_options.mode == Mode::Upload) {
        result.file = m_options.files.value(controller.name);
        shared = project(result.file, &result.message);
        if (!shared) {
            peer->close();
            co_return;
        }
    }
    // Every job of a file shares its project and its sealed rings; a backup writes each ring
    // to its new file as soon as it is read and keeps none.
    ControllerJob job(link, shared ? shared->model : *m_blank);
    job.setVerifyAfterUpload(m_options.verify);
    job.setOneRingAllowed(m_options.oneRing);
    job.setWarningsAccepted(m_options.acceptWarnings);

    ControllerJob::Outcome outcome;
    const QString path =
        QDir(m_options.directory).filePath(controller.name + QStringLiteral(".velt"));
    BackupFile backup(path, m_options.allowFewerRings);
    if (m_options.mode == Mode::Upload) {
        job.setSealedRings(shared->sealed);
        outcome = co_await job.upload();
    } else {
        job.setRingSink([&backup](int, RingData &ring) { return backup.add(ring); });
        outcome = co_await job.download();
    }
    if (!backup.error().isEmpty()) {
        // The controller was read, the disk refused: no copy, and the old one stays.
        outcome.ok = false;
        outcome.message = backup.error();
    }
    if (m_options.mode == Mode::Backup && outcome.ok)
        outcome = co_await recount(link, backup.rings(), std::move(outcome));
    // Nothing more is heard from this controller: a late answer goes nowhere.
    peer->close();
    result.ok = outcome.ok;
    result.message = outcome.message;
    result.log = outcome.log;
    if (m_options.mode == Mode::Upload || !outcome.ok)
        co_return;

    result.file = path;
    QString error;
    result.backup = backup.finish(&error);
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
