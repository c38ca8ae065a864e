#pragma once

#include <QTimer>

#include <algorithm>
#include <coroutine>
#include <memory>
#include <vector>

// Waits of at least a given time that keep the event loop running, held by the object whose
// coroutines wait. When that object is destroyed mid-wait, its destructor calls end(): the
// coroutine resumes at once with false and returns, instead of waking later inside freed
// memory or lingering until the program quits.
class Pauses
{
public:
    class Awaiter
    {
    public:
        Awaiter(Pauses &owner, int ms) : m_owner(owner), m_ms(ms) {}
        // The compiler may move an awaiter into the coroutine's frame; it stays put once it
        // waits, which is when it is first pointed at.
        Awaiter(Awaiter &&) = default;

        [[nodiscard]] bool await_ready() const noexcept { return m_owner.m_ended; }
        void await_suspend(std::coroutine_handle<> handle)
        {
            m_handle = handle;
            m_timer = std::make_unique<QTimer>();
            m_timer->setSingleShot(true);
            // A coarse timer may fire a few percent early, and the controller is promised the
            // whole pause.
            m_timer->setTimerType(Qt::PreciseTimer);
            QObject::connect(m_timer.get(), &QTimer::timeout,
                             [this] { m_owner.finish(this, true); });
            m_owner.m_waiting.push_back(this);
            m_timer->start(m_ms);
        }
        // True when the whole time passed, false when the owner ended the pause.
        [[nodiscard]] bool await_resume() const noexcept { return m_elapsed; }

    private:
        friend class Pauses;
        Pauses &m_owner;
        int m_ms;
        bool m_elapsed = false;
        std::unique_ptr<QTimer> m_timer;
        std::coroutine_handle<> m_handle;
    };

    Pauses() = default;
    Pauses(const Pauses &) = delete;
    Pauses &operator=(const Pauses &) = delete;
    ~Pauses() { end(); }

    [[nodiscard]] Awaiter wait(int ms) { return Awaiter(*this, ms); }
    [[nodiscard]] bool waiting() const { return !m_waiting.empty(); }

    // Resumes every waiting coroutine before it returns; any pause asked for afterwards ends
    // at once. The owner calls this first thing in its destructor, while its members live.
    void end()
    {
        m_ended = true;
        while (!m_waiting.empty())
            finish(m_waiting.front(), false);
    }

private:
    void finish(Awaiter *awaiter, bool elapsed)
    {
        m_waiting.erase(std::find(m_waiting.begin(), m_waiting.end(), awaiter));
        awaiter->m_timer->stop();
        awaiter->m_elapsed = elapsed;
        awaiter->m_handle.resume();
    }

    std::vector<Awaiter *> m_waiting;
    bool m_ended = false;
};
