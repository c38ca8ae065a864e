#include "link/UdpTransport.h"

#include <QNetworkDatagram>

UdpTransport::UdpTransport(QObject *parent) : Transport(parent)
{
    connect(&m_receiver, &QUdpSocket::readyRead, this, &UdpTransport::onReadyRead);
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
    return m_receiver.bind(QHostAddress::AnyIPv4, m_localPort,
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
}

void UdpTransport::close()
{
    m_receiver.close();
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
    while (m_receiver.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_receiver.receiveDatagram();
        if (datagram.isValid())
            emit received(datagram.data());
    }
}
