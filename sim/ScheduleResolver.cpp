#include "sim/ScheduleResolver.h"

#include "schedules/DayPlans.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <optional>

namespace ScheduleResolver {
namespace {

constexpr std::uint32_t kSecondsPerDay = 24 * 3600;

// The entry of `plan` that started last at or before `second`, later entries winning a tie.
std::optional<int> lastStarted(const Dayplans::DayPlanView &plan, std::uint32_t second)
{
    std::optional<int> found;
    for (int e = 0; e < plan.entryCount(); ++e) {
        if (plan.start(e) <= second && (!found || plan.start(e) >= plan.start(*found)))
            found = e;
    }
    return found;
}

PlanEntry entryOf(const Dayplans::DayPlanView &plan, int e)
{
    switch (plan.kind(e)) {
    case int(Dayplans::Kind::Program):
        if (plan.program(e) < MaxPrograms)
            return {Mode::Program, plan.program(e)};
        return {Mode::Flashing, 0};
    case int(Dayplans::Kind::SignalsOff):
        return {Mode::SignalsOff, 0};
    case int(Dayplans::Kind::AllRed):
        return {Mode::AllRed, 0};
    default:
        return {Mode::Flashing, 0};
    }
}

} // namespace

int weekDay(QDate date)
{
    return date.dayOfWeek() % WeekDays;
}

int yearWeek(QDate date)
{
    const int firstDay = weekDay(QDate(date.year(), 1, 1));
    return clampIndex((date.dayOfYear() - 1 + firstDay) / WeekDays, YearWeeks);
}

int dayPlanOf(const ProjectBlock &block, QDate date)
{
    const int week = Year::weekPlan(block, yearWeek(date));
    return clampIndex(Weeksplans::dayPlan(block, week, weekDay(date)), MaxDayPlans);
}

PlanEntry entryInForce(const ProjectBlock &block, const QDateTime &time)
{
    const QDate date = time.date();
    const auto second = std::uint32_t(time.time().msecsSinceStartOfDay() / 1000);
    const Dayplans::DayPlanView today(block, dayPlanOf(block, date));
    if (const auto e = lastStarted(today, second))
        return entryOf(today, *e);
    const Dayplans::DayPlanView yesterday(block, dayPlanOf(block, date.addDays(-1)));
    if (const auto e = lastStarted(yesterday, kSecondsPerDay - 1))
        return entryOf(yesterday, *e);
    // Nothing starts inside a day at all: the first entry is all the plan says.
    return entryOf(today, 0);
}

} // namespace ScheduleResolver
