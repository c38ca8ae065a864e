#include "check/Finding.h"

#include "schedules/WeekPlans.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace ProjectCheck {

Severity severityOf(Kind kind)
{
    switch (kind) {
    case Kind::TramSignal:
    case Kind::TemplateConflict:
    case Kind::OutputTwice:
    case Kind::DayPlanEmptyProgram:
    case Kind::WeekPlanEmptyDayPlan:
    case Kind::PhaseAboveMaximum:
    case Kind::FileCutRing:
    case Kind::FileChecksum:
        return Severity::Error;
    case Kind::DayPlanOrder:
    case Kind::YearUnfilledWeekPlan:
    case Kind::PhaseBelowMinimum:
    case Kind::DirectionWithoutOutput:
        return Severity::Warning;
    }
    return Severity::Error;
}

Severity Finding::severity() const
{
    return severityOf(kind);
}

QString kindId(Kind kind)
{
    static const std::array<const char *, KindCount> ids = {"tram-signal",
                                                            "template-conflict",
                                                            "output-twice",
                                                            "day-plan-order",
                                                            "day-plan-empty-program",
                                                            "week-plan-empty-day-plan",
                                                            "year-unfilled-week-plan",
                                                            "phase-below-minimum",
                                                            "phase-above-maximum",
                                                            "direction-without-output",
                                                            "file-cut-ring",
                                                            "file-checksum"};
    return QString::fromLatin1(ids[std::size_t(kind)]);
}

QString severityText(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("ошибка")
                                       : QStringLiteral("предупреждение");
}

QString placeText(const Place &place)
{
    QStringList parts{QStringLiteral("кольцо %1").arg(place.ring + 1)};
    const auto add = [&parts](int index, const char *name) {
        if (index >= 0)
            parts << QStringLiteral("%1 %2").arg(QString::fromUtf8(name)).arg(index + 1);
    };
    add(place.templateIndex, "шаблон");
    add(place.tramSignal, "трамвайный сигнал");
    add(place.direction, "направление");
    add(place.program, "программа");
    add(place.phase, "фаза");
    add(place.dayPlan, "дневной план");
    add(place.entry, "запись");
    add(place.weekPlan, "недельный план");
    if (place.day >= 0)
        parts << Weeksplans::dayName(place.day);
    add(place.week, "неделя");
    return parts.join(QStringLiteral(", "));
}

QString findingLine(const Finding &finding)
{
    return severityText(finding.severity()) + QStringLiteral(": ") + placeText(finding.place) +
           QStringLiteral(": ") + finding.message;
}

bool hasErrors(const std::vector<Finding> &findings)
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding &f) { return f.isError(); });
}

namespace {

QString listOf(const std::vector<Finding> &findings, Severity severity)
{
    constexpr int Shown = 8;
    QStringList lines;
    int more = 0;
    for (const Finding &f : findings) {
        if (f.severity() != severity)
            continue;
        if (lines.size() < Shown)
            lines << placeText(f.place) + QStringLiteral(": ") + f.message;
        else
            ++more;
    }
    if (more > 0)
        lines << QStringLiteral("... и еще %1").arg(more);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString uploadErrorText(const std::vector<Finding> &findings)
{
    return QStringLiteral("Ошибка проекта, загрузка в ДК отменена:\n\n") +
           listOf(findings, Severity::Error) +
           QStringLiteral("\n\nВесь список - \"Проверить проект\".");
}

QString uploadWarningText(const std::vector<Finding> &findings)
{
    return QStringLiteral("Замечания к проекту:\n\n") + listOf(findings, Severity::Warning) +
           QStringLiteral("\n\nЗагрузить проект в ДК?");
}

} // namespace ProjectCheck
