#pragma once

// The command exchange over two in-memory wires, for the targets that play the controller.

#include "link/ControllerLink.h"
#include "link/Transport.h"

#include <functional>

class FuzzWire : public Transport
{
    Q_OBJECT
public:
    using Transport::Transport;
    bool open() override { return m_open = true; }
    void close() override { m_open = false; }
    [[nodiscard]] bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        if (!m_open)
            return false;
        // Everything written goes out at once.
        if (answer)
            answer(bytes);
        return true;
    }
    void deliver(const QByteArray &bytes) { emit received(bytes); }

    // Plays the controller: called with every command as it is written.
    std::function<void(const QByteArray &)> answer;

private:
    bool m_open = true;
};

struct LinkRig
{
    FuzzWire serial;
    FuzzWire udp;
    ControllerLink link{serial, udp};
};
