#include "link/UdpHub.h"

#include "link/UdpPeer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

UdpHub::UdpHub(QObject *parent) : QObject(parent) {}

UdpHub::~UdpHub()
{
    // The peers are children of the hub and go after the receivers that feed them.
    closeAll();
    if (m_sender >= 0)
        ::close(m_sender);
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

UdpHub::Receiver::~Receiver()
{
    notifier.reset();
    if (fd >= 0)
        ::close(fd);
}

bool UdpHub::listening(quint16 port) const
{
    return m_receivers.find(port) != m_receivers.end();
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
    receiver->fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (receiver->fd < 0) {
        m_error = qt_error_string(errno);
        return false;
    }
    // Shared as the window's receiver is, so that controllers on this host (other loopback
    // addresses) can bind the same port.
    const int one = 1;
    ::setsockopt(receiver->fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(port);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(receiver->fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0) {
        m_error = qt_error_string(errno);
        return false;
    }
    const int size = ReceiveBuffer;
    ::setsockopt(receiver->fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    receiver->notifier = std::make_unique<QSocketNotifier>(receiver->fd, QSocketNotifier::Read);
    connect(receiver->notifier.get(), &QSocketNotifier::activated, this,
            [this, port] { readUpTo(port, ReadBatch); });
    m_receivers[port] = std::move(receiver);
    return true;
}

void UdpHub::closeAll()
{
    m_receivers.clear();
}

bool UdpHub::send(const QByteArray &bytes, const QHostAddress &address, quint16 port)
{
    bool ipv4 = false;
    const quint32 ip = address.toIPv4Address(&ipv4);
    if (!ipv4 || port == 0)
        return false;
    if (m_sender < 0) {
        m_sender = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_sender < 0) {
            m_error = qt_error_string(errno);
            return false;
        }
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(ip);
    return ::sendto(m_sender, bytes.constData(), std::size_t(bytes.size()), 0,
                    reinterpret_cast<const sockaddr *>(&to), sizeof to) == bytes.size();
}

void UdpHub::readPending(quint16 port)
{
    readUpTo(port, MaxPending);
}

void UdpHub::readUpTo(quint16 port, int limit)
{
    // Bounded, so that one busy port cannot keep the others' answers and the wait timers
    // waiting; the notifier comes again for what is left.
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(std::size_t(CallBatch) * MaxDatagram);
    std::array<mmsghdr, CallBatch> messages{};
    std::array<iovec, CallBatch> pieces{};
    std::array<sockaddr_in, CallBatch> senders{};
    std::vector<std::pair<UdpPeer *, QByteArray>> arrived;
    for (int taken = 0; taken < limit;) {
        const auto found = m_receivers.find(port);
        if (found == m_receivers.end())
            return;
        const int want = std::min(CallBatch, limit - taken);
        for (int n = 0; n < want; ++n) {
            pieces[n] = {m_buffer.get() + std::size_t(n) * MaxDatagram, std::size_t(MaxDatagram)};
            messages[n] = {};
            messages[n].msg_hdr.msg_iov = &pieces[n];
            messages[n].msg_hdr.msg_iovlen = 1;
            messages[n].msg_hdr.msg_name = &senders[n];
            messages[n].msg_hdr.msg_namelen = sizeof senders[n];
        }
        const int got =
            ::recvmmsg(found->second->fd, messages.data(), unsigned(want), MSG_DONTWAIT, nullptr);
        if (got <= 0)
            return;
        taken += got;
        arrived.clear();
        for (int n = 0; n < got; ++n) {
            const sockaddr_in &from = senders[n];
            UdpPeer *const to = from.sin_family == AF_INET
                                    ? m_peers.value(key(ntohl(from.sin_addr.s_addr), port))
                                    : nullptr;
            if (!to) {
                ++m_strays;
                continue;
            }
            arrived.emplace_back(to, QByteArray(static_cast<const char *>(pieces[n].iov_base),
                                                qsizetype(messages[n].msg_len)));
        }
        for (const auto &[peer, datagram] : arrived) {
            // A handler may close every receiver (the last job ends the run).
            if (m_receivers.find(port) == m_receivers.end())
                return;
            peer->deliver(datagram);
        }
        if (got < want)
            return;
    }
}
