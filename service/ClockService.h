#pragma once

#include "service/ServiceHooks.h"

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
    void setHooks(ServiceHooks hooks) { m_hooks = std::move(hooks); }
    // The PC's clock; tests put a fixed one in place.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // "set ds1390_time DD.MM.YYYY-HH:MM:SS".
    [[nodiscard]] static QString clockCommand(const QDateTime &when);

    // The controller's answer as it came, or "НЕТ"; nothing when the link could not be opened.
    QCoro::Task<std::optional<QString>> readTime();
    // One reading of the PC clock gives both date and time.
    QCoro::Task<bool> syncWithPc();
    QCoro::Task<bool> setTime(QDateTime picked);

    ControllerLink &m_link;
    ServiceHooks m_hooks;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
