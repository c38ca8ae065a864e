#pragma once

#include <QString>

#include <memory>

// Two processes of this program listening on one UDP port would each take the other's
// answers (the system hands a datagram to one of the sockets that share the port). A lock
// file per port, in the user's runtime folder, keeps the second one out; within one process
// the receivers of a port share the lock.
class PortLock
{
public:
    ~PortLock();
    PortLock(const PortLock &) = delete;
    PortLock &operator=(const PortLock &) = delete;

    // Held for as long as the pointer lives; nothing when another process holds the port, with
    // the reason in `error`. A lock file that cannot be made at all does not stop the work.
    [[nodiscard]] static std::shared_ptr<PortLock> acquire(quint16 port, QString *error);
    // The lock file of `port`: XDG_RUNTIME_DIR, else the temporary folder.
    [[nodiscard]] static QString path(quint16 port);

private:
    PortLock(quint16 port, int fd) : m_port(port), m_fd(fd) {}

    quint16 m_port = 0;
    int m_fd = -1;
};
