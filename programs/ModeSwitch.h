#pragma once

#include "model/Structures.h"
#include "programs/Tacts.h"

#include <array>
#include <cstdint>
#include <vector>

// What a direction shows, for timelines: the tact colours plus the special modes.
enum class Lamp : std::uint8_t { Off, Green, GreenBlink, Red, RedYellow, Yellow, YellowFlash };
[[nodiscard]] Lamp lampOf(std::uint8_t tactColour);

struct LampSpan
{
    int start = 0; // [start, end) in seconds
    int end = 0;
    Lamp lamp = Lamp::Off;
    bool operator==(const LampSpan &) const = default;
};
using LampTimeline = std::vector<LampSpan>; // ordered, no gaps, neighbours of one lamp merged

struct SwitchTimeline
{
    std::array<LampTimeline, MaxDirections> directions{}; // only directionCount() used
    int length = 0;
    int fromPhase = -1, toPhase = -1; // places for findings (0-based, -1 where no program)
    // Where each program phase's main time begins in this timeline, in order: the phases of a
    // cycle, or the old program's last phase and the new program's first one.
    std::vector<int> phaseStarts;
};

enum class RingMode : std::uint8_t { Program, Flashing, SignalsOff, AllRed }; // ЖМ ОС КК

[[nodiscard]] Lamp modeLamp(RingMode mode);

// The colour sequences of a ring's switches, built once here so that the safety analysis
// predicts exactly what the controller puts on the street. Whole seconds throughout.
namespace ModeSwitch {
// One whole cycle of a program as the controller runs it (main times and intervals), t=0 at
// the start of phase 0's main time.
[[nodiscard]] SwitchTimeline cycle(const Takts &takts, int program);
// From the start of A's last phase main time, through the intermediate tacts between A's last
// phase and B's phase 0, to the end of B's phase 0 main time.
[[nodiscard]] SwitchTimeline programSwitch(const Takts &takts, int fromProgram, int toProgram);
// From the start of the program's last phase main time, through the clearance, to 1 s of the
// settled mode.
[[nodiscard]] SwitchTimeline enterMode(const Takts &takts, const ProjectBlock &project,
                                       int fromProgram, RingMode mode);
// From 1 s of the mode (SignalsOff for power-on and upload) through the all-red and the
// red-yellow to the end of the program's phase 0 main time.
[[nodiscard]] SwitchTimeline leaveMode(const Takts &takts, const ProjectBlock &project,
                                       RingMode mode, int toProgram);

// One phase period as the controller runs it: the main time (when asked for) and then the
// interval, each direction's tacts cut at the interval's end or, when they fall short, with
// their last colour held to it.
void appendPeriod(SwitchTimeline &timeline, int directions, const TransitionTable &table,
                  bool withMain);
// Adds [timeline.length, +seconds) of one lamp for every direction.
void appendAll(SwitchTimeline &timeline, int directions, int seconds, Lamp lamp);
// The lamp at second `at` (the last one past the end; Off when empty).
[[nodiscard]] Lamp lampAt(const LampTimeline &timeline, int at);
} // namespace ModeSwitch
