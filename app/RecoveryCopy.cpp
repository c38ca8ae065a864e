#include "app/RecoveryCopy.h"

#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kPrefix = QStringLiteral("recovery-");

QString lockPathOf(const QString &copyPath)
{
    return copyPath.left(copyPath.size() - 5) + QStringLiteral(".lock");
}

QString namePathOf(const QString &copyPath)
{
    return copyPath.left(copyPath.size() - 5) + QStringLiteral(".name");
}

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

RecoveryCopy::RecoveryCopy(const QString &folder)
    : m_folder(folder),
      // The start time as well: after a power cut a new process may get a dead one's id.
      m_name(QStringLiteral("%1-%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(QDateTime::currentMSecsSinceEpoch()))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                   QStringLiteral("/recovery");
}

RecoveryCopy::~RecoveryCopy() = default;

QString RecoveryCopy::copyPath() const
{
    return m_folder + QLatin1Char('/') + kPrefix + m_name + QStringLiteral(".velt");
}

bool RecoveryCopy::write(const RingModel &model)
{
    if (!QDir().mkpath(m_folder))
        return false;
    const QString path = copyPath();
    if (!m_lock) {
        m_lock = std::make_unique<QLockFile>(lockPathOf(path));
        // Only a lock whose process is gone is stale, however long this one runs.
        m_lock->setStaleLockTime(0);
        if (!m_lock->tryLock(0)) {
            m_lock.reset();
            return false;
        }
    }
    // The working copy is the current ring's newest state; the stores hold the others.
    RingModel snapshot;
    for (int r = 0; r < model.ringCount(); ++r)
        snapshot.store(r) = r == model.currentRing() ? model.working() : model.store(r);
    snapshot.setRingCount(model.ringCount());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !ProjectFile::writeRings(snapshot, file) ||
        !file.commit())
        return false;
    return writeAtomically(namePathOf(path), model.fileName().toUtf8());
}

void RecoveryCopy::remove()
{
    if (!m_lock)
        return;
    const QString path = copyPath();
    QFile::remove(path);
    QFile::remove(namePathOf(path));
    m_lock->unlock();
    m_lock.reset();
}

std::vector<RecoveryCopy::Orphan> RecoveryCopy::orphans() const
{
    std::vector<Orphan> found;
    const QDir dir(m_folder);
    const QStringList copies =
        dir.entryList({kPrefix + QStringLiteral("*.velt")}, QDir::Files, QDir::Name);
    for (const QString &name : copies) {
        const QString path = dir.filePath(name);
        if (path == copyPath())
            continue;
        QLockFile lock(lockPathOf(path));
        lock.setStaleLockTime(0);
        // A lock that cannot be taken belongs to a configurator that is still running.
        if (!lock.tryLock(0))
            continue;
        QFile nameFile(namePathOf(path));
        Orphan orphan{path, {}, QFileInfo(path).lastModified()};
        if (nameFile.open(QIODevice::ReadOnly))
            orphan.fileName = QString::fromUtf8(nameFile.readAll());
        found.push_back(orphan);
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool RecoveryCopy::restore(const Orphan &orphan, RingModel &model) const
{
    const ProjectFile::OpenResult result = ProjectFile::open(model, orphan.copyPath);
    if (!result.ok() || result.ringsRead == 0)
        return false;
    model.setFileName(orphan.fileName);
    model.setModified(true);
    discard(orphan);
    return true;
}

void RecoveryCopy::discard(const Orphan &orphan) const
{
    QFile::remove(orphan.copyPath);
    QFile::remove(namePathOf(orphan.copyPath));
    QFile::remove(lockPathOf(orphan.copyPath));
}
