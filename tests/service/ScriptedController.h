#pragma once

#include "link/ControllerLink.h"
#include "support/FakeTransport.h"

#include <QTimer>

#include <functional>
#include <memory>

// A link on an in-memory wire whose controller is a function: command in, whole answer out
// (empty: no answer). Answers arrive on the next turn of the event loop.
struct ScriptedController
{
    std::unique_ptr<FakeTransport> serial = std::make_unique<FakeTransport>();
    std::unique_ptr<FakeTransport> udp = std::make_unique<FakeTransport>();
    std::unique_ptr<ControllerLink> link = std::make_unique<ControllerLink>(*serial, *udp);
    std::function<QByteArray(const QByteArray &)> answer;

    ScriptedController()
    {
        udp->needsOpen = false;
        const auto reply = [this](FakeTransport *wire) {
            return [this, wire](const QByteArray &command) {
                QByteArray trimmed = command;
                while (trimmed.endsWith('\n') || trimmed.endsWith('\r'))
                    trimmed.chop(1);
                const QByteArray text = answer ? answer(trimmed) : QByteArray();
                if (!text.isEmpty())
                    QTimer::singleShot(0, wire, [wire, text] { wire->deliver(text); });
            };
        };
        udp->reply = reply(udp.get());
        serial->reply = reply(serial.get());
    }

    [[nodiscard]] QList<QByteArray> sent() const
    {
        QList<QByteArray> all;
        for (QByteArray c : link->serialLink() ? serial->written : udp->written) {
            while (c.endsWith('\n') || c.endsWith('\r'))
                c.chop(1);
            all.append(c);
        }
        return all;
    }
};
