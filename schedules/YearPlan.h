#pragma once

#include "model/Structures.h"

#include <QString>

// Year plan: one week plan per week of the year, weeks 1..54.
namespace Year {

// Week plan index (0-based) of a week (0-based), as stored.
[[nodiscard]] int weekPlan(const ProjectBlock &block, int week);
void setWeekPlan(ProjectBlock &block, int week, int weekPlan);
// Every week between the two ends, in either order, gets the week plan.
void setRange(ProjectBlock &block, int from, int to, int weekPlan);
// The week plan number shown for a week.
[[nodiscard]] QString cellText(const ProjectBlock &block, int week);
// Takes a typed week plan number; anything but a decimal 1..16 leaves the stored value and
// returns false.
bool takeCellText(ProjectBlock &block, int week, const QString &text);

} // namespace Year
