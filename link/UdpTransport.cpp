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
        close();
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
    m_lock = PortLock::acquire(m_localPort, &m_error);
    if (!m_lock)
        return false;
    if (!m_receiver.bind(QHostAddress::AnyIPv4, m_localPort,
                         QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_error = m_receiver.errorString();
        m_lock.reset();
        return false;
    }
    // Room for a burst that arrives while the window is busy with something else (the system
    // may grant less).
    m_receiver.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                               QVariant(ReceiveBuffer));
    return true;
}

void UdpTransport::close()
{
    m_receiver.close();
    m_lock.reset();
    m_nextTurn.stop();
    m_inbox = {};
}

bool UdpTransport::isOpen() const
{
    return m_receiver.state() == QAbstractSocket::BoundState;
}

bool UdpTransport::write(const QByteArray &bytes)
{
    // The receiver listens before anything is sent, or the answer is lost: the port may have
    // been held by another program when it was set, and let go since. The datagram goes out
    // in any case; a caller on the serial link never reads its answer.
    open();
    return sendTo(bytes, m_peer, m_peerPort);
}

void UdpTransport::readPending()
{
    // Bounded as a turn is; strangers' datagrams wait for the next turn, the controller's are
    // all handed on now (there are seldom more than one or two).
    if (isOpen())
        readSocket();
    while (!m_inbox.fromPeer.empty()) {
        const QByteArray datagram = std::move(m_inbox.fromPeer.front());
        m_inbox.fromPeer.pop_front();
        emit received(datagram);
    }
}

bool UdpTransport::sendTo(const QByteArray &bytes, const QHostAddress &address, quint16 port)
{
    if (address.isNull() || port == 0)
        return false;
    return m_sender.writeDatagram(bytes, address, port) == bytes.size();
}

bool UdpTransport::isPeer(const QHostAddress &sender) const
{
    bool senderIpv4 = false;
    bool peerIpv4 = false;
    const quint32 from = sender.toIPv4Address(&senderIpv4);
    const quint32 peer = m_peer.toIPv4Address(&peerIpv4);
    return senderIpv4 && peerIpv4 && from == peer;
}

QString UdpTransport::senderText(const QHostAddress &sender, quint16 port)
{
    bool ipv4 = false;
    const quint32 ip = sender.toIPv4Address(&ipv4);
    const QString address = ipv4 ? QHostAddress(ip).toString() : sender.toString();
    return QStringLiteral("%1:%2").arg(address).arg(port);
}

void UdpTransport::onReadyRead()
{
    const bool more = isOpen() && readSocket();
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
        quint16 senderPort = 0;
        const qint64 size = m_receiver.readDatagram(buffer, sizeof buffer, &sender, &senderPort);
        if (size < 0)
            return m_receiver.hasPendingDatagrams();
        take(QByteArray(buffer, size), sender, senderPort);
    }
    return true;
}

void UdpTransport::take(const QByteArray &datagram, const QHostAddress &sender, quint16 port)
{
    const bool fromPeer = isPeer(sender);
    if (!fromPeer)
        ++m_strangers;
    if (m_inbox.size() >= MaxQueued) {
        if (!fromPeer)
            return;
        if (!m_inbox.others.empty())
            m_inbox.others.pop_front();
        else
            m_inbox.fromPeer.pop_front();
    }
    if (fromPeer)
        m_inbox.fromPeer.push_back(datagram);
    else
        m_inbox.others.emplace_back(senderText(sender, port), datagram);
    scheduleTurn();
}

void UdpTransport::deliver()
{
    QElapsedTimer spent;
    spent.start();
    for (int n = 0; n < DeliverBatch && m_inbox.size() > 0; ++n) {
        if (spent.nsecsElapsed() > BatchNs)
            return;
        // The controller's datagrams go first: a command waits for them with a deadline.
        if (!m_inbox.fromPeer.empty()) {
            const QByteArray datagram = std::move(m_inbox.fromPeer.front());
            m_inbox.fromPeer.pop_front();
            emit received(datagram);
        } else {
            const auto [from, datagram] = std::move(m_inbox.others.front());
            m_inbox.others.pop_front();
            emit stranger(from, datagram);
        }
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
