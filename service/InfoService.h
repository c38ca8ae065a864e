#pragma once

#include "service/ServiceHooks.h"

#include <QObject>

#include <qcoro/qcorotask.h>

#include <optional>

class ControllerLink;

// The controller's information text, and the erasing of its whole flash.
class InfoService : public QObject
{
    Q_OBJECT
public:
    explicit InfoService(ControllerLink &link, QObject *parent = nullptr);
    void setHooks(ServiceHooks hooks) { m_hooks = std::move(hooks); }

    // The information text, if the controller gave one.
    QCoro::Task<std::optional<QString>> readInfo();
    // After the confirmation.
    QCoro::Task<bool> eraseFlash();

private:
    ControllerLink &m_link;
    ServiceHooks m_hooks;
};
