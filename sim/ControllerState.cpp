#include "sim/ControllerState.h"

#include "model/Structures.h"

bool ControllerState::isRing(int ring)
{
    return ring >= 1 && ring <= MaxRings;
}
