#pragma once

#include "check/Finding.h"
#include "model/Structures.h"
#include "programs/DiagramLayout.h"

#include <QString>

#include <vector>

// The signal-safety analysis: what the street sees in every cycle of every program and in every
// switch the day plans can make, against the conflict matrix and the transition rules. It only
// reads the blocks.
namespace SignalSafety {

// Findings of one ring, in the order: matrix and templates, then program by program, then the
// switches.
void check(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
           std::vector<ProjectCheck::Finding> &out);

// A violation within a program's own cycle, as the diagram marks it: one direction's stretch,
// seconds from the start of phase 1's main time, never past the cycle's end (a stretch over
// the cycle's end comes as two marks).
using Mark = Diagram::MarkSpan;
[[nodiscard]] std::vector<Mark> programMarks(const ProjectBlock &project,
                                             const ProgramsBlock &programs, int program);

} // namespace SignalSafety
