#include "link/UdpTransport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QVariant>

UdpTransport::UdpTransport(QObject *parent) : Transport(parent)
{
    connect(&m_receiver, &QUdpSocket::readyRead, this, &UdpTransport::onReadyRead);
    // A timer rather than a posted call: posted calls go before timers, so a flood would
    // starve the window's own timers (the monitor's poll, the console's frame).
    m_nextTurn.setSingleShot(true);
    m_nextTurn.setInterval(0);
    connect(&m_nextTurn, &QTimer::timeout, this, &UdpTransport::onReadyRead);
}

void UdpTransport::setLocalPort(quint16 port)
{
    if (port == m_localPort && isOpen())
        return;
    const bool listening = isOpen();
    m_localPort = port;
    if (listening) {
        m_receiver.close();
        open();
    }
}

void UdpTransport::setPeer(const QHostAddress &address, quint16 port)
{
    m_peer = address;
    m_peerPort = port;
}

bool UdpTransport::open()
{
    if (isOpen())
        return true;
    if (m_localPort == 0)
        return false;
    if (!m_receiver.bind(QHostAddress::AnyIPv4, m_localPort,
                         QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return false;
    // Room for a burst that arrives while the window is busy with something else (the system
    // may grant less).
    m_receiver.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                               QVariant(ReceiveBuffer));
    return true;
}

void UdpTransport::close()
{
    m_receiver.close();
    m_nextTurn.stop();
    m_inbox = {};
}

bool UdpTransport::isOpen() const
{
    return m_receiver.state() == QAbstractSocket::BoundState;
}

bool UdpTransport::write(const QByteArray &bytes)
{
    return sendTo(bytes, m_peer, m_peerPort);
}

bool UdpTransport::sendTo(const QByteArray &bytes, const QHostAddress &address, quint16 port)
{
    if (address.isNull() || port == 0)
        return false;
    return m_sender.writeDatagram(bytes, address, port) == bytes.size();
}

void UdpTransport::onReadyRead()
{
    if (!isOpen())
        return;
    const bool more = readSocket();
    deliver();
    if (more || m_inbox.size() > 0)
        scheduleTurn();
}

bool UdpTransport::readSocket()
{
    // Reading is cheap next to what the receivers do with a datagram, so the socket is
    // emptied well ahead of them and the kernel does not drop the answer in a full buffer.
    QElapsedTimer spent;
    spent.start();
    char buffer[MaxDatagram];
    for (int n = 0; n < ReadBatch; ++n) {
        if (!m_receiver.hasPendingDatagrams())
            return false;
        if (spent.nsecsElapsed() > BatchNs)
            return true;
        QHostAddress sender;
        const qint64 size = m_receiver.readDatagram(buffer, sizeof buffer, &sender);
        if (size < 0)
            return m_receiver.hasPendingDatagrams();
        const bool fromPeer = sender.isEqual(m_peer, QHostAddress::TolerantConversion);
        if (m_inbox.size() >= MaxQueued) {
            if (!fromPeer)
                continue;
            if (!m_inbox.others.empty())
                m_inbox.others.pop_front();
            else
                m_inbox.fromPeer.pop_front();
        }
        (fromPeer ? m_inbox.fromPeer : m_inbox.others).emplace_back(buffer, size);
    }
    return true;
}

void UdpTransport::deliver()
{
    QElapsedTimer spent;
    spent.start();
    for (int n = 0; n < DeliverBatch && m_inbox.size() > 0; ++n) {
        if (spent.nsecsElapsed() > BatchNs)
            return;
        // The controller's datagrams go first: a command waits for them with a deadline.
        auto &queue = m_inbox.fromPeer.empty() ? m_inbox.others : m_inbox.fromPeer;
        const QByteArray datagram = std::move(queue.front());
        queue.pop_front();
        emit received(datagram);
    }
}

void UdpTransport::scheduleTurn()
{
    // readyRead does not come again for datagrams already waiting in the socket, and none at
    // all for those already read; the next batch is asked for once the event loop has had
    // its turn.
    if (!m_nextTurn.isActive())
        m_nextTurn.start();
}
