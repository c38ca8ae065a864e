#include "cli/BackupFile.h"

#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace BackupFile {

QByteArray image(const RingModel &model)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(RingRecordSize) * model.ringCount());
    for (int r = 0; r < model.ringCount(); ++r) {
        RingData sealed = r == model.currentRing() ? model.working() : model.store(r);
        RingModel::SealForFile(sealed);
        bytes.append(reinterpret_cast<const char *>(sealed.project.data()),
                     qsizetype(sealed.project.size()));
        bytes.append(reinterpret_cast<const char *>(sealed.programs.data()),
                     qsizetype(sealed.programs.size()));
    }
    return bytes;
}

Result write(RingModel &model, const QString &path, QString *error, bool allowFewerRings)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return Result::Failed;
    };
    struct stat status
    {
    };
    const bool exists = ::lstat(QFile::encodeName(path).constData(), &status) == 0;
    if (!exists && errno != ENOENT)
        return fail(
            QStringLiteral("Не удалось проверить \"%1\": %2").arg(path, qt_error_string(errno)));
    if (exists && !S_ISREG(status.st_mode))
        return fail(QStringLiteral("\"%1\" - не обычный файл (символическая ссылка, канал или "
                                   "устройство): копия не записана")
                        .arg(path));
    if (exists) {
        // A file cut inside a ring held that ring too.
        const qint64 held = (status.st_size + RingRecordSize - 1) / RingRecordSize;
        if (held > model.ringCount() && !allowFewerRings)
            return fail(QStringLiteral("В \"%1\" колец %2, из ДК выгружено %3: копия не заменена "
                                       "(--allow-fewer-rings заменяет)")
                            .arg(path)
                            .arg(held)
                            .arg(model.ringCount()));
        QFile existing;
        if (status.st_size == qint64(RingRecordSize) * model.ringCount() &&
            !ProjectFile::openRegular(existing, path) && existing.readAll() == image(model))
            return Result::Unchanged;
    }
    if (const auto failure = ProjectFile::save(model, path)) {
        if (error)
            *error = *failure;
        return Result::Failed;
    }
    return Result::Written;
}

} // namespace BackupFile
