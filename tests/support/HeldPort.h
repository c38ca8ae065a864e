#pragma once

// The lock another window or velt-cli takes on a UDP port, held by the test itself: a
// separate open of the lock file, so this process's own locks see it as another program's.

#include "link/PortLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

class HeldPort
{
public:
    explicit HeldPort(quint16 port)
        : m_fd(::open(QFile::encodeName(PortLock::path(port)).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        // Another test process may hold it already: held either way.
        m_held = m_fd >= 0 && (::flock(m_fd, LOCK_EX | LOCK_NB) == 0 || errno == EWOULDBLOCK);
    }
    ~HeldPort() { release(); }
    HeldPort(const HeldPort &) = delete;
    HeldPort &operator=(const HeldPort &) = delete;

    [[nodiscard]] bool held() const { return m_held; }
    void release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_held = false;
    }

private:
    int m_fd = -1;
    bool m_held = false;
};
