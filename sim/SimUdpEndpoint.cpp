#include "sim/SimUdpEndpoint.h"

#include <QNetworkDatagram>

SimUdpEndpoint::SimUdpEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent)
    : SimEndpoint(controller, faults, parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &SimUdpEndpoint::onReadyRead);
}

bool SimUdpEndpoint::listen(const QHostAddress &address, quint16 port)
{
    m_port = port;
    return m_socket.bind(address, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

void SimUdpEndpoint::onReadyRead()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        if (!datagram.isValid())
            continue;
        QByteArray command = datagram.data();
        const qsizetype zero = command.indexOf('\0');
        if (zero >= 0)
            command.truncate(zero);
        const QHostAddress to = datagram.senderAddress();
        answer(command,
               [this, to](const QByteArray &piece) { m_socket.writeDatagram(piece, to, m_port); });
    }
}
