#include "sim/WireSchedule.h"

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

WireSchedule::WireSchedule(QObject *parent) : QObject(parent)
{
    m_timer = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timer < 0)
        qFatal("veltsim: no timer for the wire pacing");
    m_notifier = std::make_unique<QSocketNotifier>(m_timer, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &WireSchedule::onAlarm);
}

WireSchedule::~WireSchedule()
{
    m_notifier.reset();
    ::close(m_timer);
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
    quint64 expirations = 0;
    [[maybe_unused]] const auto n = ::read(m_timer, &expirations, sizeof expirations);
    while (!m_actions.empty() && m_actions.begin()->first <= now()) {
        auto action = std::move(m_actions.begin()->second);
        m_actions.erase(m_actions.begin());
        action();
    }
    arm();
}

void WireSchedule::arm()
{
    itimerspec when{};
    if (!m_actions.empty()) {
        // Zero would disarm the timer rather than ring at once.
        const qint64 due = qMax<qint64>(m_actions.begin()->first, 1);
        when.it_value.tv_sec = time_t(due / 1'000'000'000);
        when.it_value.tv_nsec = long(due % 1'000'000'000);
    }
    ::timerfd_settime(m_timer, TFD_TIMER_ABSTIME, &when, nullptr);
}
