#pragma once

#include "model/Structures.h"
#include "programs/ModeSwitch.h"
#include "programs/Tacts.h"

#include <array>
#include <cstdint>
#include <vector>

// What the street sees over time: each direction's lamps as a list of stretches, built by the
// switch tacts module from the same tact tables the diagram draws and the virtual controller
// runs. The safety rules are scans over these lists.
namespace SignalSafety {

[[nodiscard]] constexpr bool greenFamily(Lamp s)
{
    return s == Lamp::Green || s == Lamp::GreenBlink;
}

// A stretch of time for every direction; rows hold adjacent spans of one lamp merged.
struct Track
{
    int directions = 0;
    int length = 0;
    std::array<LampTimeline, MaxDirections> rows{};

    // Appends `seconds` of `lamp` to direction d; a stretch of 0 s leaves no span.
    void append(int d, Lamp lamp, int seconds);
    // Appends [from, to) of `other`'s rows, shifted to start at this track's end.
    void appendTrack(const Track &other, int from = 0, int to = -1);
    void appendTimeline(const SwitchTimeline &timeline, int from = 0, int to = -1);
    // Brings every row to `length` with `lamp`.
    void padTo(int length, Lamp lamp);
};

// One program's cycle as the controller runs it, t = 0 at the start of phase 0's main time.
struct Cycle
{
    int program = 0;
    Track track;
    std::vector<int> mainStart; // per phase
    std::vector<int> mainEnd;
    std::vector<int> interval; // H of the interval after the phase
    [[nodiscard]] int phaseCount() const { return int(mainStart.size()); }
    // The phase whose main time or following interval holds second t of the cycle.
    [[nodiscard]] int phaseAt(int t) const;
};

[[nodiscard]] Cycle buildCycle(const Takts &takts, int program);

} // namespace SignalSafety
