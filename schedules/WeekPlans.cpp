#include "schedules/WeekPlans.h"

#include <array>

namespace Weeksplans {

int dayPlan(const ProjectBlock &block, int weekPlan, int day)
{
    return block[weekPlanDayOffset(weekPlan, day)];
}

void setDayPlan(ProjectBlock &block, int weekPlan, int day, int dayPlan)
{
    block[weekPlanDayOffset(weekPlan, day)] =
        static_cast<std::uint8_t>(clampIndex(dayPlan, MaxDayPlans));
}

QString dayName(int day)
{
    static const std::array<QString, WeekDays> names = {
        QStringLiteral("ВС"), QStringLiteral("ПН"), QStringLiteral("ВТ"), QStringLiteral("СР"),
        QStringLiteral("ЧТ"), QStringLiteral("ПТ"), QStringLiteral("СБ")};
    return names[clampIndex(day, WeekDays)];
}

} // namespace Weeksplans
