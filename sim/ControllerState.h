#pragma once

// The rings a "get state" may ask about; what each one reports is the running ring's own
// (ControllerRuntime).
class ControllerState
{
public:
    // Rings count from 1, as on the wire.
    [[nodiscard]] static bool isRing(int ring);
};
