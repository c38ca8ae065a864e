#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The controller's flash kept on disk between runs, so a restarted virtual controller still
// holds what was uploaded to it.
class FlashFile
{
public:
    enum class Load { Loaded, Missing, WrongSize, Unreadable };

    explicit FlashFile(const QString &path = {}) : m_path(path) {}

    [[nodiscard]] const QString &path() const { return m_path; }
    [[nodiscard]] bool isSet() const { return !m_path.isEmpty(); }
    // The image only when it has exactly `size` bytes: a partial one would shift the rings.
    [[nodiscard]] std::optional<QByteArray> load(qint64 size, Load &result) const;
    // All or nothing, so a kill in the middle leaves the previous image.
    bool save(const QByteArray &image) const;

private:
    QString m_path;
};
