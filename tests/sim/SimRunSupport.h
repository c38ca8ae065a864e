#pragma once

// A virtual controller on a clock the test moves by hand, and the flash loaded with a project
// as an upload leaves it.
#include "model/RingModel.h"
#include "sim/VirtualController.h"

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

inline void writePackets(VirtualController &controller, const QByteArray &command, qsizetype base,
                         const std::uint8_t *bytes, qsizetype size)
{
    for (qsizetype at = 0; at < size; at += 512) {
        const qsizetype n = qMin<qsizetype>(512, size - at);
        const QByteArray data(reinterpret_cast<const char *>(bytes) + at, n);
        [[maybe_unused]] const QByteArray answer =
            controller.handle(command + ' ' + QByteArray::number(base + at, 16) + ' ' +
                              QByteArray::number(n) + ' ' + data.toHex());
    }
}

// Each ring of the project sealed as an upload sends it, written packet by packet.
inline void loadFlash(VirtualController &controller, RingModel &model)
{
    model.storeWorkingCopy();
    for (int r = 0; r < model.ringCount(); ++r) {
        RingData ring = model.store(r);
        RingModel::SealForController(ring);
        writePackets(controller, "proj_flashwr", qsizetype(r) * ProjectLayout::Size,
                     ring.project.data(), qsizetype(ring.project.size()));
        writePackets(controller, "progs_flashwr", qsizetype(r) * ProgramsLayout::Size,
                     ring.programs.data(), qsizetype(ring.programs.size()));
    }
}

} // namespace SimRunSupport
