#pragma once

#include "link/Transport.h"

#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>

#include <deque>

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

    // A turn of the event loop reads at most ReadBatch datagrams from the socket and hands at
    // most DeliverBatch of them on, each within BatchNs: a peer that sends without pause must
    // not keep the window from its own work.
    static constexpr int ReadBatch = 256;
    static constexpr int DeliverBatch = 64;
    static constexpr qint64 BatchNs = 2'000'000;
    // Datagrams read but not yet handed on; beyond this, strangers' datagrams are dropped
    // first, so that a flood cannot push the controller's answer out.
    static constexpr int MaxQueued = 4096;
    static constexpr int MaxDatagram = 65536;
    static constexpr int ReceiveBuffer = 1 << 20;

private:
    struct Inbox
    {
        std::deque<QByteArray> fromPeer;
        std::deque<QByteArray> others;
        [[nodiscard]] std::size_t size() const { return fromPeer.size() + others.size(); }
    };

    void onReadyRead();
    // Reads what the socket holds, bounded; true when it may hold more.
    bool readSocket();
    void deliver();
    void scheduleTurn();

    QUdpSocket m_receiver;
    Inbox m_inbox;
    QTimer m_nextTurn;
    QUdpSocket m_sender;
    QHostAddress m_peer;
    quint16 m_peerPort = 0;
    quint16 m_localPort = 0;
};
