#pragma once

#include "service/ServiceHooks.h"

#include <QDateTime>
#include <QObject>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class ControllerLink;

// The controller's clock, its information text and the erasing of its whole flash.
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

    // "Посмотреть время": the controller's answer as it came, or "НЕТ"; nothing when the link
    // could not be opened.
    QCoro::Task<std::optional<QString>> Button9Click();
    // "Синхронизовать с ПК": one reading of the PC clock gives both date and time.
    QCoro::Task<bool> Button8Click();
    // "<-----Установить выбранное".
    QCoro::Task<bool> Button16Click(QDateTime picked);
    // "Прочитать": the information text, if the controller gave one.
    QCoro::Task<std::optional<QString>> Button17Click();
    // "Стереть FLASH", after the confirmation.
    QCoro::Task<bool> Button18Click();

private:
    QCoro::Task<bool> setClock(QDateTime when);

    ControllerLink &m_link;
    ServiceHooks m_hooks;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
