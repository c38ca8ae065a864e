#pragma once

#include "link/Transport.h"

#include <QHostAddress>

class UdpHub;

// One controller's side of a shared receiver (UdpHub): what it writes goes to that controller,
// and it hears only that controller's datagrams. Made and kept by the hub.
class UdpPeer : public Transport
{
    Q_OBJECT
public:
    UdpPeer(UdpHub &hub, const QHostAddress &address, quint16 port, QObject *parent = nullptr);

    [[nodiscard]] QHostAddress address() const { return m_address; }
    [[nodiscard]] quint16 port() const { return m_port; }

    bool open() override;
    void close() override { m_open = false; }
    [[nodiscard]] bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override;
    // Reads what the shared receiver holds; every controller's datagrams go to their peers.
    void readPending() override;

    // The hub hands on a datagram from this controller.
    void deliver(const QByteArray &datagram);

private:
    UdpHub &m_hub;
    QHostAddress m_address;
    quint16 m_port = 0;
    bool m_open = false;
};
