#pragma once

#include "model/Description.h"
#include "programs/TactsFixture.h"

// A four-armed crossing as an engineer would set it up: two vehicle approaches, a turn arrow
// and a pedestrian crossing, three phases with every kind of intermediate tact.
inline Ring sampleCrossing()
{
    Ring r;
    r.directions(4).type(2, 2).type(3, 1).times(3, 2, 3);
    r.green(0, 0).green(0, 3); // Ф1: main road and the pedestrians across the side road
    r.green(1, 1);             // Ф2: side road
    r.green(2, 0).green(2, 2); // Ф3: main road with its turn arrow
    for (auto [j, k] : {std::pair{0, 1}, {1, 3}, {1, 2}}) {
        r.conflict(j, k, 4);
        r.conflict(k, j, 3);
    }
    r.phases(0, 3).phase(0, 0, 0, 30).phase(0, 1, 1, 20).phase(0, 2, 2, 15);
    for (int program = 1; program < MaxPrograms; ++program)
        r.phases(program, 2).phase(program, 0, 0, 10 + program).phase(program, 1, 1, 12);
    // Minimum times and types differ from the main times so that a table mixing them up shows.
    for (int program = 0; program < MaxPrograms; ++program)
        for (int f = 0; f < 3; ++f)
            writeU16(r.g(), phaseOffset(program, f) + PhaseLayout::MinTime,
                     static_cast<std::uint16_t>(5 + f));
    r.g()[phaseOffset(0, 2) + PhaseLayout::Type] = 2; // ТВП
    setProjectDescription(r.p(), QStringLiteral("Ленина - Мира"));
    return r;
}
