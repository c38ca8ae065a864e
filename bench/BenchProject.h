#pragma once

// The project the transfer benches send: every ring filled the way a real one would be, so the
// hex on the wire is realistic, and the check before an upload passes.
#include "model/RingModel.h"
#include "support/CheckClean.h"

#include <random>

// Random bytes wherever the check before the upload does not look (the program copy, the
// description, the reserve and the programs, held to valid phase counts and times), so the
// hex on the wire is realistic. Directions are wired ring by ring; plans, templates and
// conflicts keep their defaults; the transfer seals the rest.
inline void fillProject(RingModel &model, int rings, std::mt19937 &random)
{
    namespace PL = ProjectLayout;
    model.NewProjectDefaults();
    std::uniform_int_distribution<int> byte(0, 255);
    const auto scramble = [&](std::span<std::uint8_t> bytes) {
        for (auto &b : bytes)
            b = static_cast<std::uint8_t>(byte(random));
    };
    for (int r = 0; r < MaxRings; ++r) {
        RingData &ring = model.store(r);
        const std::span<std::uint8_t> project(ring.project);
        scramble(project.subspan(PL::CurrentProgram, PL::ConflictTimes - PL::CurrentProgram));
        scramble(project.subspan(PL::Description, PL::DescriptionSize));
        scramble(project.subspan(PL::Reserved, PL::ReservedSize));
        scramble(ring.programs);
        keepPhaseTimesValid(ring.programs);
    }
    wireEveryRing(model);
    model.setRingCount(rings);
    model.ReloadRing(0);
}
