#pragma once

#include "model/Structures.h"

#include <QDateTime>

// Which program or special mode a ring's schedule puts in force at a moment of its clock:
// year plan → week plan → day plan → the entry that started last.
namespace ScheduleResolver {

enum class Mode { Program, Flashing, SignalsOff, AllRed };

struct PlanEntry
{
    Mode mode = Mode::Flashing;
    int program = 0; // 0-based, meaningful for Mode::Program
    bool operator==(const PlanEntry &) const = default;
};

// 0 = Sunday, as the week plans store the days.
[[nodiscard]] int weekDay(QDate date);
// Week 0..53 of the year: weeks start on Sunday and the first one holds 1 January, so a year
// that starts late in a week and runs into a 54th one still finds a plan for its last days.
[[nodiscard]] int yearWeek(QDate date);
[[nodiscard]] int dayPlanOf(const ProjectBlock &block, QDate date);

// Before the day's first entry starts, the last entry of the day before is still in force,
// as it was at midnight. An entry of an unknown kind or for a program beyond 32 gives yellow
// flashing: the controller does not guess what was meant.
[[nodiscard]] PlanEntry entryInForce(const ProjectBlock &block, const QDateTime &time);

} // namespace ScheduleResolver
