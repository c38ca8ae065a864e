#pragma once

#include "check/Finding.h"
#include "model/Structures.h"

#include <span>
#include <vector>

class RingModel;
struct FileDamage;

// The whole-project check: every fault the configurator can see before a project goes to the
// street, ring by ring, each with its place. The tram check and the templates check are the
// ones the upload has always run; the others complete the picture.
namespace ProjectCheck {

// One ring as the controller would receive it.
struct RingView
{
    const ProjectBlock *project = nullptr;
    const ProgramsBlock *programs = nullptr;
};

// Findings of every ring, ring order; within a ring, in the order of the kinds.
[[nodiscard]] std::vector<Finding> run(std::span<const RingView> rings);
// The rings an upload sends: the working copy for the current ring, stores for the others;
// first what opening its file found damaged.
[[nodiscard]] std::vector<Finding> run(const RingModel &model);
// A file that lost part of a ring, or whose rings fail their checksum, must not go to the
// street as if it were whole.
void checkFileDamage(const FileDamage &damage, std::vector<Finding> &out);

// Parts of the check, one ring each (ScheduleCheck.cpp).
void checkDayPlans(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
                   std::vector<Finding> &out);
void checkWeekAndYearPlans(const ProjectBlock &project, int ring, std::vector<Finding> &out);
void checkPhaseTimes(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
                     std::vector<Finding> &out);

} // namespace ProjectCheck
