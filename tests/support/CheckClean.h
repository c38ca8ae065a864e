#pragma once

// Contents the whole-project check passes, for fixtures that fill rings with their own data:
// an upload refuses a project with errors and asks about warnings.

#include "model/ByteIO.h"
#include "model/RingModel.h"

// Directions 1 and 2 of ring r on output groups 2r+1 and 2r+2, so that no channel of the
// four rings is bound twice.
inline void wireEveryRing(RingModel &model)
{
    namespace DL = DirectionLayout;
    for (int r = 0; r < MaxRings; ++r)
        for (int d = 0; d < 2; ++d)
            for (const std::size_t row : {DL::Red1, DL::Yellow1, DL::Green1})
                model.store(r).project[directionOffset(d) + row + DL::BindingGroup] =
                    static_cast<std::uint8_t>(2 * r + d + 1);
}

// Keeps whatever bytes the programs hold, but every program gets 1..32 phases, every phase a
// main time between its Тмин and the new project's maximum phase duration and at least the
// new project's minimum green, and additions of 0..3 s, so that no interval outgrows a byte.
inline void keepPhaseTimesValid(ProgramsBlock &programs)
{
    namespace FL = PhaseLayout;
    constexpr int MinGreen = 5; // a new project's minimum green
    for (int p = 0; p < MaxPrograms; ++p) {
        std::uint8_t &count = programs[programOffset(p) + ProgramLayout::PhaseCount];
        count = static_cast<std::uint8_t>(1 + count % MaxPhases);
        for (int f = 0; f < MaxPhases; ++f) {
            const std::size_t at = phaseOffset(p, f);
            const auto minimum =
                static_cast<std::uint16_t>(readU16(programs, at + FL::MinTime) % 60);
            writeU16(programs, at + FL::MinTime, minimum);
            writeU16(programs, at + FL::MainTime,
                     static_cast<std::uint16_t>(minimum + MinGreen +
                                                readU16(programs, at + FL::MainTime) % 600));
            for (int d = 0; d < MaxDirections; ++d)
                for (std::size_t a = 0; a < FL::AdditionSize; ++a)
                    programs[at + phaseAdditionOffset(d) + a] %= 4;
        }
    }
}
