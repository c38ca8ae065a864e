#include "sim/SocketPoll.h"

#include <array>
#include <sys/epoll.h>
#include <unistd.h>

namespace {
// Sockets handled in one turn of the event loop; the rest are in the next turn's batch.
constexpr int kBatch = 64;
} // namespace

SocketPoll::SocketPoll()
{
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll < 0)
        return;
    watchReadable(m_epoll, &SocketPoll::onReady);
}

SocketPoll::~SocketPoll()
{
    stopWatching();
    if (m_epoll >= 0)
        ::close(m_epoll);
}

std::unique_ptr<SocketPoll::Watch> SocketPoll::watch(int fd, Ready ready)
{
    SocketPoll *const poll = acquire();
    std::unique_ptr<Watch> watch(new Watch(poll, fd, std::move(ready)));
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.ptr = watch.get();
    if (poll->m_epoll < 0 || ::epoll_ctl(poll->m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
        watch->m_fd = -1;
        return nullptr;
    }
    return watch;
}

SocketPoll::Watch::Watch(SocketPoll *poll, int fd, Ready ready)
    : m_poll(poll), m_fd(fd), m_ready(std::move(ready))
{
}

SocketPoll::Watch::~Watch()
{
    if (m_fd >= 0)
        ::epoll_ctl(m_poll->m_epoll, EPOLL_CTL_DEL, m_fd, nullptr);
    for (Watch *&pending : m_poll->m_batch)
        if (pending == this)
            pending = nullptr;
    m_poll->release();
}

void SocketPoll::onReady()
{
    std::array<epoll_event, kBatch> events{};
    const int got = ::epoll_wait(m_epoll, events.data(), kBatch, 0);
    if (got <= 0)
        return;
    m_batch.clear();
    for (int n = 0; n < got; ++n)
        m_batch.push_back(static_cast<Watch *>(events[std::size_t(n)].data.ptr));
    for (std::size_t n = 0; n < m_batch.size(); ++n)
        if (Watch *const watch = m_batch[n])
            watch->m_ready();
    m_batch.clear();
}
