#include "sim/ControllerClock.h"

#include <cmath>

namespace {
constexpr char kForm[] = "dd.MM.yyyy-HH:mm:ss";

// Fields at fixed places, digits only: QDateTime::fromString alone would take one-digit days.
bool hasForm(const QByteArray &text)
{
    static constexpr char kPattern[] = "##.##.####-##:##:##";
    if (text.size() != qsizetype(sizeof kPattern - 1))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == '#' ? !digit : text[i] != kPattern[i])
            return false;
    }
    return true;
}
} // namespace

ControllerClock::ControllerClock(HostClock host) : m_host(std::move(host))
{
    if (!m_host)
        m_host = [] { return QDateTime::currentDateTime(); };
    m_hostAnchor = hostMs();
    m_anchor = m_hostAnchor;
}

qint64 ControllerClock::hostMs() const
{
    const QDateTime host = m_host();
    // Read as a plain date and time, so a daylight saving change on the host moves the
    // controller's clock as it moves the host's, and any set time exists.
    return QDateTime(host.date(), host.time(), Qt::UTC).toMSecsSinceEpoch();
}

qint64 ControllerClock::nowMs() const
{
    const qint64 passed = hostMs() - m_hostAnchor;
    return m_anchor + qint64(std::llround(double(passed) * m_speed));
}

QDateTime ControllerClock::now() const
{
    return QDateTime::fromMSecsSinceEpoch(nowMs(), Qt::UTC);
}

QByteArray ControllerClock::text() const
{
    return format(now());
}

bool ControllerClock::set(const QByteArray &text)
{
    const auto time = parse(text);
    if (!time)
        return false;
    setTime(*time);
    return true;
}

void ControllerClock::setTime(const QDateTime &time)
{
    m_hostAnchor = hostMs();
    m_anchor = QDateTime(time.date(), time.time(), Qt::UTC).toMSecsSinceEpoch();
}

void ControllerClock::setSpeed(double speed)
{
    const qint64 reached = nowMs();
    m_hostAnchor = hostMs();
    m_anchor = reached;
    m_speed = speed > 0 ? speed : 1.0;
}

std::optional<QDateTime> ControllerClock::parse(const QByteArray &text)
{
    if (!hasForm(text))
        return std::nullopt;
    const auto field = [&](int from, int length) { return text.mid(from, length).toInt(); };
    const QDate date(field(6, 4), field(3, 2), field(0, 2));
    const QTime time(field(11, 2), field(14, 2), field(17, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QByteArray ControllerClock::format(const QDateTime &time)
{
    return time.toString(QLatin1String(kForm)).toLatin1();
}
