#include "cli/BackupFile.h"

#include "model/ProjectFile.h"
#include "model/RingModel.h"

#include <QFile>

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

Result write(RingModel &model, const QString &path, QString *error)
{
    QFile existing(path);
    if (existing.size() == qint64(RingRecordSize) * model.ringCount() &&
        existing.open(QIODevice::ReadOnly) && existing.readAll() == image(model))
        return Result::Unchanged;
    existing.close();
    if (const auto failure = ProjectFile::save(model, path)) {
        if (error)
            *error = *failure;
        return Result::Failed;
    }
    return Result::Written;
}

} // namespace BackupFile
