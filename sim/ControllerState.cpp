#include "sim/ControllerState.h"

#include "model/Structures.h"

bool ControllerState::isRing(int ring)
{
    return ring >= 1 && ring <= MaxRings;
}

QByteArray ControllerState::ring(int ring) const
{
    Q_UNUSED(ring)
    return QByteArrayLiteral("WORK=PROGRAM PROGRAM=1 PROG_FAZA=2 LEVEL=PLAN");
}

QByteArray ControllerState::lines() const
{
    // No channel is red and green at once, as a conflict monitor would not allow it.
    return QByteArrayLiteral("RED_CHANNEL=10010000 YEL_CHANNEL=00000000 GREEN_CHANNEL=01100000");
}
