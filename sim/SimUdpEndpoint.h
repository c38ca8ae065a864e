#pragma once

#include "sim/SimEndpoint.h"
#include "sim/SocketPoll.h"

#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

// UDP: one datagram is one command; the answer goes to the sender's address at the port the
// controller listens on.
//
// A datagram from an address this process listens on is never answered: the answer would go
// to a controller of this process, which would answer back, for ever.
class SimUdpEndpoint : public SimEndpoint
{
    Q_OBJECT
public:
    SimUdpEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent = nullptr);
    ~SimUdpEndpoint() override;
    bool listen(const QHostAddress &address, quint16 port);
    [[nodiscard]] QString errorString() const { return m_socket.errorString(); }
    // Datagrams left unanswered because they came from this process's own addresses.
    [[nodiscard]] qint64 ownDropped() const { return m_ownDropped; }

    // Datagrams handled in one turn of the event loop; the rest wait for the next turn, so a
    // flood cannot keep the process from its signals and timers.
    static constexpr int ReadBatch = 64;

private:
    void onReadyRead();
    // Bound to one address: the socket is read and written directly.
    void takeOver();
    void readBound();
    void sendBound(const QByteArray &bytes, quint32 to) const;
    [[nodiscard]] bool isOwn(const QHostAddress &sender, const QHostAddress &arrivedAt) const;

    QUdpSocket m_socket;
    // The socket taken over from m_socket once bound to one address (-1: m_socket serves).
    int m_fd = -1;
    std::unique_ptr<SocketPoll::Watch> m_readable;
    QTimer m_nextTurn;
    quint16 m_port = 0;
    quint32 m_listening = 0; // the IPv4 address bound, counted among the process's own
    qint64 m_ownDropped = 0;
};
