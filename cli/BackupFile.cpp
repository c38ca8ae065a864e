#include "cli/BackupFile.h"

#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

BackupFile::BackupFile(QString path, bool allowFewerRings)
    : m_path(std::move(path)), m_allowFewerRings(allowFewerRings)
{
}

BackupFile::~BackupFile() = default;

bool BackupFile::fail(const QString &why)
{
    m_error = why;
    if (m_file)
        m_file->cancelWriting();
    return false;
}

bool BackupFile::refused()
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(m_path).constData(), &status) == 0) {
        if (S_ISREG(status.st_mode))
            return false;
        return !fail(QStringLiteral("\"%1\" - не обычный файл (символическая ссылка, канал или "
                                    "устройство): копия не записана")
                         .arg(m_path));
    }
    if (errno == ENOENT)
        return false;
    return !fail(
        QStringLiteral("Не удалось проверить \"%1\": %2").arg(m_path, qt_error_string(errno)));
}

bool BackupFile::holds(int ring, const RingData &sealed) const
{
    QFile existing;
    if (ProjectFile::openRegular(existing, m_path) || !existing.seek(qint64(RingRecordSize) * ring))
        return false;
    const QByteArray project = existing.read(qint64(sealed.project.size()));
    const QByteArray programs = existing.read(qint64(sealed.programs.size()));
    return project.size() == qsizetype(sealed.project.size()) &&
           programs.size() == qsizetype(sealed.programs.size()) &&
           std::memcmp(project.constData(), sealed.project.data(), sealed.project.size()) == 0 &&
           std::memcmp(programs.constData(), sealed.programs.data(), sealed.programs.size()) == 0;
}

bool BackupFile::add(RingData &ring)
{
    if (!m_error.isEmpty())
        return false;
    if (!m_file) {
        // QSaveFile would write through a link; nothing is created beside one.
        if (refused())
            return false;
        m_file = std::make_unique<QSaveFile>(m_path);
        // Unbuffered, so that errno after a write belongs to that write.
        errno = 0;
        if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(QStringLiteral("Не удалось создать файл \"%1\": %2")
                            .arg(m_path, ProjectFile::failureReason(errno, *m_file)));
    }
    RingModel::SealForFile(ring);
    const auto write = [this](const auto &block) {
        errno = 0;
        return m_file->write(reinterpret_cast<const char *>(block.data()), qint64(block.size())) ==
               qint64(block.size());
    };
    if (!write(ring.project) || !write(ring.programs))
        return fail(ProjectFile::writeFailure(m_path, ProjectFile::failureReason(errno, *m_file)));
    m_same = m_same && holds(m_rings, ring);
    ++m_rings;
    return true;
}

BackupFile::Result BackupFile::finish(QString *error)
{
    const auto failed = [&] {
        if (error)
            *error = m_error;
        return Result::Failed;
    };
    if (!m_error.isEmpty())
        return failed();
    if (!m_file) {
        fail(QStringLiteral("Нет колец для \"%1\": копия не записана").arg(m_path));
        return failed();
    }
    if (refused())
        return failed();
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(m_path).constData(), &status) == 0) {
        // A file cut inside a ring held that ring too.
        const qint64 held = (status.st_size + RingRecordSize - 1) / RingRecordSize;
        if (held > m_rings && !m_allowFewerRings) {
            fail(QStringLiteral("В \"%1\" колец %2, из ДК выгружено %3: копия не заменена "
                                "(--allow-fewer-rings заменяет)")
                     .arg(m_path)
                     .arg(held)
                     .arg(m_rings));
            return failed();
        }
        if (m_same && status.st_size == qint64(RingRecordSize) * m_rings) {
            m_file->cancelWriting();
            m_file.reset();
            return Result::Unchanged;
        }
    }
    // QSaveFile ignores a failed sync, yet a file system that allocates late (a network share,
    // a quota) reports a full disk only there; the old file must not be replaced then.
    errno = 0;
    if (::fsync(m_file->handle()) != 0 || (errno = 0, !m_file->commit())) {
        fail(ProjectFile::writeFailure(m_path, ProjectFile::failureReason(errno, *m_file)));
        return failed();
    }
    m_file.reset();
    return Result::Written;
}
