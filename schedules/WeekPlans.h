#pragma once

#include "model/Structures.h"

#include <QString>

// Week plans: one day plan per weekday, Sunday first.
namespace Weeksplans {

inline constexpr std::size_t TableSize = MaxWeekPlans * WeekPlanSize;

// Day plan index (0-based) of a weekday (0 = Sunday) in a week plan, as stored.
[[nodiscard]] int dayPlan(const ProjectBlock &block, int weekPlan, int day);
void setDayPlan(ProjectBlock &block, int weekPlan, int day, int dayPlan);
// "ВС", "ПН", ... in the order of the record.
[[nodiscard]] QString dayName(int day);

} // namespace Weeksplans
