#pragma once

#include "sim/ThreadShared.h"

#include <functional>
#include <memory>
#include <vector>

// Watches the sockets of a thread's controllers through one epoll set, which the event loop
// sees as a single descriptor. Qt's loop polls every socket notifier on every turn; for a process
// that plays hundreds of controllers that costs more than the commands themselves.
class SocketPoll : public ThreadShared<SocketPoll>
{
public:
    using Ready = std::function<void()>;

    // Level-triggered: `ready` runs on each turn while the socket has something to read. The
    // handle stops the watch when it goes.
    class Watch
    {
    public:
        ~Watch();
        Watch(const Watch &) = delete;
        Watch &operator=(const Watch &) = delete;

    private:
        friend class SocketPoll;
        Watch(SocketPoll *poll, int fd, Ready ready);
        SocketPoll *m_poll;
        int m_fd;
        Ready m_ready;
    };

    // Null when the system has no epoll set to give.
    [[nodiscard]] static std::unique_ptr<Watch> watch(int fd, Ready ready);

private:
    friend class ThreadShared<SocketPoll>;
    SocketPoll();
    ~SocketPoll();
    void onReady();

    int m_epoll = -1;
    // The watches of the batch being handled; one that goes meanwhile is blanked here.
    std::vector<Watch *> m_batch;
};
