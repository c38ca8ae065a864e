#include "sim/FlashFile.h"

#include <QFile>
#include <QSaveFile>

std::optional<QByteArray> FlashFile::load(qint64 size, Load &result) const
{
    QFile file(m_path);
    if (!file.exists()) {
        result = Load::Missing;
        return std::nullopt;
    }
    if (file.size() != size) {
        result = Load::WrongSize;
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result = Load::Unreadable;
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (bytes.size() != size) {
        result = Load::Unreadable;
        return std::nullopt;
    }
    result = Load::Loaded;
    return bytes;
}

bool FlashFile::save(const QByteArray &image) const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(image) != image.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
