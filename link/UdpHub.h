#pragma once

#include "link/PortLock.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>

#include <map>
#include <memory>

class UdpPeer;

// The conversations with many controllers at once, through the one receiver port the
// controllers answer to. Every controller answers to the sender's address at its own port, so
// a datagram is told apart by where it came from: it goes to the peer of that address and
// port, and nowhere else. Datagrams from anyone else are dropped. The port a datagram comes
// from is not looked at: a controller is known only to answer to our port, as the window's
// link takes it.
class UdpHub : public QObject
{
    Q_OBJECT
public:
    explicit UdpHub(QObject *parent = nullptr);
    ~UdpHub() override;

    // The wire to the controller at `address` and `port`, made on first asking; the hub keeps
    // it. Its receiver listens on `port`, shared with every other peer of that port.
    [[nodiscard]] UdpPeer *peer(const QHostAddress &address, quint16 port);

    // Binds the receiver of `port` unless it listens already.
    bool listen(quint16 port);
    void closeAll();
    [[nodiscard]] bool listening(quint16 port) const;
    [[nodiscard]] QString errorString() const { return m_error; }
    // Datagrams that came from no known controller.
    [[nodiscard]] qint64 strays() const { return m_strays; }

    bool send(const QByteArray &bytes, const QHostAddress &address, quint16 port);
    // Reads at once what the receiver of `port` holds, up to MaxPending datagrams, each
    // handed to its peer.
    void readPending(quint16 port);

    static constexpr int ReadBatch = 256;
    // Datagrams taken from the receiver in one system call.
    static constexpr int CallBatch = 32;
    static constexpr int MaxPending = 4096;
    static constexpr int MaxDatagram = 65536;
    static constexpr int ReceiveBuffer = 1 << 20;

private:
    // A plain descriptor rather than a QUdpSocket, so that one call takes many datagrams;
    // its notifier fires for as long as any wait unread.
    struct Receiver
    {
        ~Receiver();
        std::shared_ptr<PortLock> lock;
        int fd = -1;
        std::unique_ptr<QSocketNotifier> notifier;
    };
    [[nodiscard]] static quint64 key(quint32 address, quint16 port)
    {
        return (quint64(address) << 16) | port;
    }
    // Reads at most `limit` datagrams, each handed to its peer.
    void readUpTo(quint16 port, int limit);

    std::map<quint16, std::unique_ptr<Receiver>> m_receivers;
    // A plain IPv4 descriptor as well: a QUdpSocket's write went through its engine's checks
    // and the IPv6 stack (mapped addresses) for every command.
    int m_sender = -1;
    QHash<quint64, UdpPeer *> m_peers;
    // CallBatch datagrams of MaxDatagram bytes, left uninitialised: only the pages the
    // datagrams reach are ever touched.
    std::unique_ptr<char[]> m_buffer;
    qint64 m_strays = 0;
    QString m_error;
};
