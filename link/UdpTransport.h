#pragma once

#include "link/Transport.h"

#include <QHostAddress>
#include <QUdpSocket>

// The Ethernet link: a receiver on 0.0.0.0 at the link's port and a sender to the
// controller's address and port. The receiver shares its port, so that a controller on the
// same host (another loopback address) can bind the same number.
class UdpTransport : public Transport
{
    Q_OBJECT
public:
    explicit UdpTransport(QObject *parent = nullptr);

    // The receiver's port; rebinding happens at once when it is listening.
    void setLocalPort(quint16 port);
    [[nodiscard]] quint16 localPort() const { return m_localPort; }
    void setPeer(const QHostAddress &address, quint16 port);
    [[nodiscard]] QHostAddress peerAddress() const { return m_peer; }
    [[nodiscard]] quint16 peerPort() const { return m_peerPort; }

    bool open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    bool write(const QByteArray &bytes) override;

    // A datagram to any address, for the console's Enter key.
    bool sendTo(const QByteArray &bytes, const QHostAddress &address, quint16 port);

private:
    void onReadyRead();

    QUdpSocket m_receiver;
    QUdpSocket m_sender;
    QHostAddress m_peer;
    quint16 m_peerPort = 0;
    quint16 m_localPort = 0;
};
