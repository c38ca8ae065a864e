#include "model/ProjectFile.h"

#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "model/RingModel.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ProjectFile {

namespace {

bool checksumsMatch(const RingData &ring)
{
    const std::span project(ring.project);
    const std::span programs(ring.programs);
    return readU32(project, ProjectLayout::Crc) == Crc32(project.first(ProjectLayout::Crc)) &&
           readU32(programs, ProgramsLayout::Crc) == Crc32(programs.first(ProgramsLayout::Crc));
}

} // namespace

std::optional<QString> openRegular(QFile &file, const QString &path)
{
    // Opened without waiting and looked at through the descriptor itself, so that what is
    // read is what was looked at.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return QStringLiteral("Не удалось открыть файл \"%1\" для чтения: %2")
            .arg(path, qt_error_string(errno));
    }
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return QStringLiteral("Файл \"%1\" не является обычным файлом (папка, канал или "
                              "устройство) и не может быть проектом")
            .arg(path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QStringLiteral("Не удалось открыть файл \"%1\" для чтения: %2")
            .arg(path, file.errorString());
    }
    return std::nullopt;
}

OpenResult open(RingModel &model, const QString &path)
{
    QFile file;
    if (auto refused = openRegular(file, path)) {
        OpenResult result;
        result.error = *refused;
        return result;
    }
    return read(model, file, path);
}

OpenResult read(RingModel &model, QIODevice &file, const QString &path)
{
    OpenResult result;
    // Read everything first: a read error halfway must not leave a half-loaded project.
    std::vector<RingData> rings;
    FileDamage damage;
    for (int r = 0; r < MaxRings; ++r) {
        QByteArray record = file.read(RingRecordSize);
        if (record.size() < 0 || (record.size() < qsizetype(RingRecordSize) && !file.atEnd())) {
            result.error =
                QStringLiteral("Ошибка чтения файла \"%1\": %2").arg(path, file.errorString());
            return result;
        }
        if (record.size() < qsizetype(RingRecordSize)) {
            if (!record.isEmpty()) {
                damage.cutRing = r;
                damage.cutBytes = record.size();
            }
            break;
        }
        RingData &ring = rings.emplace_back();
        std::memcpy(ring.project.data(), record.constData(), ProjectLayout::Size);
        std::memcpy(ring.programs.data(), record.constData() + ProjectLayout::Size,
                    ProgramsLayout::Size);
        // As saved, before the load fix-up changes anything.
        if (!sealIntact(ring))
            damage.checksumRings.push_back(r);
    }
    if (rings.empty())
        return result;
    for (std::size_t r = 0; r < rings.size(); ++r)
        if (!checksumsMatch(rings[r]))
            result.badChecksumRings.push_back(int(r) + 1);
    for (std::size_t r = 0; r < rings.size(); ++r)
        model.store(int(r)) = rings[r];
    model.LoadFixup();
    model.setRingCount(int(rings.size()));
    model.ReloadRing(0);
    model.setFileDamage(std::move(damage));
    result.ringsRead = int(rings.size());
    return result;
}

bool sealIntact(const RingData &ring)
{
    namespace PL = ProjectLayout;
    namespace GL = ProgramsLayout;
    return readU32(ring.project, PL::Crc) == Crc32(std::span(ring.project).first(PL::Crc)) &&
           readU32(ring.programs, GL::Crc) == Crc32(std::span(ring.programs).first(GL::Crc));
}

QString saveErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Недостаточно места на диске");
    case EFBIG:
        return QStringLiteral("Превышен допустимый размер файла");
    case EACCES:
    case EPERM:
        return QStringLiteral("Нет доступа");
    case EROFS:
        return QStringLiteral("Диск только для чтения");
    default:
        return qt_error_string(errorNumber);
    }
}

// QFileDevice forgets errno when a write comes up short (it reports no error at all, which
// reads "Unknown error"), so the reason is taken from errno at once; the device's own text is
// the fallback when the failure set none.
QString failureReason(int errorNumber, const QFileDevice &file)
{
    return errorNumber != 0 ? saveErrorText(errorNumber) : file.errorString();
}

QString writeFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("Ошибка записи файла \"%1\": %2. Прежний файл не изменен.")
        .arg(path, reason);
}

bool writeRings(const RingModel &model, QIODevice &out)
{
    const auto sealed = std::make_unique<RingData>();
    const auto write = [&out](const auto &block) {
        errno = 0;
        return out.write(reinterpret_cast<const char *>(block.data()), qint64(block.size())) ==
               qint64(block.size());
    };
    for (int r = 0; r < model.ringCount(); ++r) {
        *sealed = model.store(r);
        RingModel::SealForFile(*sealed);
        if (!write(sealed->project) || !write(sealed->programs))
            return false;
    }
    return true;
}

std::optional<QString> save(RingModel &model, const QString &path)
{
    model.storeWorkingCopy();
    QSaveFile file(path);
    // Unbuffered, so that errno after a write belongs to that write and not to a later flush.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("Не удалось создать файл \"%1\": %2")
            .arg(path, failureReason(errno, file));
    if (!writeRings(model, file)) {
        const QString reason = failureReason(errno, file);
        file.cancelWriting();
        return writeFailure(path, reason);
    }
    // QSaveFile ignores a failed sync, yet a file system that allocates late (a network share,
    // a quota) reports a full disk only there; the old file must not be replaced then.
    errno = 0;
    if (::fsync(file.handle()) != 0) {
        const QString reason = failureReason(errno, file);
        file.cancelWriting();
        return writeFailure(path, reason);
    }
    errno = 0;
    if (!file.commit())
        return writeFailure(path, failureReason(errno, file));
    // The seal went to a scratch copy, so the working copy already equals its store again.
    model.setModified(false);
    model.setFileDamage({});
    return std::nullopt;
}

} // namespace ProjectFile
