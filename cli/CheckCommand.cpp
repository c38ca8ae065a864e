#include "cli/FileCommands.h"
#include "cli/JsonOutput.h"
#include "cli/LoadedProject.h"

#include "check/ProjectCheck.h"

namespace {

using ProjectCheck::Finding;
using ProjectCheck::Place;

// The parts of the place that apply, numbered as the engineer sees them (from 1).
QJsonObject placeJson(const Place &place)
{
    QJsonObject object{{QStringLiteral("ring"), place.ring + 1}};
    const std::pair<const char *, int> parts[] = {{"template", place.templateIndex},
                                                  {"tramSignal", place.tramSignal},
                                                  {"direction", place.direction},
                                                  {"program", place.program},
                                                  {"phase", place.phase},
                                                  {"dayPlan", place.dayPlan},
                                                  {"entry", place.entry},
                                                  {"weekPlan", place.weekPlan},
                                                  {"day", place.day},
                                                  {"week", place.week}};
    for (const auto &[name, index] : parts)
        if (index >= 0)
            object.insert(QLatin1String(name), index + 1);
    return object;
}

QJsonArray toJson(const std::vector<Finding> &findings)
{
    QJsonArray array;
    for (const Finding &f : findings)
        array.append(
            QJsonObject{{QStringLiteral("kind"), ProjectCheck::kindId(f.kind)},
                        {QStringLiteral("severity"),
                         f.isError() ? QStringLiteral("error") : QStringLiteral("warning")},
                        {QStringLiteral("ring"), f.place.ring + 1},
                        {QStringLiteral("place"), ProjectCheck::placeText(f.place)},
                        {QStringLiteral("at"), placeJson(f.place)},
                        {QStringLiteral("message"), f.message}});
    return array;
}

} // namespace

int runCheck(const QStringList &files, CliContext &context)
{
    const LoadedProject project = LoadedProject::load(files.first());
    if (!project.ok()) {
        context.err << project.error << '\n';
        return ExitCode::Failure;
    }
    std::vector<ProjectCheck::RingView> rings;
    for (const RingData &ring : project.rings)
        rings.push_back({&ring.project, &ring.programs});
    std::vector<Finding> findings;
    ProjectCheck::checkFileDamage(project.damage, findings);
    const std::vector<Finding> rest = ProjectCheck::run(rings);
    findings.insert(findings.end(), rest.begin(), rest.end());
    if (context.json) {
        writeJson(context.out, toJson(findings));
    } else {
        for (const Finding &f : findings)
            context.out << ProjectCheck::findingLine(f) << '\n';
        if (findings.empty())
            context.out << "Замечаний нет\n";
    }
    if (ProjectCheck::hasErrors(findings))
        return ExitCode::Failure;
    return findings.empty() ? ExitCode::Clean : ExitCode::Findings;
}
