#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// What the command exchange needs of a wire: the serial port, the UDP pair and the in-memory
// stand-in of the tests all look like this.
class Transport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The serial port opens on demand under a name; datagram endpoints ignore it.
    virtual void setPortName(const QString &) {}
    virtual bool open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    // Queues the bytes; false when they cannot go out at all.
    virtual bool write(const QByteArray &bytes) = 0;
    // Bytes accepted by write() that have not reached the wire yet.
    [[nodiscard]] virtual qint64 pendingBytes() const { return 0; }
    virtual void discardInput() {}

signals:
    void received(const QByteArray &bytes);
    // A datagram from somebody other than the controller ("A.B.C.D:P"): never an answer,
    // only shown as what it is.
    void stranger(const QString &from, const QByteArray &datagram);
    // Everything written so far has gone out.
    void drained();
    // The wire went away (an adapter pulled out); the transport has closed itself.
    void failed(const QString &reason);
};
