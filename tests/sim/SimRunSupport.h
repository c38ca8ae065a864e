#pragma once

// A virtual controller on a clock the test moves by hand, and the flash loaded with a project
// as an upload leaves it.
#include "model/RingModel.h"
#include "sim/VirtualController.h"
#include "support/SeedFlash.h"

#include <QDateTime>

namespace SimRunSupport {

inline QByteArray payload(const QByteArray &answer)
{
    return answer.startsWith("SUCCESS:") ? answer.mid(8).chopped(1) : QByteArray("(refused)");
}

// The host clock stands still until the test moves it.
struct SteppedController
{
    QDateTime host{QDate(2026, 12, 7), QTime(0, 0), Qt::UTC};
    VirtualController controller;

    explicit SteppedController(const QDateTime &start)
    {
        controller.clock() = ControllerClock([this] { return host; });
        controller.clock().setTime(start);
    }
    void step(qint64 ms) { host = host.addMSecs(ms); }
    // Moves the clock to `time` of the controller's day.
    void stepTo(const QDateTime &time) { step(controller.clock().now().msecsTo(time)); }
    QByteArray state(int ring = 1)
    {
        return payload(controller.handle("get state " + QByteArray::number(ring)));
    }
    QByteArray lines() { return payload(controller.handle("get lines")); }
    QByteArray program(int ring = 1)
    {
        for (const QByteArray &token : state(ring).split(' ')) {
            if (token.startsWith("PROGRAM="))
                return token.mid(8);
        }
        return {};
    }
};

// Each ring of the project sealed as an upload sends it, written packet by packet.
inline void loadFlash(VirtualController &controller, RingModel &model)
{
    model.storeWorkingCopy();
    if (seedFlash(controller, model).size() != std::size_t(model.ringCount()))
        qFatal("the controller refused a flash packet");
}

} // namespace SimRunSupport
