#pragma once

#include <QString>
#include <QStringList>

// The projects opened or saved last and the folder of the last file dialog, kept in the
// user's settings between runs.
namespace RecentProjects {

inline constexpr int MaxCount = 8;

// Newest first; files that no longer exist are left out.
[[nodiscard]] QStringList list();
void add(const QString &path);
[[nodiscard]] QString lastFolder();
void setLastFolder(const QString &folder);

} // namespace RecentProjects
