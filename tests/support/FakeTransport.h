#pragma once

#include "link/Transport.h"

#include <QList>

// An in-memory wire: records what the program writes and lets the test play the controller.
class FakeTransport : public Transport
{
    Q_OBJECT
public:
    using Transport::Transport;

    void setPortName(const QString &name) override { portName = name; }
    bool open() override
    {
        ++opens;
        opened = canOpen;
        return opened;
    }
    void close() override { opened = false; }
    [[nodiscard]] bool isOpen() const override { return opened; }
    bool write(const QByteArray &bytes) override
    {
        if (!opened && needsOpen)
            return false;
        written.append(bytes);
        if (reply)
            reply(bytes);
        return true;
    }
    void discardInput() override { ++discards; }

    // The controller's side.
    void deliver(const QByteArray &bytes) { emit received(bytes); }
    void hangUp()
    {
        opened = false;
        emit failed(QStringLiteral("gone"));
    }

    QString portName;
    bool canOpen = true;
    bool opened = false;
    bool needsOpen = true;
    int opens = 0;
    int discards = 0;
    QList<QByteArray> written;
    std::function<void(const QByteArray &)> reply;
};
