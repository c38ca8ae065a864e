#include "cli/FileCommands.h"
#include "cli/JsonOutput.h"
#include "cli/LoadedProject.h"

#include "config/Directions.h"
#include "config/Safety.h"
#include "config/Templates.h"
#include "schedules/DayPlans.h"

#include <array>
#include <vector>

namespace {

struct Finding
{
    bool error = false;
    int ring = 0; // 0-based
    QString place;
    QString message;
};

void checkTramSignals(const ProjectBlock &project, int r, std::vector<Finding> &findings)
{
    // One ring at a time, so that every ring with a fault is named, not only the first.
    const std::array<const ProjectBlock *, 1> ring{&project};
    if (!Napr::CheckTramSignals(ring))
        return;
    const auto fault = Napr::findIncompleteTramSignal(ring);
    const QString place = fault ? QStringLiteral("трамвайный сигнал %1").arg(fault->signal)
                                : QStringLiteral("трамвайные направления");
    findings.push_back({true, r, place,
                        QStringLiteral("задан не полностью: нужны все три трамвайных "
                                       "направления и их выходы первой строки")});
}

void checkTemplates(const ProjectBlock &project, int r, std::vector<Finding> &findings)
{
    if (!TemplatesConflict(project))
        return;
    const std::size_t before = findings.size();
    for (int t = 0; t < MaxTemplates; ++t)
        for (int j = 0; j < MaxDirections; ++j)
            for (int k = j + 1; k < MaxDirections; ++k) {
                if (!Fazas::templateMark(project, t, j) || !Fazas::templateMark(project, t, k))
                    continue;
                if (!Guard::conflictFlag(project, j, k) && !Guard::conflictFlag(project, k, j))
                    continue;
                findings.push_back(
                    {true, r, QStringLiteral("шаблон %1").arg(t + 1),
                     QStringLiteral("направления %1 и %2 зелены вместе при конфликте %1-%2")
                         .arg(j + 1)
                         .arg(k + 1)});
            }
    if (findings.size() == before)
        findings.push_back({true, r, QStringLiteral("шаблоны фаз"), Fazas::ConflictText});
}

void checkDayPlans(const ProjectBlock &project, int r, std::vector<Finding> &findings)
{
    for (int n = 0; n < MaxDayPlans; ++n)
        if (!Dayplans::DayPlanView(project, n).isCorrect())
            findings.push_back({false, r, QStringLiteral("дневной план %1").arg(n + 1),
                                QStringLiteral("времена начала записей не возрастают или "
                                               "выходят за сутки; окно плана их исправит")});
}

QJsonArray toJson(const std::vector<Finding> &findings)
{
    QJsonArray array;
    for (const Finding &f : findings)
        array.append(QJsonObject{{QStringLiteral("severity"),
                                  f.error ? QStringLiteral("error") : QStringLiteral("warning")},
                                 {QStringLiteral("ring"), f.ring + 1},
                                 {QStringLiteral("place"), f.place},
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
    std::vector<Finding> findings;
    for (int r = 0; r < project.ringCount(); ++r) {
        const ProjectBlock &block = project.rings[std::size_t(r)].project;
        checkTramSignals(block, r, findings);
        checkTemplates(block, r, findings);
        checkDayPlans(block, r, findings);
    }
    bool errors = false;
    for (const Finding &f : findings)
        errors = errors || f.error;
    if (context.json) {
        writeJson(context.out, toJson(findings));
    } else {
        for (const Finding &f : findings)
            context.out << (f.error ? "ошибка: " : "предупреждение: ") << "кольцо " << f.ring + 1
                        << ", " << f.place << ": " << f.message << '\n';
        if (findings.empty())
            context.out << "Замечаний нет\n";
    }
    if (errors)
        return ExitCode::Failure;
    return findings.empty() ? ExitCode::Clean : ExitCode::Findings;
}
