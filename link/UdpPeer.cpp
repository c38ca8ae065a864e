#include "link/UdpPeer.h"

#include "link/UdpHub.h"

UdpPeer::UdpPeer(UdpHub &hub, const QHostAddress &address, quint16 port, QObject *parent)
    : Transport(parent), m_hub(hub), m_address(address), m_port(port)
{
}

bool UdpPeer::open()
{
    m_open = m_hub.listen(m_port);
    return m_open;
}

bool UdpPeer::write(const QByteArray &bytes)
{
    // As with the window's pair, the receiver listens before anything is sent, so that the
    // first answer is not lost.
    if (!m_open && !open())
        return false;
    return m_hub.send(bytes, m_address, m_port);
}

void UdpPeer::readPending()
{
    if (m_open)
        m_hub.readPending(m_port);
}

void UdpPeer::deliver(const QByteArray &datagram)
{
    if (m_open)
        emit received(datagram);
}
