#include "cli/FileCommands.h"
#include "cli/JsonOutput.h"
#include "cli/LoadedProject.h"

#include "config/Directions.h"
#include "model/Description.h"
#include "programs/Tacts.h"
#include "schedules/DayPlans.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <QJsonArray>
#include <QJsonObject>

#include <functional>
#include <set>

namespace {

QJsonArray directionsOf(const ProjectBlock &project)
{
    QJsonArray directions;
    for (int d = 0; d < Napr::directionCount(project); ++d)
        directions.append(
            QJsonObject{{QStringLiteral("number"), d + 1},
                        {QStringLiteral("type"), Napr::typeName(Napr::directionType(project, d))}});
    return directions;
}

// A program counts as in use once it has a stored phase count; an untouched record holds 0.
QJsonArray programsOf(const RingData &ring)
{
    Takts takts;
    takts.bind(ring.project, ring.programs);
    QJsonArray programs;
    for (int p = 0; p < MaxPrograms; ++p) {
        if (ring.programs[programOffset(p) + ProgramLayout::PhaseCount] == 0)
            continue;
        programs.append(QJsonObject{{QStringLiteral("number"), p + 1},
                                    {QStringLiteral("phases"), takts.phaseCount(p)},
                                    {QStringLiteral("cycle"), takts.cycleLength(p)}});
    }
    return programs;
}

// Runs of equal week plans over the year: what the year plan dialog shows as ranges.
QJsonArray yearPlanOf(const ProjectBlock &project, std::set<int> &weekPlans)
{
    QJsonArray runs;
    int from = 0;
    for (int week = 0; week < YearWeeks; ++week) {
        const int plan = Year::weekPlan(project, week);
        if (week + 1 < YearWeeks && Year::weekPlan(project, week + 1) == plan)
            continue;
        weekPlans.insert(plan);
        runs.append(QJsonObject{{QStringLiteral("from"), from + 1},
                                {QStringLiteral("to"), week + 1},
                                {QStringLiteral("weekPlan"), plan + 1}});
        from = week + 1;
    }
    return runs;
}

QJsonArray weekPlansOf(const ProjectBlock &project, const std::set<int> &used,
                       std::set<int> &dayPlans)
{
    QJsonArray plans;
    for (const int w : used) {
        QJsonArray days;
        for (int day = 0; day < WeekDays; ++day) {
            const int plan = Weeksplans::dayPlan(project, clampIndex(w, MaxWeekPlans), day);
            dayPlans.insert(plan);
            days.append(plan + 1);
        }
        plans.append(
            QJsonObject{{QStringLiteral("number"), w + 1}, {QStringLiteral("days"), days}});
    }
    return plans;
}

QJsonArray dayPlansOf(const ProjectBlock &project, const std::set<int> &used)
{
    QJsonArray plans;
    for (const int n : used) {
        const Dayplans::DayPlanView view(project, clampIndex(n, MaxDayPlans));
        QJsonArray entries;
        for (int e = 0; e < view.entryCount(); ++e)
            entries.append(QJsonObject{
                {QStringLiteral("start"), Dayplans::startTimeText(view.start(e))},
                {QStringLiteral("program"), Dayplans::programText(view.kind(e), view.program(e))}});
        plans.append(
            QJsonObject{{QStringLiteral("number"), n + 1}, {QStringLiteral("entries"), entries}});
    }
    return plans;
}

QJsonObject ringInfo(const RingData &ring, int r)
{
    std::set<int> weekPlans;
    std::set<int> dayPlans;
    const QJsonArray year = yearPlanOf(ring.project, weekPlans);
    const QJsonArray weeks = weekPlansOf(ring.project, weekPlans, dayPlans);
    return QJsonObject{{QStringLiteral("ring"), r + 1},
                       {QStringLiteral("directions"), directionsOf(ring.project)},
                       {QStringLiteral("programs"), programsOf(ring)},
                       {QStringLiteral("dayPlans"), dayPlansOf(ring.project, dayPlans)},
                       {QStringLiteral("weekPlans"), weeks},
                       {QStringLiteral("yearPlan"), year}};
}

QString joined(const QJsonArray &values, const std::function<QString(const QJsonObject &)> &text)
{
    QStringList parts;
    for (const QJsonValue &value : values)
        parts << text(value.toObject());
    return parts.join(QStringLiteral(", "));
}

void printRing(const QJsonObject &ring, QTextStream &out)
{
    out << "\nКольцо " << ring[QStringLiteral("ring")].toInt() << '\n';
    const QJsonArray directions = ring[QStringLiteral("directions")].toArray();
    out << "  Направления (" << directions.size() << "): "
        << joined(directions,
                  [](const QJsonObject &d) {
                      return QStringLiteral("%1. %2")
                          .arg(d[QStringLiteral("number")].toInt())
                          .arg(d[QStringLiteral("type")].toString());
                  })
        << '\n';
    const QJsonArray programs = ring[QStringLiteral("programs")].toArray();
    out << "  Программы (" << programs.size() << "):\n";
    for (const QJsonValue &value : programs) {
        const QJsonObject p = value.toObject();
        out << QStringLiteral("    программа %1: фаз %2, цикл %3 c\n")
                   .arg(p[QStringLiteral("number")].toInt())
                   .arg(p[QStringLiteral("phases")].toInt())
                   .arg(p[QStringLiteral("cycle")].toInt());
    }
    out << "  Годовой план: "
        << joined(ring[QStringLiteral("yearPlan")].toArray(),
                  [](const QJsonObject &run) {
                      return QStringLiteral("недели %1-%2: недельный план %3")
                          .arg(run[QStringLiteral("from")].toInt())
                          .arg(run[QStringLiteral("to")].toInt())
                          .arg(run[QStringLiteral("weekPlan")].toInt());
                  })
        << '\n';
    for (const QJsonValue &value : ring[QStringLiteral("weekPlans")].toArray()) {
        const QJsonObject w = value.toObject();
        QStringList days;
        const QJsonArray plans = w[QStringLiteral("days")].toArray();
        for (int day = 0; day < plans.size(); ++day)
            days << Weeksplans::dayName(day) + QLatin1Char(' ') +
                        QString::number(plans[day].toInt());
        out << "  Недельный план " << w[QStringLiteral("number")].toInt() << ": "
            << days.join(QStringLiteral(", ")) << '\n';
    }
    for (const QJsonValue &value : ring[QStringLiteral("dayPlans")].toArray()) {
        const QJsonObject d = value.toObject();
        out << "  Дневной план " << d[QStringLiteral("number")].toInt() << ": "
            << joined(d[QStringLiteral("entries")].toArray(),
                      [](const QJsonObject &e) {
                          // Modes have their short names; programs get the window's "П".
                          const QString program = e[QStringLiteral("program")].toString();
                          bool number = false;
                          program.toInt(&number);
                          return e[QStringLiteral("start")].toString() + QLatin1Char(' ') +
                                 (number ? QStringLiteral("П") : QString()) + program;
                      })
            << '\n';
    }
}

} // namespace

int runInfo(const QStringList &files, CliContext &context)
{
    const LoadedProject project = LoadedProject::load(files.first());
    if (!project.ok()) {
        context.err << project.error << '\n';
        return ExitCode::Failure;
    }
    QJsonArray rings;
    for (int r = 0; r < project.ringCount(); ++r)
        rings.append(ringInfo(project.rings[std::size_t(r)], r));
    const QJsonObject info{
        {QStringLiteral("file"), files.first()},
        {QStringLiteral("description"), projectDescription(project.rings.front().project)},
        {QStringLiteral("ringCount"), project.ringCount()},
        {QStringLiteral("rings"), rings}};
    if (context.json) {
        writeJson(context.out, info);
        return ExitCode::Clean;
    }
    context.out << "Проект: " << files.first() << '\n'
                << "Описание: " << info[QStringLiteral("description")].toString() << '\n'
                << "Колец: " << project.ringCount() << '\n';
    for (const QJsonValue &ring : rings)
        printRing(ring.toObject(), context.out);
    return ExitCode::Clean;
}
