#pragma once

#include "model/Structures.h"

#include <array>
#include <cstdint>

// Tact colour codes, as the controller stores them.
enum TactColour : std::uint8_t {
    TactNone = 0,
    TactGreen = 1,
    TactGreenBlink = 2,
    TactRed = 3,
    TactRedYellow = 4,
    TactYellow = 5,
};

inline constexpr int IntermediateSlots = 4;

// One coloured stretch of a direction's signal. Durations are full integers: an interval
// longer than 255 s must still be drawn and summed at its real length.
struct Tact
{
    std::uint8_t colour = TactNone;
    int duration = 0;
    bool operator==(const Tact &) const = default;
};

struct DirectionTacts
{
    std::uint8_t mainColour = TactNone;
    std::array<Tact, IntermediateSlots> tacts{};
};

// The main time of one phase and the interval that leads from it into the next phase.
struct TransitionTable
{
    std::array<DirectionTacts, MaxDirections> directions{};
    int mainTime = 0;
    int interval = 0; // H
};

// Computes the intermediate tacts between two phases from the ring's safety parameters,
// templates and the per-direction additions of the phases. It only reads the blocks.
class Takts
{
public:
    void bind(const ProjectBlock &project, const ProgramsBlock &programs);

    [[nodiscard]] TransitionTable computeTransition(int fromProgram, int toProgram, int fromPhase,
                                                    int toPhase) const;
    [[nodiscard]] int nextPhase(int program, int phase) const;
    [[nodiscard]] int cycleLength(int program) const;
    // Whether the controller can run the program as stored: a number it has, a stored phase
    // count of 1..32 and a cycle longer than 0 s. It flashes yellow in place of any other.
    [[nodiscard]] bool canRun(int program) const;

    // Directions taken into account: the stored count, never more than the table holds.
    [[nodiscard]] int directionCount() const { return m_directionCount; }
    // Phases of a program as far as drawing and computing go: a stored count of 0 or above 32
    // (possible in a file) is held to 1..32, so no phase record outside the program is read.
    [[nodiscard]] int phaseCount(int program) const;

private:
    [[nodiscard]] std::uint8_t mark(int templ, int direction) const;

    const ProjectBlock *m_project = nullptr;
    const ProgramsBlock *m_programs = nullptr;
    int m_directionCount = 0;
};

// Shared by the computation and the editor so that both read the same phase fields.
[[nodiscard]] int effectivePhaseCount(std::uint8_t stored);
