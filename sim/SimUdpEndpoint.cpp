#include "sim/SimUdpEndpoint.h"

#include <QNetworkDatagram>

#include <unordered_map>

namespace {
// The addresses endpoints of this process listen on, with how many listen on each.
std::unordered_map<quint32, int> &ownAddresses()
{
    static std::unordered_map<quint32, int> addresses;
    return addresses;
}

quint32 ipv4(const QHostAddress &address)
{
    bool ok = false;
    const quint32 ip = address.toIPv4Address(&ok);
    return ok ? ip : 0;
}
} // namespace

SimUdpEndpoint::SimUdpEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent)
    : SimEndpoint(controller, faults, parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &SimUdpEndpoint::onReadyRead);
    // A timer rather than a posted call, so that the signal notifier gets its turn too.
    m_nextTurn.setSingleShot(true);
    m_nextTurn.setInterval(0);
    connect(&m_nextTurn, &QTimer::timeout, this, &SimUdpEndpoint::onReadyRead);
}

SimUdpEndpoint::~SimUdpEndpoint()
{
    if (m_listening != 0 && --ownAddresses()[m_listening] == 0)
        ownAddresses().erase(m_listening);
}

bool SimUdpEndpoint::listen(const QHostAddress &address, quint16 port)
{
    m_port = port;
    if (!m_socket.bind(address, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return false;
    if (const quint32 ip = ipv4(address); ip != 0 && m_listening == 0) {
        m_listening = ip;
        ++ownAddresses()[ip];
    }
    return true;
}

bool SimUdpEndpoint::isOwn(const QHostAddress &sender, const QHostAddress &arrivedAt) const
{
    const quint32 from = ipv4(sender);
    if (from == 0)
        return false;
    // Bound to every address, the one the datagram was sent to is this endpoint's own too.
    return ownAddresses().count(from) > 0 || (m_listening == 0 && from == ipv4(arrivedAt));
}

void SimUdpEndpoint::onReadyRead()
{
    char buffer[65536];
    for (int n = 0; n < ReadBatch; ++n) {
        if (!m_socket.hasPendingDatagrams())
            return;
        QHostAddress to;
        QByteArray command;
        if (m_listening != 0) {
            // Bound to one address, where a datagram was sent to is known: a plain read takes
            // one system call where a whole datagram's takes two, for every command of every
            // controller this process plays.
            const qint64 size = m_socket.readDatagram(buffer, sizeof buffer, &to);
            if (size < 0)
                continue;
            command = QByteArray(buffer, qsizetype(size));
        } else {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            if (!datagram.isValid())
                continue;
            to = datagram.senderAddress();
            command = datagram.data();
            if (isOwn(to, datagram.destinationAddress())) {
                ++m_ownDropped;
                continue;
            }
        }
        if (m_listening != 0 && isOwn(to, {})) {
            ++m_ownDropped;
            continue;
        }
        const qsizetype zero = command.indexOf('\0');
        if (zero >= 0)
            command.truncate(zero);
        answer(command,
               [this, to](const QByteArray &piece) { m_socket.writeDatagram(piece, to, m_port); });
    }
    // readyRead does not come again for datagrams already waiting.
    if (m_socket.hasPendingDatagrams() && !m_nextTurn.isActive())
        m_nextTurn.start();
}
