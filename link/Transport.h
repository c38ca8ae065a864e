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
    // Why the last open() failed, where the transport knows.
    [[nodiscard]] virtual QString errorString() const { return {}; }
    // Queues the bytes; false when they cannot go out at all.
    virtual bool write(const QByteArray &bytes) = 0;
    // Bytes accepted by write() that have not reached the wire yet.
    [[nodiscard]] virtual qint64 pendingBytes() const { return 0; }
    virtual void discardInput() {}
    // Hands on at once, through received(), what has already arrived from the controller but
    // is still waiting to be read (in the system's buffer or the transport's own queue). A
    // busy event loop can leave an answer unread past its command's deadline; this is asked
    // before a wait is declared unanswered, and before a new command goes out.
    virtual void readPending() {}

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
