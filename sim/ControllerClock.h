#pragma once

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <optional>

// The controller's real-time clock. It runs with the host's clock; setting it keeps only the
// difference, so the time read later has moved on as a real clock's would.
class ControllerClock
{
public:
    using HostClock = std::function<QDateTime()>;

    // Tests pass their own host clock to watch the time move on.
    explicit ControllerClock(HostClock host = {});

    // Wall-clock time, without a time zone: the controller keeps local time and knows no
    // daylight saving.
    [[nodiscard]] QDateTime now() const;
    // "DD.MM.YYYY-HH:MM:SS".
    [[nodiscard]] QByteArray text() const;
    // False, leaving the clock as it was, unless `text` is exactly that form and a real moment.
    bool set(const QByteArray &text);

    [[nodiscard]] static std::optional<QDateTime> parse(const QByteArray &text);
    [[nodiscard]] static QByteArray format(const QDateTime &time);

private:
    [[nodiscard]] QDateTime hostWallClock() const;

    HostClock m_host;
    qint64 m_offsetMs = 0;
};
