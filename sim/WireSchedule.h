#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <optional>

class WireClock;

// Runs actions at given moments of the monotonic clock, to the microsecond: QTimer counts in
// whole milliseconds, about eleven bytes at 115200 baud, which would stretch every short answer.
// Every schedule of a thread shares one timer: a process that plays hundreds of controllers
// must not wait on, and set, a timer per controller for every answer.
class WireSchedule : public QObject
{
    Q_OBJECT
public:
    explicit WireSchedule(QObject *parent = nullptr);
    ~WireSchedule() override;

    // Nanoseconds of the monotonic clock (the one QElapsedTimer reads).
    [[nodiscard]] static qint64 now();
    // How long `bytes` take on a line of `baud` with 8N1 framing: ten bits a byte (0: no time).
    [[nodiscard]] static qint64 wireNs(qint64 bytes, int baud);

    // Runs at once when `dueNs` has come and nothing earlier waits; actions due at the same
    // moment run in the order they were given.
    void at(qint64 dueNs, std::function<void()> action);
    [[nodiscard]] bool isEmpty() const { return m_actions.empty(); }

private:
    friend class WireClock;
    using Booking = std::multimap<qint64, WireSchedule *>::iterator;

    // Runs what is due; the shared timer calls it.
    void onAlarm();
    // Books the earliest action with the shared timer.
    void arm();

    WireClock *m_clock = nullptr;
    std::optional<Booking> m_booking;
    std::multimap<qint64, std::function<void()>> m_actions;
    bool *m_gone = nullptr; // set while onAlarm runs the actions
};
