#pragma once

#include <QByteArray>

// What the controller reports about its running state. For now a fixed, plausible picture; this
// is the one place to teach it to run the uploaded project.
class ControllerState
{
public:
    // Rings count from 1, as on the wire.
    [[nodiscard]] static bool isRing(int ring);
    // Space-separated KEY=VALUE tokens; the controller never sends more than nine.
    [[nodiscard]] QByteArray ring(int ring) const;
    // Red, yellow and green of eight channels, one '0'/'1' per channel.
    [[nodiscard]] QByteArray lines() const;
};
