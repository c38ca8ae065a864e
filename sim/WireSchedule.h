#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <map>
#include <memory>

// Runs actions at given moments of the monotonic clock, to the microsecond: QTimer counts in
// whole milliseconds, about eleven bytes at 115200 baud, which would stretch every short answer.
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
    void onAlarm();
    void arm();

    int m_timer = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::multimap<qint64, std::function<void()>> m_actions;
};
