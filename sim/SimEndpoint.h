#pragma once

#include "sim/Faults.h"
#include "sim/VirtualController.h"

#include <QObject>

#include <functional>

// One side of the virtual controller on the wire: it cuts incoming bytes into commands, asks
// the interpreter and sends the answer shaped by the fault plan.
class SimEndpoint : public QObject
{
    Q_OBJECT
public:
    SimEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent = nullptr);

signals:
    void commandHandled(const QByteArray &command);

protected:
    void answer(const QByteArray &command, std::function<void(const QByteArray &)> send);

    VirtualController &m_controller;
    FaultPlan &m_faults;
};
