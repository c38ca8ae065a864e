// The project file: whatever a file holds, opening it and every computation and view over the
// result stay inside the blocks, and what is saved opens and saves again byte for byte.
//
// The input is a file, or patches over a new project's file (ProjectPatches.h).
#include "FuzzSupport.h"
#include "ProjectPatches.h"

#include "config/Directions.h"
#include "config/Safety.h"
#include "config/Templates.h"
#include "model/Description.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"
#include "programs/DiagramLayout.h"
#include "programs/ProgramOps.h"
#include "programs/Tacts.h"
#include "schedules/DayPlans.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <algorithm>
#include <memory>

namespace {

QByteArray saved(const RingModel &model)
{
    const QByteArray bytes = ProjectPatches::fileOf(model);
    FUZZ_CHECK(!bytes.isEmpty());
    return bytes;
}

// Each block on its own allocation, so that a read past its end is caught.
struct Blocks
{
    std::unique_ptr<ProjectBlock> project;
    std::unique_ptr<ProgramsBlock> programs;
    explicit Blocks(const RingData &ring)
        : project(std::make_unique<ProjectBlock>(ring.project)),
          programs(std::make_unique<ProgramsBlock>(ring.programs))
    {
    }
};

constexpr std::size_t HitSamples = 8;

void checkPrograms(const Blocks &b, float scale, int editedProgram)
{
    Takts takts;
    takts.bind(*b.project, *b.programs);
    FUZZ_CHECK(takts.directionCount() >= 0 && takts.directionCount() <= MaxDirections);
    for (int p = 0; p < MaxPrograms; ++p) {
        const int phases = takts.phaseCount(p);
        FUZZ_CHECK(phases >= 1 && phases <= MaxPhases);
        FUZZ_CHECK(takts.cycleLength(p) >= 0);
        // Drawing computes every transition; here the wrap from the last phase to the first
        // and the edit panel's view of each phase for the directions in use and one beyond.
        const TransitionTable wrap = takts.computeTransition(p, p, phases - 1, 0);
        FUZZ_CHECK(wrap.interval >= 0 && wrap.mainTime >= 0);
        const int shown = std::min(takts.directionCount() + 1, int(MaxDirections));
        for (int f = 0; f < phases; ++f) {
            for (int d = 0; d < shown; ++d) {
                (void)Progutil::readPhase(*b.programs, p, f, d);
                (void)Progutil::additionsEditable(*b.project, *b.programs, p, f, d);
            }
        }
        const Diagram::ProgramSlots grid = Diagram::computeSlots(*b.project, *b.programs, p);
        const Diagram::Layout layout = Diagram::layoutDiagram(grid, *b.project, scale, phases - 1);
        FUZZ_CHECK(layout.extent.width() >= 0 && layout.extent.height() >= 0);
        // A hit test walks every bar, so testing every bar is quadratic: the first bars and
        // the last one reach the same code at a fraction of the time per input.
        const std::size_t bars = layout.bars.size();
        for (std::size_t i = 0; i < bars; ++i) {
            if (i == HitSamples && bars > HitSamples + 1)
                i = bars - 1;
            const Diagram::Bar &bar = layout.bars[i];
            FUZZ_CHECK(bar.phase >= 0 && bar.phase < phases);
            FUZZ_CHECK(bar.direction >= 0 && bar.direction < grid.directionCount);
            const Diagram::Hit hit = Diagram::hitTest(layout, bar.rect.center());
            FUZZ_CHECK(hit.kind != Diagram::Hit::BarHit ||
                       (hit.index >= 0 && std::size_t(hit.index) < bars));
            (void)Diagram::hintAt(layout, bar.rect.center());
        }
        for (std::size_t i = 0; i < std::min(layout.labels.size(), HitSamples); ++i)
            (void)Diagram::hintAt(layout, layout.labels[i].rect.center());
        (void)Diagram::hitTest(layout, QPoint(layout.extent.width(), layout.extent.height()));
    }

    // The editor's phase operations keep to their own program record. The check copies and
    // compares the whole block, so it runs on one program, which the input picks.
    const int p = editedProgram;
    const int phases = takts.phaseCount(p);
    const auto edited = std::make_unique<ProgramsBlock>(*b.programs);
    Progutil::insertPhase(*edited, p, phases - 1);
    Progutil::removePhase(*edited, p, 0);
    const std::size_t from = programOffset(p), to = from + ProgramLayout::Size;
    FUZZ_CHECK(std::equal(edited->begin(), edited->begin() + from, b.programs->begin()));
    FUZZ_CHECK(std::equal(edited->begin() + to, edited->end(), b.programs->begin() + to));
}

void checkProject(const RingModel &model, const Blocks &b)
{
    const ProjectBlock &p = *b.project;
    const int directions = Napr::directionCount(p);
    FUZZ_CHECK(directions >= 0 && directions <= MaxDirections);
    for (int d = 0; d < MaxDirections; ++d) {
        (void)Napr::directionListText(p, d);
        (void)Progutil::directionCaption(p, d);
        (void)Napr::tramSignalNumber(p, d);
    }
    (void)Napr::tramSignalCount(p);
    const std::vector<const ProjectBlock *> rings = Napr::ringBlocks(model, p);
    (void)Napr::CheckTramSignals(rings);
    (void)Napr::findIncompleteTramSignal(rings);
    for (int group = 0; group <= OutputGroups; ++group)
        for (int colour = 0; colour < LampColours; ++colour)
            (void)Napr::CheckOutputConflict(rings, group, colour);
    (void)TemplatesConflict(p);
    for (int i = 0; i < MaxDirections; ++i)
        for (int j = 0; j < MaxDirections; ++j)
            (void)Guard::conflictTimeText(p, i, j);
    for (int f = 0; f < Guard::FieldCount; ++f)
        (void)Guard::fieldValue(p, Guard::Field(f));
    (void)projectDescription(p);

    for (int plan = 0; plan < MaxDayPlans; ++plan) {
        const Dayplans::DayPlanView view(p, plan);
        FUZZ_CHECK(view.entryCount() >= 1 && view.entryCount() <= MaxDayPlanEntries);
        for (int e = 0; e < view.entryCount(); ++e) {
            (void)Dayplans::programText(view.kind(e), view.program(e));
            (void)Dayplans::startTimeText(view.start(e));
        }
        (void)view.isCorrect();
    }
    // The correction leaves every plan correct and writes nothing outside the plans.
    const auto corrected = std::make_unique<ProjectBlock>(p);
    Dayplans::correctAllPlans(*corrected);
    Dayplans::normaliseAllCounts(*corrected);
    FUZZ_CHECK(Dayplans::allPlansCorrect(*corrected));
    const std::size_t plans = ProjectLayout::DayPlans, plansEnd = plans + Dayplans::TableSize;
    FUZZ_CHECK(std::equal(corrected->begin(), corrected->begin() + plans, p.begin()));
    FUZZ_CHECK(std::equal(corrected->begin() + plansEnd, corrected->end(), p.begin() + plansEnd));

    for (int w = 0; w < MaxWeekPlans; ++w)
        for (int day = 0; day < WeekDays; ++day)
            (void)Weeksplans::dayPlan(p, w, day);
    for (int week = 0; week < YearWeeks; ++week) {
        (void)Year::weekPlan(p, week);
        (void)Year::cellText(p, week);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    const QByteArray file =
        ProjectPatches::apply(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    static const float scales[] = {1.0f, 0.1f, 0.5f, 2.0f, 10.0f, 1e6f};
    const float scale = scales[size % std::size(scales)];

    RingModel model;
    model.NewProjectDefaults();
    const ProjectFile::OpenResult opened = ProjectPatches::open(model, file);
    FUZZ_CHECK(opened.ok());
    FUZZ_CHECK(opened.ringsRead == std::min<int>(MaxRings, int(file.size() / RingRecordSize)));
    for (int r = 0; r < model.ringCount(); ++r) {
        model.SwitchRing(r);
        for (int p = 0; p < MaxPrograms; p += 7)
            model.SelectProgram(p);
        const Blocks blocks(model.working());
        checkPrograms(blocks, scale, int((size + std::size_t(r)) % MaxPrograms));
        checkProject(model, blocks);
    }
    model.SwitchRing(0);

    // Seal, save to memory, open again: the second save equals the first.
    const QByteArray first = saved(model);
    FUZZ_CHECK(first.size() == qsizetype(model.ringCount() * RingRecordSize));
    RingModel again;
    FUZZ_CHECK(ProjectPatches::open(again, first).ringsRead == model.ringCount());
    FUZZ_CHECK(saved(again) == first);
    return 0;
}
