#pragma once

#include "link/PortLock.h"
#include "link/Transport.h"

#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>

#include <deque>
#include <memory>
#include <utility>

// The Ethernet link: a receiver on 0.0.0.0 at the link's port and a sender to the
// controller's address and port. The receiver shares its port, so that a controller on the
// same host (another loopback address) can bind the same number.
//
// Only datagrams from the controller's IPv4 address are received(); the port they come from
// is not looked at, since the controller is known only to answer to our port. Anything else
// on the port is a stranger's: counted and handed on through stranger(), never as an answer.
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
    // Datagrams from other addresses, since this transport was made.
    [[nodiscard]] qint64 strangers() const { return m_strangers; }

    // False when the port cannot be bound, or another process of this program listens on it
    // (errorString() says which).
    bool open() override;
    [[nodiscard]] QString errorString() const override { return m_error; }
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    bool write(const QByteArray &bytes) override;
    void readPending() override;

    // A datagram as if read from the socket; it is handed on at the next turn of the event
    // loop. The receive path's fuzz target feeds it this way.
    void take(const QByteArray &datagram, const QHostAddress &sender, quint16 port);

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
        std::deque<std::pair<QString, QByteArray>> others;
        [[nodiscard]] std::size_t size() const { return fromPeer.size() + others.size(); }
    };

    [[nodiscard]] bool isPeer(const QHostAddress &sender) const;
    [[nodiscard]] static QString senderText(const QHostAddress &sender, quint16 port);
    void onReadyRead();
    // Reads what the socket holds, bounded; true when it may hold more.
    bool readSocket();
    void deliver();
    void scheduleTurn();

    QUdpSocket m_receiver;
    std::shared_ptr<PortLock> m_lock;
    QString m_error;
    Inbox m_inbox;
    QTimer m_nextTurn;
    QUdpSocket m_sender;
    QHostAddress m_peer;
    quint16 m_peerPort = 0;
    quint16 m_localPort = 0;
    qint64 m_strangers = 0;
};
