#include "sim/SimUdpEndpoint.h"

#include <QNetworkDatagram>

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
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
    m_readable.reset();
    if (m_fd >= 0)
        ::close(m_fd);
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
        takeOver();
    }
    return true;
}

void SimUdpEndpoint::takeOver()
{
    // A process plays hundreds of controllers, each a command at a time. QUdpSocket asks the
    // system whether a datagram waits before it signals and again before every read, and
    // switches its notifier off and on around each: about twice the system calls of a plain
    // read until the socket is empty. The socket it bound (with its options and its error
    // texts) is kept under a descriptor of its own, watched with the other controllers'
    // sockets; the one Qt holds is closed.
    const int fd = ::fcntl(int(m_socket.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return; // m_socket keeps serving
    m_readable = SocketPoll::watch(fd, [this] { readBound(); });
    if (!m_readable) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_socket.close();
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
}

void SimUdpEndpoint::readBound()
{
    char buffer[65536];
    // The watch comes again while datagrams wait, so a full batch needs no turn of its own.
    for (int n = 0; n < ReadBatch; ++n) {
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t size = ::recvfrom(m_fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (size < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            continue;
        }
        if (from.sin_family != AF_INET)
            continue;
        const quint32 sender = ntohl(from.sin_addr.s_addr);
        if (ownAddresses().count(sender) > 0) {
            ++m_ownDropped;
            continue;
        }
        const qsizetype zero = QByteArrayView(buffer, size).indexOf('\0');
        answer(QByteArray(buffer, zero < 0 ? size : zero),
               [this, sender](const QByteArray &piece) { sendBound(piece, sender); });
    }
}

void SimUdpEndpoint::sendBound(const QByteArray &bytes, quint32 to) const
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_port);
    address.sin_addr.s_addr = htonl(to);
    ::sendto(m_fd, bytes.constData(), std::size_t(bytes.size()), 0,
             reinterpret_cast<const sockaddr *>(&address), sizeof address);
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
