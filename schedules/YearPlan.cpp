#include "schedules/YearPlan.h"

#include <algorithm>

namespace Year {

int weekPlan(const ProjectBlock &block, int week)
{
    return block[yearWeekOffset(week)];
}

void setWeekPlan(ProjectBlock &block, int week, int weekPlan)
{
    block[yearWeekOffset(week)] = static_cast<std::uint8_t>(clampIndex(weekPlan, MaxWeekPlans));
}

void setRange(ProjectBlock &block, int from, int to, int weekPlan)
{
    from = clampIndex(from, YearWeeks);
    to = clampIndex(to, YearWeeks);
    for (int week = std::min(from, to); week <= std::max(from, to); ++week)
        setWeekPlan(block, week, weekPlan);
}

QString cellText(const ProjectBlock &block, int week)
{
    return QString::number(weekPlan(block, week) + 1);
}

bool takeCellText(ProjectBlock &block, int week, const QString &text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < 1 || number > MaxWeekPlans)
        return false;
    setWeekPlan(block, week, number - 1);
    return true;
}

} // namespace Year
