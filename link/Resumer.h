#pragma once

#include <QObject>

#include <coroutine>
#include <deque>
#include <utility>

// Resumes `handle` from the event loop of the calling thread, in the order asked, unless
// `context` is gone by then. Everything asked for in one turn of the loop shares one posted
// event: a fleet wakes tens of thousands of coroutines a second, and an event each (with the
// loop's wake-up write) cost more than the rest of a command's exchange.
void resumeLater(QObject *context, std::coroutine_handle<> handle);

// Parks one coroutine until wake(). The coroutine is resumed from the event loop, never from
// inside the caller of wake() (a receive handler, a timer), and at most once per park.
class Resumer
{
public:
    explicit Resumer(QObject *context) : m_context(context) {}

    [[nodiscard]] bool parked() const { return static_cast<bool>(m_handle); }

    void wake()
    {
        if (!m_handle)
            return;
        resumeLater(m_context, std::exchange(m_handle, {}));
    }

    auto park()
    {
        struct Awaiter
        {
            Resumer &resumer;
            bool await_ready() const noexcept { return false; }
            void await_suspend(std::coroutine_handle<> h) noexcept { resumer.m_handle = h; }
            void await_resume() const noexcept {}
        };
        return Awaiter{*this};
    }

private:
    QObject *m_context;
    std::coroutine_handle<> m_handle;
};

// Hands the link to one conversation at a time, in the order they asked.
class TurnQueue
{
public:
    explicit TurnQueue(QObject *context) : m_context(context) {}

    [[nodiscard]] bool busy() const { return m_busy; }
    [[nodiscard]] std::size_t waiting() const { return m_waiting.size(); }

    auto take()
    {
        struct Awaiter
        {
            TurnQueue &queue;
            bool await_ready() noexcept
            {
                if (queue.m_busy)
                    return false;
                queue.m_busy = true;
                return true;
            }
            void await_suspend(std::coroutine_handle<> h) { queue.m_waiting.push_back(h); }
            void await_resume() const noexcept {}
        };
        return Awaiter{*this};
    }

    // The next in line gets the turn still marked busy, so no newcomer can slip in between.
    void release()
    {
        if (m_waiting.empty()) {
            m_busy = false;
            return;
        }
        const auto next = m_waiting.front();
        m_waiting.pop_front();
        resumeLater(m_context, next);
    }

private:
    QObject *m_context;
    bool m_busy = false;
    std::deque<std::coroutine_handle<>> m_waiting;
};
