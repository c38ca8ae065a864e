#include "link/PortLock.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace {
std::map<quint16, std::weak_ptr<PortLock>> &held()
{
    static std::map<quint16, std::weak_ptr<PortLock>> locks;
    return locks;
}
} // namespace

PortLock::~PortLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
    held().erase(m_port);
}

QString PortLock::path(quint16 port)
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("velt-udp-%1.lock").arg(port));
}

std::shared_ptr<PortLock> PortLock::acquire(quint16 port, QString *error)
{
    if (auto shared = held()[port].lock())
        return shared;
    const QByteArray file = QFile::encodeName(path(port));
    // Not through a link another user may have left in a shared temporary folder.
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        if (busy) {
            if (error)
                *error = QStringLiteral("порт UDP %1 занят другой программой конфигуратора "
                                        "(окно или velt-cli); дождитесь ее конца")
                             .arg(port);
            held().erase(port);
            return nullptr;
        }
        auto lock = std::shared_ptr<PortLock>(new PortLock(port, -1));
        held()[port] = lock;
        return lock;
    }
    auto lock = std::shared_ptr<PortLock>(new PortLock(port, fd));
    held()[port] = lock;
    return lock;
}
