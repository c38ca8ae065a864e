#pragma once

#include <QDateTime>
#include <QObject>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class ControllerLink;

// The controller's clock: read it, set it from the PC's clock or to a time picked.
class ClockService : public QObject
{
    Q_OBJECT
public:
    static const QString kTimeSet;
    static const QString kTimeNotSet;

    explicit ClockService(ControllerLink &link, QObject *parent = nullptr);
    // The PC's clock; tests put a fixed one in place.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // "set ds1390_time DD.MM.YYYY-HH:MM:SS".
    [[nodiscard]] static QString clockCommand(const QDateTime &when);

    // The controller's answer as it came, or "НЕТ"; nothing when the link could not be opened.
    QCoro::Task<std::optional<QString>> readTime();
    // One reading of the PC clock gives both date and time.
    QCoro::Task<bool> syncWithPc();
    QCoro::Task<bool> setTime(QDateTime picked);

signals:
    void statusReported(const QString &text);
    // The clock command as sent, for the command console's log.
    void commandLogged(const QString &command);
    // The link is needed: the state monitor must stop polling.
    void monitorStopRequested();

private:
    ControllerLink &m_link;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
