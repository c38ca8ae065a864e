#include "model/ProjectFile.h"

#include "model/RingModel.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>
#include <vector>

namespace ProjectFile {

OpenResult open(RingModel &model, const QString &path)
{
    OpenResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Не удалось открыть файл \"%1\" для чтения: %2")
                           .arg(path, file.errorString());
        return result;
    }
    // Read everything first: a read error halfway must not leave a half-loaded project.
    std::vector<RingData> rings;
    for (int r = 0; r < MaxRings; ++r) {
        QByteArray record = file.read(RingRecordSize);
        if (record.size() < 0 || (record.size() < qsizetype(RingRecordSize) && !file.atEnd())) {
            result.error =
                QStringLiteral("Ошибка чтения файла \"%1\": %2").arg(path, file.errorString());
            return result;
        }
        if (record.size() < qsizetype(RingRecordSize))
            break;
        RingData &ring = rings.emplace_back();
        std::memcpy(ring.project.data(), record.constData(), ProjectLayout::Size);
        std::memcpy(ring.programs.data(), record.constData() + ProjectLayout::Size,
                    ProgramsLayout::Size);
    }
    if (rings.empty())
        return result;
    for (std::size_t r = 0; r < rings.size(); ++r)
        model.store(int(r)) = rings[r];
    model.LoadFixup();
    model.setRingCount(int(rings.size()));
    model.ReloadRing(0);
    result.ringsRead = int(rings.size());
    return result;
}

std::optional<QString> save(RingModel &model, const QString &path)
{
    model.storeWorkingCopy();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Не удалось создать файл \"%1\": %2").arg(path, file.errorString());
    RingData sealed;
    for (int r = 0; r < model.ringCount(); ++r) {
        sealed = model.store(r);
        RingModel::SealForFile(sealed);
        const auto write = [&file](const auto &block) {
            return file.write(reinterpret_cast<const char *>(block.data()), qint64(block.size())) ==
                   qint64(block.size());
        };
        if (!write(sealed.project) || !write(sealed.programs)) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return QStringLiteral("Ошибка записи файла \"%1\": %2. Прежний файл не изменен.")
                .arg(path, reason);
        }
    }
    if (!file.commit())
        return QStringLiteral("Ошибка записи файла \"%1\": %2. Прежний файл не изменен.")
            .arg(path, file.errorString());
    // The seal went to a scratch copy, so the working copy already equals its store again.
    model.setModified(false);
    return std::nullopt;
}

} // namespace ProjectFile
