#include "sim/WireSchedule.h"

#include "sim/ThreadShared.h"

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>
#include <utility>

// The one timer of a thread's schedules: when it rings, every schedule whose earliest action
// has come runs what is due. It lives while any schedule of its thread does.
class WireClock : public ThreadShared<WireClock>
{
public:
    WireSchedule::Booking book(qint64 dueNs, WireSchedule *schedule)
    {
        const auto booking = m_due.emplace(dueNs, schedule);
        // A timer set for later is brought forward; one set earlier just rings for nothing.
        if (m_armedNs < 0 || dueNs < m_armedNs)
            arm(dueNs);
        return booking;
    }
    void cancel(WireSchedule::Booking booking) { m_due.erase(booking); }

private:
    friend class ThreadShared<WireClock>;
    WireClock()
    {
        m_timer = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_timer < 0)
            qFatal("veltsim: no timer for the wire pacing");
        watchReadable(m_timer, &WireClock::onAlarm);
    }
    ~WireClock()
    {
        stopWatching();
        ::close(m_timer);
    }

    void onAlarm()
    {
        quint64 expirations = 0;
        [[maybe_unused]] const auto n = ::read(m_timer, &expirations, sizeof expirations);
        m_armedNs = -1;
        const qint64 now = WireSchedule::now();
        while (!m_due.empty() && m_due.begin()->first <= now) {
            WireSchedule *const schedule = m_due.begin()->second;
            m_due.erase(m_due.begin());
            schedule->m_booking.reset();
            schedule->onAlarm();
        }
        // Bookings made meanwhile may have set the timer for later than one already waiting.
        if (!m_due.empty() && (m_armedNs < 0 || m_due.begin()->first < m_armedNs))
            arm(m_due.begin()->first);
    }

    void arm(qint64 dueNs)
    {
        itimerspec when{};
        // Zero would disarm the timer rather than ring at once.
        const qint64 due = qMax<qint64>(dueNs, 1);
        when.it_value.tv_sec = time_t(due / 1'000'000'000);
        when.it_value.tv_nsec = long(due % 1'000'000'000);
        ::timerfd_settime(m_timer, TFD_TIMER_ABSTIME, &when, nullptr);
        m_armedNs = due;
    }

    int m_timer = -1;
    qint64 m_armedNs = -1; // when the timer rings; -1: not set
    std::multimap<qint64, WireSchedule *> m_due;
};

WireSchedule::WireSchedule(QObject *parent) : QObject(parent), m_clock(WireClock::acquire()) {}

WireSchedule::~WireSchedule()
{
    if (m_gone)
        *m_gone = true;
    if (m_booking)
        m_clock->cancel(*m_booking);
    m_clock->release();
}

qint64 WireSchedule::now()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

qint64 WireSchedule::wireNs(qint64 bytes, int baud)
{
    if (baud <= 0)
        return 0;
    // Whole answers are timed from their start, so rounding never adds up over the bytes.
    return bytes * 10 * 1'000'000'000 / baud;
}

void WireSchedule::at(qint64 dueNs, std::function<void()> action)
{
    const bool first = m_actions.empty() || dueNs < m_actions.begin()->first;
    if (first && dueNs <= now()) {
        action();
        return;
    }
    m_actions.emplace(dueNs, std::move(action));
    if (first)
        arm();
}

void WireSchedule::onAlarm()
{
    // An action may end the schedule that runs it (the controller whose answer it sends).
    bool gone = false;
    bool *const outer = std::exchange(m_gone, &gone);
    while (!m_actions.empty() && m_actions.begin()->first <= now()) {
        auto action = std::move(m_actions.begin()->second);
        m_actions.erase(m_actions.begin());
        action();
        if (gone) {
            if (outer)
                *outer = true;
            return;
        }
    }
    m_gone = outer;
    arm();
}

void WireSchedule::arm()
{
    if (m_booking) {
        m_clock->cancel(*m_booking);
        m_booking.reset();
    }
    if (!m_actions.empty())
        m_booking = m_clock->book(m_actions.begin()->first, this);
}
