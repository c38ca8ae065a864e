#include "sim/SimEndpoint.h"

#include <QTimer>

SimEndpoint::SimEndpoint(VirtualController &controller, FaultPlan &faults, QObject *parent)
    : QObject(parent), m_controller(controller), m_faults(faults)
{
}

void SimEndpoint::answer(const QByteArray &command, std::function<void(const QByteArray &)> send)
{
    const QList<QByteArray> pieces = m_faults.shape(m_controller.handle(command));
    emit commandHandled(command);
    const int delay = m_faults.options().delayMs;
    if (delay == 0 && pieces.size() <= 1) {
        for (const QByteArray &piece : pieces)
            send(piece);
        return;
    }
    // Pieces of a split answer go out one event-loop turn (or one delay) apart, as separate
    // reads on the other side.
    int at = delay;
    for (const QByteArray &piece : pieces) {
        QTimer::singleShot(at, this, [send, piece] { send(piece); });
        at += qMax(delay, 2);
    }
}
