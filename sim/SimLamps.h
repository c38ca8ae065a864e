#pragma once

#include "model/Structures.h"

#include <QByteArray>

#include <cstdint>

class RingRunner;

// The 24 output channels as the running rings drive them: each direction's signal lights the
// outputs of its bindings, through the same rows the monitor reads the lamps back from.
class SimLamps
{
public:
    // Blinking lamps, green and yellow alike, are lit in the first half of each second.
    [[nodiscard]] static bool blinkLit(qint64 ms);

    void add(const RingRunner &ring, qint64 ms);
    // While some ring has no valid project, every yellow output that no running ring binds
    // flashes: the controller cannot know which of them belong to that ring.
    void flashUnclaimed(qint64 ms, bool someRingBroken);
    [[nodiscard]] bool lit(int group, int colour) const;
    [[nodiscard]] QByteArray lines() const;

private:
    void light(const ProjectBlock &block, int direction, int colour, bool on);

    std::uint8_t m_lit[LampColours] = {};     // bit g-1 for group g
    std::uint8_t m_claimed[LampColours] = {}; // bound by a running ring
};
