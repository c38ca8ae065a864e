#include "app/RecentProjects.h"

#include <QFileInfo>
#include <QSettings>

namespace RecentProjects {

namespace {
const QString kListKey = QStringLiteral("recentProjects");
const QString kFolderKey = QStringLiteral("lastFolder");
} // namespace

QStringList list()
{
    QStringList files = QSettings().value(kListKey).toStringList();
    files.removeIf([](const QString &path) { return !QFileInfo(path).isFile(); });
    return files.mid(0, MaxCount);
}

void add(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = QSettings().value(kListKey).toStringList();
    files.removeAll(absolute);
    files.prepend(absolute);
    QSettings settings;
    settings.setValue(kListKey, files.mid(0, MaxCount));
    settings.setValue(kFolderKey, QFileInfo(absolute).absolutePath());
}

QString lastFolder()
{
    return QSettings().value(kFolderKey).toString();
}

void setLastFolder(const QString &folder)
{
    QSettings().setValue(kFolderKey, folder);
}

} // namespace RecentProjects
