#pragma once

#include "model/Structures.h"

#include <array>
#include <memory>

class RingModel;

// The whole project as the user sees it at one moment: every ring's two blocks (the working
// copy standing for the current ring, whose store may be stale), the ring count and where the
// user was. Blocks are shared with the snapshot taken before when their bytes are the same, so
// a step that changed one phase holds one programs block, not four rings.
struct ProjectSnapshot
{
    std::array<std::shared_ptr<const ProjectBlock>, MaxRings> project;
    std::array<std::shared_ptr<const ProgramsBlock>, MaxRings> programs;
    int ringCount = 1;
    int currentRing = 0;
    int currentProgram = 0;

    [[nodiscard]] static ProjectSnapshot take(const RingModel &model);
    // Shares with `previous` every block whose bytes did not change.
    [[nodiscard]] static ProjectSnapshot take(const RingModel &model,
                                              const ProjectSnapshot &previous);
    // Writes every ring back and makes the recorded ring and program current again.
    void restore(RingModel &model) const;

    // True when the bytes of some ring or the ring count differ; where the user was does not
    // count.
    [[nodiscard]] bool contentDiffers(const ProjectSnapshot &other) const;
};
