#pragma once

// The rules of the signal-safety analysis as scans over tracks; shared by the cycle and the
// switch analysis (SignalSafety.cpp, SafetySwitches.cpp).

#include "check/Finding.h"
#include "check/SafetyTrack.h"

#include <array>
#include <cstdint>
#include <vector>

namespace SignalSafety {

// What the project block says about one ring, read once.
struct Rules
{
    explicit Rules(const ProjectBlock &project);

    int directions = 0;
    std::array<bool, MaxDirections> vehicle{};
    std::array<bool, MaxDirections> tram{};
    std::array<std::uint32_t, MaxDirections> conflictsWith{}; // either flag
    std::array<std::uint32_t, MaxDirections> clearanceTo{};   // flag (i, j)
    std::array<std::array<std::uint8_t, MaxDirections>, MaxDirections> conflictTime{};
    std::array<int, MaxDirections> longestClearance{}; // the largest CT(i, j) with the flag set
    // Output channels (group × 3 + colour) each direction lights, per signal.
    std::array<std::array<std::uint32_t, 7>, MaxDirections> lit{};
    // Directions that conflict with d and light a green channel with it that the
    // output-twice check does not already name.
    std::array<std::uint32_t, MaxDirections> sharesGreen{};
    // Channels two directions bind in the rows the output-twice check reads: reported there.
    std::uint32_t boundTwice = 0;
    std::uint32_t boundOnce = 0;
    int yellow = 0, redYellow = 0, greenBlink = 0, minGreen = 0, minRed = 0, allRed = 0;
};

enum Detail : int {
    NoRedYellow,
    NoYellow,
    NoSteadyGreen,
    NoRed,
    ShortGreen,
    ShortRed,
    RedAndGreen,
    GreenShared,
};

struct Violation
{
    ProjectCheck::Kind kind = ProjectCheck::Kind::GreenConflict;
    int first = -1;
    int second = -1;
    int start = 0; // the offending stretch on the scanned track
    int end = 0;
    int measured = 0;
    int required = 0;
    int detail = 0; // Detail, or the output group for the output kinds
};

// A track and the part of it that belongs to what is scanned: events at times within
// [from, to] are reported, the rest of the track is context before and after.
struct Stretch
{
    Track track;
    int from = 0;
    int to = 0;
    bool halfOpen = false; // to itself excluded: the next cycle's copy reports it
    // Instants past this show what the new program's own cycle shows, and are scanned there;
    // only sequences that run into them are read with the switch. -1: up to `to`.
    int instantsTo = -1;
};

void scan(const Rules &rules, const Stretch &stretch, std::vector<Violation> &out);

} // namespace SignalSafety

namespace SignalSafety {

// A change of what a ring runs, as the day plans can make it: a program (0..31) or a mode
// (ModeBase + RingMode).
struct Switch
{
    int from = 0;
    int to = 0;
    int dayPlan = 0; // the first plan and entry found to make it
    int entry = 0;
    bool start = false; // from dark at a power-on or an upload, not by the day plan
};
inline constexpr int ModeBase = MaxPrograms;

// Every switch between two different things the day plans of the plans the year plan reaches
// can run: entry to entry in order of their start, the last entry to the first (the same plan
// on the next day), the last entry of any such plan to the first of any other (midnight), and
// from dark (ОС) into each program an entry runs (a power-on or an upload).
[[nodiscard]] std::vector<Switch> scheduledSwitches(const ProjectBlock &project,
                                                    const ProgramsBlock &programs);

// The switch tracks, each with A's cycle before as context; the scanned part is the switch
// itself and, into a program, B's first cycle after it.
[[nodiscard]] Stretch programSwitch(const Takts &takts, const Cycle &from, const Cycle &to,
                                    int &interval);
[[nodiscard]] Stretch enterMode(const Takts &takts, const ProjectBlock &project, const Cycle &from,
                                RingMode mode);
[[nodiscard]] Stretch leaveMode(const Takts &takts, const ProjectBlock &project, RingMode mode,
                                const Cycle &to);

} // namespace SignalSafety
