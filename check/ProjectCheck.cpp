#include "check/ProjectCheck.h"

#include "check/SignalSafety.h"

#include "config/Directions.h"
#include "config/Templates.h"
#include "model/RingModel.h"

#include <algorithm>
#include <map>

namespace ProjectCheck {

namespace {

QString colourLetter(int colour)
{
    switch (colour) {
    case LampColour::Red:
        return QStringLiteral("K");
    case LampColour::Yellow:
        return QStringLiteral("Ж");
    case LampColour::Green:
        return QStringLiteral("З");
    }
    return QString::number(colour);
}

void checkTramSignals(const ProjectBlock &project, int ring, std::vector<Finding> &out)
{
    const std::array<const ProjectBlock *, 1> one{&project};
    for (const Napr::TramFault &fault : Napr::incompleteTramSignals(one)) {
        Place place{ring};
        place.tramSignal = fault.signal - 1;
        place.direction = fault.direction;
        out.push_back({Kind::TramSignal, place,
                       QStringLiteral("трамвайный светофор задан не полностью: нужны "
                                      "направления трам-лево, трам-право и трам-прямо с "
                                      "выходом в первой строке")});
    }
}

void checkTemplates(const ProjectBlock &project, int ring, std::vector<Finding> &out)
{
    for (const Fazas::ConflictPair &pair : Fazas::conflictPairs(project)) {
        Place place{ring};
        place.templateIndex = pair.templateIndex;
        out.push_back({Kind::TemplateConflict, place,
                       QStringLiteral("направления %1 и %2 зелены вместе при конфликте %1-%2")
                           .arg(pair.first + 1)
                           .arg(pair.second + 1)});
    }
}

void checkDirectionOutputs(const ProjectBlock &project, int ring, std::vector<Finding> &out)
{
    for (int d = 0; d < Napr::directionCount(project); ++d) {
        // A tram direction without its output is already an incomplete tram signal.
        if (Napr::isTramType(Napr::directionType(project, d)) || Napr::hasBoundOutput(project, d))
            continue;
        Place place{ring};
        place.direction = d;
        out.push_back({Kind::DirectionWithoutOutput, place,
                       QStringLiteral("ни одна лампа направления не привязана к выходу ДК")});
    }
}

// The output channels belong to the controller as a whole, so a channel is looked for in
// every ring; each binding after the first that holds it is one finding.
void checkOutputsTwice(std::span<const RingView> rings, std::vector<std::vector<Finding>> &perRing)
{
    struct Holder
    {
        int ring = 0;
        Napr::ScannedOutput output;
    };
    std::map<std::pair<int, int>, Holder> first;
    for (std::size_t r = 0; r < rings.size(); ++r)
        for (const Napr::ScannedOutput &o : Napr::scannedOutputs(*rings[r].project)) {
            const auto [at, fresh] = first.try_emplace({o.group, o.colour}, Holder{int(r), o});
            if (fresh)
                continue;
            const Holder &h = at->second;
            const QString holder =
                h.output.direction >= 0
                    ? QStringLiteral("направление %1").arg(h.output.direction + 1)
                    : QStringLiteral("нижний сигнал трамвайного светофора %1")
                          .arg(h.output.tramSignal + 1);
            Place place{int(r)};
            place.direction = o.direction;
            place.tramSignal = o.tramSignal;
            perRing[r].push_back({Kind::OutputTwice, place,
                                  QStringLiteral("выход группы %1, цвет %2 уже занят: кольцо "
                                                 "%3, %4")
                                      .arg(o.group)
                                      .arg(colourLetter(o.colour))
                                      .arg(h.ring + 1)
                                      .arg(holder)});
        }
}

} // namespace

std::vector<Finding> run(std::span<const RingView> rings)
{
    std::vector<std::vector<Finding>> perRing(rings.size());
    checkOutputsTwice(rings, perRing);
    std::vector<Finding> findings;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const ProjectBlock &project = *rings[r].project;
        const ProgramsBlock &programs = *rings[r].programs;
        const int ring = int(r);
        checkTramSignals(project, ring, findings);
        checkTemplates(project, ring, findings);
        findings.insert(findings.end(), perRing[r].begin(), perRing[r].end());
        checkDayPlans(project, programs, ring, findings);
        checkWeekAndYearPlans(project, ring, findings);
        checkPhaseTimes(project, programs, ring, findings);
        checkDirectionOutputs(project, ring, findings);
        SignalSafety::check(project, programs, ring, findings);
    }
    return findings;
}

void checkFileDamage(const FileDamage &damage, std::vector<Finding> &out)
{
    for (const int ring : damage.checksumRings) {
        Finding f{Kind::FileChecksum, {}, {}};
        f.place.ring = ring;
        f.message = QStringLiteral("контрольная сумма кольца %1 в файле не сходится: файл "
                                   "поврежден или изменен не конфигуратором")
                        .arg(ring + 1);
        out.push_back(f);
    }
    if (damage.cutRing >= 0) {
        Finding f{Kind::FileCutRing, {}, {}};
        f.place.ring = damage.cutRing;
        f.message = QStringLiteral("файл обрывается внутри кольца %1 (%2 байт из %3): это кольцо "
                                   "не прочитано, загрузка сотрет его в ДК")
                        .arg(damage.cutRing + 1)
                        .arg(damage.cutBytes)
                        .arg(RingRecordSize);
        out.push_back(f);
    }
}

std::vector<Finding> run(const RingModel &model)
{
    const std::vector<const ProjectBlock *> projects = Napr::ringBlocks(model, model.project());
    std::vector<RingView> rings;
    for (std::size_t r = 0; r < projects.size(); ++r) {
        const bool current = int(r) == model.currentRing();
        rings.push_back({projects[r], current ? &model.programs() : &model.store(int(r)).programs});
    }
    std::vector<Finding> findings;
    checkFileDamage(model.fileDamage(), findings);
    std::vector<Finding> rest = run(rings);
    findings.insert(findings.end(), rest.begin(), rest.end());
    return findings;
}

} // namespace ProjectCheck
