#pragma once

// The sample project that ships in examples/: a two-ring intersection with three programs and a
// day plan that changes program, built through the program's own editing rules so that the
// file is what an engineer would have made with the editors.
#include "config/Directions.h"
#include "config/Safety.h"
#include "config/Templates.h"
#include "model/Description.h"
#include "model/RingModel.h"
#include "programs/ProgramOps.h"
#include "schedules/DayPlans.h"

#include <QString>

#include <vector>

namespace ExampleProject {

struct Direction
{
    int type = Napr::Vehicle;
    int group = 0; // its red, yellow and green lamps on the channels of this output group
};

struct Conflict
{
    int from = 0;
    int to = 0;
    int seconds = 0;
};

struct Phase
{
    int templ = 0; // 0-based
    int mainTime = 0;
    // Additions for one direction of the phase: early green, green extension, extra red.
    int direction = -1;
    int earlyGreen = 0;
    int greenExtension = 0;
    int extraRed = 0;
};

struct Entry
{
    int hour = 0;
    int program = 0; // 0-based
};

struct Ring
{
    std::vector<Direction> directions;
    std::vector<std::vector<int>> templates; // green directions of each template, 0-based
    std::vector<Conflict> conflicts;         // both ways
    std::vector<std::vector<Phase>> programs;
    std::vector<Entry> dayPlan;
    int fillMode = 0;
};

// Ring 1: a main road (1), the side road (3), the pedestrian crossing of the side road (2) and
// a protected left turn from the main road (4). Ring 2: a second crossing on the main road.
inline std::vector<Ring> rings()
{
    const std::vector<Entry> plan = {{0, 0}, {6, 1}, {17, 2}, {20, 1}, {22, 0}};
    Ring one;
    one.directions = {
        {Napr::Vehicle, 1}, {Napr::Pedestrian, 2}, {Napr::Vehicle, 3}, {Napr::Vehicle, 4}};
    one.templates = {{0, 1}, {0, 3}, {2}};
    one.conflicts = {{0, 2, 3}, {2, 0, 3}, {1, 2, 5}, {2, 1, 2}, {3, 2, 3}, {2, 3, 3}};
    one.programs = {
        {{0, 20}, {2, 12}},
        {{0, 30}, {1, 10, 3, 2, 0, 0}, {2, 20, 2, 0, 2, 1}},
        {{0, 40}, {1, 15, 3, 2, 0, 0}, {2, 25}},
    };
    one.dayPlan = plan;
    one.fillMode = 0;

    Ring two;
    two.directions = {
        {Napr::Vehicle, 5}, {Napr::Vehicle, 6}, {Napr::Pedestrian, 7}, {Napr::TurnArrow, 8}};
    two.templates = {{0, 2, 3}, {1}};
    two.conflicts = {{0, 1, 3}, {1, 0, 4}, {2, 1, 6}, {1, 2, 2}, {3, 1, 2}, {1, 3, 2}};
    two.programs = {
        {{0, 25}, {1, 15}},
        {{0, 35}, {1, 20, 1, 1, 0, 0}},
        {{0, 45, 2, 0, 2, 0}, {1, 25}},
    };
    two.dayPlan = plan;
    // "Зеленый": directions that stop early keep green for the spare time.
    two.fillMode = 1;
    return {one, two};
}

inline void setMark(ProjectBlock &block, int t, int d, bool on)
{
    if (Fazas::templateMark(block, t, d) != on)
        Fazas::toggleTemplateMark(block, t, d);
}

inline void fillRing(ProjectBlock &block, ProgramsBlock &programs, const Ring &ring)
{
    while (Napr::directionCount(block) > 1)
        Napr::removeDirection(block);
    Napr::changeDirectionType(block, 0, ring.directions[0].type);
    for (std::size_t d = 1; d < ring.directions.size(); ++d)
        Napr::addDirection(block, ring.directions[d].type);
    for (std::size_t d = 0; d < ring.directions.size(); ++d) {
        const int group = ring.directions[d].group;
        const bool pedestrian = ring.directions[d].type == Napr::Pedestrian;
        const bool arrow = ring.directions[d].type == Napr::TurnArrow;
        const auto bind = [&](Napr::Row row, int colour, bool used) {
            const Napr::BindingPlace at = Napr::bindingPlace(row, int(d), 0);
            block[at.group] = std::uint8_t(used ? group : 0);
            block[at.colour] = std::uint8_t(colour);
        };
        bind(Napr::Row::Red1, LampColour::Red, !arrow);
        bind(Napr::Row::Yellow1, LampColour::Yellow, !arrow && !pedestrian);
        bind(Napr::Row::Green1, LampColour::Green, true);
    }
    for (int t = 0; t < MaxTemplates; ++t) {
        for (int d = 0; d < MaxDirections; ++d)
            setMark(block, t, d, false);
    }
    for (std::size_t t = 0; t < ring.templates.size(); ++t) {
        for (const int d : ring.templates[t])
            setMark(block, int(t), d, true);
    }
    for (const Conflict &c : ring.conflicts) {
        if (!Guard::conflictFlag(block, c.from, c.to))
            Guard::toggleConflictFlag(block, c.from, c.to);
        Guard::applyConflictTime(block, c.from, c.to, QString::number(c.seconds));
    }
    Guard::setFillMode(block, ring.fillMode);
    for (std::size_t p = 0; p < ring.programs.size(); ++p) {
        const auto &phases = ring.programs[p];
        while (programs[programOffset(int(p))] < phases.size())
            Progutil::insertPhase(programs, int(p), programs[programOffset(int(p))] - 1);
        for (std::size_t f = 0; f < phases.size(); ++f) {
            const Phase &phase = phases[f];
            Progutil::PhaseEditInput input;
            input.mainTime = QString::number(phase.mainTime);
            input.templateIndex = phase.templ;
            Progutil::applyPhaseEdit(programs, int(p), int(f), 0, input);
            if (phase.direction >= 0) {
                Progutil::PhaseEditInput additions;
                additions.earlyGreen = QString::number(phase.earlyGreen);
                additions.greenExtension = QString::number(phase.greenExtension);
                additions.extraRed = QString::number(phase.extraRed);
                Progutil::applyPhaseEdit(programs, int(p), int(f), phase.direction, additions);
            }
        }
    }
    Dayplans::DayPlanEdit plan(block, 0);
    while (plan.entryCount() < int(ring.dayPlan.size()))
        plan.addEntry();
    for (std::size_t e = 0; e < ring.dayPlan.size(); ++e) {
        plan.setProgram(int(e), ring.dayPlan[e].program);
        plan.setStart(int(e), std::uint32_t(ring.dayPlan[e].hour * 3600));
    }
}

// A new project with the sample's two rings; ring 1 current.
inline void build(RingModel &model)
{
    model.NewProjectDefaults();
    const std::vector<Ring> all = rings();
    model.setRingCount(int(all.size()));
    for (std::size_t r = 0; r < all.size(); ++r) {
        model.SwitchRing(int(r));
        fillRing(model.project(), model.programs(), all[r]);
        setProjectDescription(model.project(),
                              QStringLiteral("Пример: перекрёсток, кольцо %1 из 2").arg(r + 1));
    }
    model.SwitchRing(0);
    model.SelectProgram(0);
}

} // namespace ExampleProject
