// The parts of the whole-project check that read the schedules and the programs.
#include "check/ProjectCheck.h"

#include "model/ByteIO.h"
#include "programs/Tacts.h"
#include "schedules/DayPlans.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <QStringList>

#include <algorithm>

namespace ProjectCheck {

namespace {

// A stored phase count as the controller takes it: 0 is a program without phases.
int storedPhaseCount(const ProgramsBlock &programs, int program)
{
    return std::min<int>(programs[programOffset(program) + ProgramLayout::PhaseCount], MaxPhases);
}

// Why the controller cannot run a program and flashes yellow in its place (empty when it can):
// a number past the last program, no phases, more than a program holds, or a cycle of 0 s
// that never leaves its first second.
QString whyNotRunnable(const Takts &takts, const ProgramsBlock &programs, int program)
{
    if (program >= MaxPrograms)
        return QStringLiteral("а программ всего %1: контроллер включит желтое мигание")
            .arg(MaxPrograms);
    const int stored = programs[programOffset(program) + ProgramLayout::PhaseCount];
    if (stored == 0)
        return QStringLiteral("в которой нет ни одной фазы");
    if (stored > MaxPhases)
        return QStringLiteral("в которой записано %1 фаз, больше %2: контроллер включит "
                              "вместо нее желтое мигание")
            .arg(stored)
            .arg(MaxPhases);
    if (!takts.canRun(program))
        return QStringLiteral("цикл которой 0 c: контроллер включит вместо нее желтое мигание");
    return {};
}

// "10-20", "3", "1-2, 7" for the weeks that use one week plan.
QString weekRanges(const std::vector<int> &weeks)
{
    QStringList parts;
    for (std::size_t i = 0; i < weeks.size();) {
        std::size_t j = i;
        while (j + 1 < weeks.size() && weeks[j + 1] == weeks[j] + 1)
            ++j;
        parts << (i == j ? QString::number(weeks[i] + 1)
                         : QStringLiteral("%1-%2").arg(weeks[i] + 1).arg(weeks[j] + 1));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

// A week plan other than the first whose days all still hold day plan 1, as a new project
// leaves them. The first is the new project's own schedule and counts as filled.
bool weekPlanUnfilled(const ProjectBlock &project, int weekPlan)
{
    if (weekPlan == 0)
        return false;
    for (int day = 0; day < WeekDays; ++day)
        if (Weeksplans::dayPlan(project, weekPlan, day) != 0)
            return false;
    return true;
}

} // namespace

void checkDayPlans(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
                   std::vector<Finding> &out)
{
    Takts takts;
    takts.bind(project, programs);
    for (int n = 0; n < MaxDayPlans; ++n) {
        const Dayplans::DayPlanView plan(project, n);
        if (plan.storedEmpty())
            continue; // reported where a week plan uses it
        Place place{ring};
        place.dayPlan = n;
        if (const auto e = plan.firstIncorrectEntry()) {
            place.entry = *e;
            out.push_back(
                {Kind::DayPlanOrder, place,
                 QStringLiteral("время начала %1 не позже предыдущей записи или за пределами суток")
                     .arg(Dayplans::startTimeText(plan.start(*e)))});
        }
        for (int e = 0; e < plan.entryCount(); ++e) {
            if (plan.kind(e) != int(Dayplans::Kind::Program))
                continue;
            const QString why = whyNotRunnable(takts, programs, plan.program(e));
            if (why.isEmpty())
                continue;
            place.entry = e;
            out.push_back({Kind::DayPlanEmptyProgram, place,
                           QStringLiteral("запись включает программу %1, %2")
                               .arg(plan.program(e) + 1)
                               .arg(why)});
        }
    }
}

void checkWeekAndYearPlans(const ProjectBlock &project, int ring, std::vector<Finding> &out)
{
    for (int w = 0; w < MaxWeekPlans; ++w) {
        // One finding per empty day plan, naming every day that uses it.
        for (int n = 0; n < MaxDayPlans; ++n) {
            if (!Dayplans::DayPlanView(project, n).storedEmpty())
                continue;
            QStringList days;
            int firstDay = -1;
            for (int day = 0; day < WeekDays; ++day)
                if (clampIndex(Weeksplans::dayPlan(project, w, day), MaxDayPlans) == n) {
                    days << Weeksplans::dayName(day);
                    firstDay = firstDay < 0 ? day : firstDay;
                }
            if (days.isEmpty())
                continue;
            Place place{ring};
            place.weekPlan = w;
            place.day = firstDay;
            out.push_back({Kind::WeekPlanEmptyDayPlan, place,
                           QStringLiteral("%1: дневной план %2 без единой записи")
                               .arg(days.join(QStringLiteral(", ")))
                               .arg(n + 1)});
        }
    }
    for (int w = 0; w < MaxWeekPlans; ++w) {
        if (!weekPlanUnfilled(project, w))
            continue;
        std::vector<int> weeks;
        for (int k = 0; k < YearWeeks; ++k)
            if (clampIndex(Year::weekPlan(project, k), MaxWeekPlans) == w)
                weeks.push_back(k);
        if (weeks.empty())
            continue;
        Place place{ring};
        place.week = weeks.front();
        out.push_back({Kind::YearUnfilledWeekPlan, place,
                       QStringLiteral("недели %1: недельный план %2 не заполнен (все дни - "
                                      "дневной план 1)")
                           .arg(weekRanges(weeks))
                           .arg(w + 1)});
    }
}

void checkPhaseTimes(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
                     std::vector<Finding> &out)
{
    const int maximum = readU16(project, ProjectLayout::MaxPhaseDuration);
    for (int p = 0; p < MaxPrograms; ++p)
        for (int f = 0; f < storedPhaseCount(programs, p); ++f) {
            const std::size_t at = phaseOffset(p, f);
            const int main = readU16(programs, at + PhaseLayout::MainTime);
            const int minimum = readU16(programs, at + PhaseLayout::MinTime);
            Place place{ring};
            place.program = p;
            place.phase = f;
            if (main < minimum)
                out.push_back(
                    {Kind::PhaseBelowMinimum, place,
                     QStringLiteral("Тосн %1 c меньше Тмин %2 c").arg(main).arg(minimum)});
            if (main > maximum)
                out.push_back({Kind::PhaseAboveMaximum, place,
                               QStringLiteral("Тосн %1 c больше максимальной длительности фазы "
                                              "%2 c")
                                   .arg(main)
                                   .arg(maximum)});
        }
}

} // namespace ProjectCheck
