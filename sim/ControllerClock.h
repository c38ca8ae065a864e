#pragma once

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <optional>

// The controller's real-time clock. It runs with the host's clock, optionally faster for demos;
// setting it keeps only where it stands against the host, so the time read later has moved on
// as a real clock's would.
class ControllerClock
{
public:
    using HostClock = std::function<QDateTime()>;

    // Tests pass their own host clock to step the time without sleeping.
    explicit ControllerClock(HostClock host = {});

    // Wall-clock time, without a time zone: the controller keeps local time and knows no
    // daylight saving.
    [[nodiscard]] QDateTime now() const;
    // Milliseconds since the epoch of now(), the time base of the running program.
    [[nodiscard]] qint64 nowMs() const;
    // "DD.MM.YYYY-HH:MM:SS".
    [[nodiscard]] QByteArray text() const;
    // False, leaving the clock as it was, unless `text` is exactly that form and a real moment.
    bool set(const QByteArray &text);
    void setTime(const QDateTime &time);

    // How many controller seconds pass in one host second; the time reached so far is kept.
    [[nodiscard]] double speed() const { return m_speed; }
    void setSpeed(double speed);

    [[nodiscard]] static std::optional<QDateTime> parse(const QByteArray &text);
    [[nodiscard]] static QByteArray format(const QDateTime &time);

private:
    [[nodiscard]] qint64 hostMs() const;

    HostClock m_host;
    // The controller read m_anchor when the host read m_hostAnchor.
    qint64 m_hostAnchor = 0;
    qint64 m_anchor = 0;
    double m_speed = 1.0;
};
