#pragma once

#include "config/Directions.h"
#include "model/ByteIO.h"
#include "model/RingModel.h"

// A two-ring project the whole-project check finds nothing in: ring 2 has its two directions
// wired to groups 3 and 4 and a complete tram signal on group 5.
inline void bindDirection(ProjectBlock &block, int d, int group)
{
    namespace DL = DirectionLayout;
    for (const std::size_t row : {DL::Red1, DL::Yellow1, DL::Green1})
        block[directionOffset(d) + row + DL::BindingGroup] = static_cast<std::uint8_t>(group);
}

inline void makeCleanProject(RingModel &model)
{
    namespace DL = DirectionLayout;
    model.NewProjectDefaults();
    model.setRingCount(2);
    ProjectBlock &second = model.store(1).project;
    bindDirection(second, 0, 3);
    bindDirection(second, 1, 4);
    const std::pair<int, std::size_t> tram[] = {{Napr::TramLeft, DL::Red1},
                                                {Napr::TramRight, DL::Green1},
                                                {Napr::TramStraight, DL::Yellow1}};
    for (const auto &[type, row] : tram) {
        const int d = second[ProjectLayout::DirectionCount];
        second[directionOffset(d) + DL::Type] = static_cast<std::uint8_t>(type);
        second[directionOffset(d) + row + DL::BindingGroup] = 5;
        second[ProjectLayout::DirectionCount] = static_cast<std::uint8_t>(d + 1);
    }
}
