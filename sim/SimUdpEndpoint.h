#pragma once

#include "sim/SimEndpoint.h"

#include <QHostAddress>
#include <QUdpSocket>

// UDP: one datagram is one command; the answer goes to the sender's address at the port the
// controller listens on.
class SimUdpEndpoint : public SimEndpoint
{
    Q_OBJECT
public:
    SimUdpEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent = nullptr);
    bool listen(const QHostAddress &address, quint16 port);
    [[nodiscard]] QString errorString() const { return m_socket.errorString(); }

private:
    void onReadyRead();

    QUdpSocket m_socket;
    quint16 m_port = 0;
};
