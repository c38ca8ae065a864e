#include "link/UdpHub.h"

#include "link/UdpPeer.h"

#include <QVariant>

UdpHub::UdpHub(QObject *parent) : QObject(parent) {}

UdpHub::~UdpHub()
{
    // The peers are children of the hub and go after the receivers that feed them.
    closeAll();
}

UdpPeer *UdpHub::peer(const QHostAddress &address, quint16 port)
{
    bool ipv4 = false;
    const quint32 ip = address.toIPv4Address(&ipv4);
    if (!ipv4 || port == 0)
        return nullptr;
    UdpPeer *&slot = m_peers[key(ip, port)];
    if (!slot)
        slot = new UdpPeer(*this, QHostAddress(ip), port, this);
    return slot;
}

bool UdpHub::listening(quint16 port) const
{
    const auto found = m_receivers.find(port);
    return found != m_receivers.end() &&
           found->second->socket.state() == QAbstractSocket::BoundState;
}

bool UdpHub::listen(quint16 port)
{
    if (port == 0)
        return false;
    if (listening(port))
        return true;
    auto receiver = std::make_unique<Receiver>();
    receiver->lock = PortLock::acquire(port, &m_error);
    if (!receiver->lock)
        return false;
    // Shared as the window's receiver is, so that controllers on this host (other loopback
    // addresses) can bind the same port.
    if (!receiver->socket.bind(QHostAddress::AnyIPv4, port,
                               QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_error = receiver->socket.errorString();
        return false;
    }
    receiver->socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                     QVariant(ReceiveBuffer));
    receiver->nextTurn.setSingleShot(true);
    receiver->nextTurn.setInterval(0);
    connect(&receiver->socket, &QUdpSocket::readyRead, this, [this, port] { readSome(port); });
    connect(&receiver->nextTurn, &QTimer::timeout, this, [this, port] { readSome(port); });
    m_receivers[port] = std::move(receiver);
    return true;
}

void UdpHub::closeAll()
{
    m_receivers.clear();
}

bool UdpHub::send(const QByteArray &bytes, const QHostAddress &address, quint16 port)
{
    if (address.isNull() || port == 0)
        return false;
    return m_sender.writeDatagram(bytes, address, port) == bytes.size();
}

void UdpHub::readSome(quint16 port)
{
    // Bounded, so that one busy port cannot keep the others' answers and the wait timers
    // waiting; readyRead does not come again for what is already queued, so the rest is asked
    // for on the next turn of the event loop.
    if (readUpTo(port, ReadBatch))
        nextTurn(port);
}

void UdpHub::readPending(quint16 port)
{
    if (readUpTo(port, MaxPending))
        nextTurn(port);
}

void UdpHub::nextTurn(quint16 port)
{
    const auto found = m_receivers.find(port);
    if (found != m_receivers.end() && !found->second->nextTurn.isActive())
        found->second->nextTurn.start();
}

bool UdpHub::readUpTo(quint16 port, int limit)
{
    auto found = m_receivers.find(port);
    if (found == m_receivers.end())
        return false;
    char buffer[MaxDatagram];
    for (int n = 0; n < limit; ++n) {
        QUdpSocket &socket = found->second->socket;
        if (!socket.hasPendingDatagrams())
            return false;
        QHostAddress sender;
        const qint64 size = socket.readDatagram(buffer, sizeof buffer, &sender);
        if (size < 0)
            continue;
        bool ipv4 = false;
        const quint32 ip = sender.toIPv4Address(&ipv4);
        UdpPeer *const to = ipv4 ? m_peers.value(key(ip, port)) : nullptr;
        if (!to) {
            ++m_strays;
            continue;
        }
        // A handler may close every receiver (the last job ends the run).
        to->deliver(QByteArray(buffer, size));
        found = m_receivers.find(port);
        if (found == m_receivers.end())
            return false;
    }
    return true;
}
