#pragma once

#include "model/Structures.h"
#include "programs/Tacts.h"

#include <array>
#include <cstdint>
#include <vector>

// What the street sees over time: each direction's signal as a list of stretches, built from the
// same tact tables the diagram draws. The safety rules are scans over these lists.
namespace SignalSafety {

// In the order of the switch tacts' lamps, so that one converts into the other by value.
enum class Signal : std::uint8_t { Off, Green, GreenBlink, Red, RedYellow, Yellow, YellowFlash };

[[nodiscard]] Signal signalOf(std::uint8_t tactColour);
[[nodiscard]] constexpr bool greenFamily(Signal s)
{
    return s == Signal::Green || s == Signal::GreenBlink;
}

struct Span
{
    int start = 0;
    int end = 0; // exclusive, seconds
    Signal signal = Signal::Off;
};

// A stretch of time for every direction; rows hold adjacent spans of one signal merged.
struct Track
{
    int directions = 0;
    int length = 0;
    std::array<std::vector<Span>, MaxDirections> rows{};

    // Appends `seconds` of `signal` to direction d; a stretch of 0 s leaves no span.
    void append(int d, Signal signal, int seconds);
    // Appends the rows of `other`, shifted to start at this track's end.
    void appendTrack(const Track &other, int from = 0, int to = -1);
    // Brings every row to the track's length with `signal`.
    void padTo(int length, Signal signal);
};

// One program's cycle as the controller runs it, t = 0 at the start of phase 0's main time.
struct Cycle
{
    int program = 0;
    Track track;
    std::vector<int> mainStart; // per phase
    std::vector<int> mainEnd;
    std::vector<int> interval;          // H of the interval after the phase
    std::vector<std::uint8_t> lastMain; // per direction: main colour of the last phase
    [[nodiscard]] int phaseCount() const { return int(mainStart.size()); }
    // The phase whose main time or following interval holds second t of the cycle.
    [[nodiscard]] int phaseAt(int t) const;
};

[[nodiscard]] Cycle buildCycle(const Takts &takts, int program);

// The special modes a day plan switches to.
enum class Mode : std::uint8_t { Flashing, SignalsOff, AllRed };

} // namespace SignalSafety
