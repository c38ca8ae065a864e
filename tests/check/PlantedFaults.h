#pragma once

#include "CheckedProject.h"

#include "check/Finding.h"
#include "schedules/DayPlans.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <QString>

#include <functional>
#include <vector>

// One fault of each kind, each planted on its own into the clean project of CheckedProject.h,
// with the one finding it must give. Ring 1 is the current ring: its faults are planted in the
// working copy, whose store is stale; ring 2's in its store.
struct PlantedFault
{
    QString name;
    std::function<void(RingModel &)> plant;
    ProjectCheck::Kind kind;
    bool error;
    ProjectCheck::Place place;
    // Findings of other kinds the same fault gives as well, each once.
    std::vector<ProjectCheck::Kind> alongside = {};
};

inline ProjectCheck::Place
at(int ring, std::initializer_list<std::pair<int ProjectCheck::Place::*, int>> fields)
{
    ProjectCheck::Place place{ring};
    for (const auto &[field, value] : fields)
        place.*field = value;
    return place;
}

inline void setDayPlanEntry(ProjectBlock &block, int plan, int e, int program, std::uint32_t start)
{
    block[dayPlanEntryOffset(plan, e) + DayPlanLayout::EntryProgram] = std::uint8_t(program);
    block[dayPlanEntryOffset(plan, e) + DayPlanLayout::EntryKind] = 0;
    writeU32(block, dayPlanEntryOffset(plan, e) + DayPlanLayout::EntryStart, start);
}

// Phase f of a program: its template, Тосн and Тмин.
inline void setPhase(ProgramsBlock &programs, int program, int f, int templ, int main, int minimum)
{
    programs[phaseOffset(program, f) + PhaseLayout::Template] = std::uint8_t(templ);
    writeU16(programs, phaseOffset(program, f) + PhaseLayout::MainTime, std::uint16_t(main));
    writeU16(programs, phaseOffset(program, f) + PhaseLayout::MinTime, std::uint16_t(minimum));
}

inline void setAddition(ProgramsBlock &programs, int program, int f, int d, std::size_t which,
                        int seconds)
{
    programs[phaseOffset(program, f) + phaseAdditionOffset(d) + which] = std::uint8_t(seconds);
}

inline void setConflict(ProjectBlock &block, int i, int j, int seconds)
{
    block[conflictFlagOffset(i, j)] = 1;
    block[conflictTimeOffset(i, j)] = std::uint8_t(seconds);
}

// The faults the signal-safety analysis finds in what the street would see. The new project's
// 32 programs are alike, so a fault meant for one program is planted in program 1 alone.
inline void addSignalFaults(std::vector<PlantedFault> &faults)
{
    using namespace ProjectCheck;
    namespace DL = DirectionLayout;
    namespace PL = ProjectLayout;
    namespace FL = PhaseLayout;
    using Plant = std::function<void(RingModel &)>;
    const auto phase = [](int ring, int program, int f) {
        return at(ring, {{&Place::program, program}, {&Place::phase, f}});
    };
    faults.push_back({QStringLiteral("template mark other than 0 or 1"),
                      Plant([](RingModel &m) { m.project()[templateMarkOffset(5, 0)] = 2; }),
                      Kind::TemplateMark, true, at(0, {{&Place::templateIndex, 5}})});
    faults.push_back({QStringLiteral("conflict flag one way only"),
                      Plant([](RingModel &m) { setConflict(m.project(), 0, 1, 3); }),
                      Kind::OneWayConflict, false, at(0, {{&Place::direction, 0}})});
    faults.push_back({QStringLiteral("conflict flag with a time of 0"), Plant([](RingModel &m) {
                          setConflict(m.store(1).project, 0, 1, 3);
                          setConflict(m.store(1).project, 1, 0, 0);
                      }),
                      Kind::ZeroConflictTime, false, at(1, {{&Place::direction, 1}})});
    faults.push_back({QStringLiteral("no yellow in a ring with vehicles"),
                      Plant([](RingModel &m) { m.project()[PL::Yellow] = 0; }),
                      Kind::ZeroTransitionTime, false, at(0, {})});
    // The flag 2-1 alone gives the change 1 -> 2 no clearance; early green then overlaps.
    faults.push_back({QStringLiteral("early green against a one-way flag"),
                      Plant([](RingModel &m) {
                          setConflict(m.project(), 1, 0, 3);
                          setAddition(m.programs(), 0, 1, 1, FL::EarlyGreen, 5);
                      }),
                      Kind::GreenConflict,
                      true,
                      phase(0, 0, 0),
                      {Kind::OneWayConflict}});
    // An all-red phase between the two: each change honours its own neighbours only.
    faults.push_back({QStringLiteral("clearance over an all-red phase"), Plant([](RingModel &m) {
                          setConflict(m.project(), 0, 1, 10);
                          setConflict(m.project(), 1, 0, 10);
                          m.programs()[programOffset(0) + ProgramLayout::PhaseCount] = 3;
                          setPhase(m.programs(), 0, 1, 2, 2, 2);
                          setPhase(m.programs(), 0, 2, 1, 10, 3);
                      }),
                      Kind::ShortClearance, true, phase(0, 0, 0)});
    faults.push_back({QStringLiteral("yellow straight into red-yellow"), Plant([](RingModel &m) {
                          m.programs()[programOffset(0) + ProgramLayout::PhaseCount] = 3;
                          setPhase(m.programs(), 0, 1, 2, 0, 0);
                          setPhase(m.programs(), 0, 2, 0, 10, 3);
                      }),
                      Kind::SignalWithoutTime, true,
                      at(0, {{&Place::direction, 0}, {&Place::program, 0}, {&Place::phase, 1}})});
    faults.push_back({QStringLiteral("green shorter than the minimum"),
                      Plant([](RingModel &m) { setPhase(m.store(1).programs, 4, 0, 0, 2, 1); }),
                      Kind::SignalBelowMinimum, false,
                      at(1, {{&Place::direction, 0}, {&Place::program, 4}, {&Place::phase, 0}})});
    faults.push_back({QStringLiteral("interval longer than 255 s"), Plant([](RingModel &m) {
                          setAddition(m.programs(), 0, 0, 0, FL::GreenExtension, 255);
                      }),
                      Kind::IntervalTooLong, true, phase(0, 0, 0)});
    // A turn arrow on direction 1's green channel: its red and that green light together.
    faults.push_back(
        {QStringLiteral("turn arrow on another direction's green output"), Plant([](RingModel &m) {
             ProjectBlock &b = m.project();
             b[PL::DirectionCount] = 3;
             b[directionOffset(2) + DL::Type] = Napr::TurnArrow;
             b[directionOffset(2) + DL::Green1 + DL::BindingGroup] = 1;
             b[directionOffset(2) + DL::Green1 + DL::BindingColour] = LampColour::Green;
             b[templateMarkOffset(5, 1)] = 1;
             b[templateMarkOffset(5, 2)] = 1;
             m.programs()[phaseOffset(0, 1) + PhaseLayout::Template] = 5;
         }),
         Kind::OutputLitTogether, true, phase(0, 0, 1)});
    // The switches of the day plan: after a short all-red phase the next program's first
    // phase comes too soon, and yellow flashing ends in red-yellow without red.
    faults.push_back(
        {QStringLiteral("program switch after an all-red phase"), Plant([](RingModel &m) {
             setConflict(m.project(), 0, 1, 10);
             setConflict(m.project(), 1, 0, 10);
             setPhase(m.programs(), 1, 1, 2, 2, 2);
             setPhase(m.programs(), 2, 0, 1, 10, 3);
             setPhase(m.programs(), 2, 1, 0, 10, 3);
             ProjectBlock &b = m.project();
             b[dayPlanOffset(0)] = 2;
             setDayPlanEntry(b, 0, 0, 1, 0);
             setDayPlanEntry(b, 0, 1, 2, 6 * 3600);
         }),
         Kind::ShortClearance, true,
         at(0,
            {{&Place::program, 1}, {&Place::phase, 1}, {&Place::dayPlan, 0}, {&Place::entry, 1}})});
    // A first phase of 0 s hands what the switch shows straight to the new program's first
    // interval; its own cycle comes to that phase otherwise. Into program 3, direction 2 goes
    // from the switch's yellow into red-yellow; after a power-on into program 1, direction 1
    // goes from red-yellow into green blinking.
    faults.push_back({QStringLiteral("program switch into a first phase of 0 s"),
                      Plant([](RingModel &m) {
                          ProgramsBlock &g = m.programs();
                          g[programOffset(2) + ProgramLayout::PhaseCount] = 3;
                          setPhase(g, 2, 0, 2, 0, 0);
                          setPhase(g, 2, 1, 1, 10, 3);
                          setPhase(g, 2, 2, 0, 10, 3);
                          ProjectBlock &b = m.project();
                          b[dayPlanOffset(0)] = 2;
                          setDayPlanEntry(b, 0, 1, 2, 6 * 3600);
                      }),
                      Kind::SignalWithoutTime, true,
                      at(0, {{&Place::direction, 1},
                             {&Place::program, 0},
                             {&Place::phase, 1},
                             {&Place::dayPlan, 0},
                             {&Place::entry, 1}})});
    faults.push_back({QStringLiteral("power-on into a first phase of 0 s"), Plant([](RingModel &m) {
                          ProgramsBlock &g = m.programs();
                          g[programOffset(0) + ProgramLayout::PhaseCount] = 3;
                          setPhase(g, 0, 0, 0, 0, 0);
                          setPhase(g, 0, 2, 0, 10, 3);
                      }),
                      Kind::SignalWithoutTime, true,
                      at(0, {{&Place::direction, 0},
                             {&Place::program, 0},
                             {&Place::phase, 0},
                             {&Place::dayPlan, 0},
                             {&Place::entry, 0}})});
    faults.push_back({QStringLiteral("yellow flashing ends without all-red"),
                      Plant([](RingModel &m) {
                          ProjectBlock &b = m.project();
                          b[PL::AllRedDuration] = 0;
                          b[dayPlanOffset(0)] = 2;
                          setDayPlanEntry(b, 0, 1, 0, 6 * 3600);
                          b[dayPlanEntryOffset(0, 1) + DayPlanLayout::EntryKind] =
                              std::uint8_t(Dayplans::Kind::Flashing);
                      }),
                      Kind::SignalWithoutTime, true,
                      at(0, {{&Place::direction, 0},
                             {&Place::program, 0},
                             {&Place::phase, 0},
                             {&Place::dayPlan, 0},
                             {&Place::entry, 0}})});
}

inline std::vector<PlantedFault> plantedFaults()
{
    using namespace ProjectCheck;
    namespace DL = DirectionLayout;
    namespace PL = ProjectLayout;
    using Plant = std::function<void(RingModel &)>;
    std::vector<PlantedFault> faults;
    faults.push_back({QStringLiteral("tram signal without its right and straight directions"),
                      Plant([](RingModel &m) {
                          ProjectBlock &b = m.project();
                          b[PL::DirectionCount] = 3;
                          b[directionOffset(2) + DL::Type] = Napr::TramLeft;
                          b[directionOffset(2) + DL::Red1 + DL::BindingGroup] = 6;
                      }),
                      Kind::TramSignal, true,
                      at(0, {{&Place::tramSignal, 0}, {&Place::direction, 2}})});
    faults.push_back(
        {QStringLiteral("tram direction without its row-1 output"), Plant([](RingModel &m) {
             m.store(1).project[directionOffset(3) + DL::Green1 + DL::BindingGroup] = 0;
         }),
         Kind::TramSignal, true, at(1, {{&Place::tramSignal, 0}, {&Place::direction, 3}})});
    faults.push_back({QStringLiteral("template against a one-sided conflict flag"),
                      Plant([](RingModel &m) {
                          ProjectBlock &b = m.store(1).project;
                          b[templateMarkOffset(3, 0)] = 1;
                          b[templateMarkOffset(3, 1)] = 1;
                          b[conflictFlagOffset(1, 0)] = 1;
                      }),
                      Kind::TemplateConflict,
                      true,
                      at(1, {{&Place::templateIndex, 3}}),
                      {Kind::OneWayConflict, Kind::ZeroConflictTime}});
    faults.push_back({QStringLiteral("green channel bound in both rings"), Plant([](RingModel &m) {
                          m.store(1).project[directionOffset(1) + DL::Green1 + DL::BindingGroup] =
                              1;
                      }),
                      Kind::OutputTwice, true, at(1, {{&Place::direction, 1}})});
    faults.push_back({QStringLiteral("channel bound twice in one ring"), Plant([](RingModel &m) {
                          // Yellow of direction 2 onto direction 1's yellow channel.
                          m.project()[directionOffset(1) + DL::Yellow1 + DL::BindingGroup] = 1;
                      }),
                      Kind::OutputTwice, true, at(0, {{&Place::direction, 1}})});
    faults.push_back({QStringLiteral("day plan going back in time"), Plant([](RingModel &m) {
                          ProjectBlock &b = m.project();
                          b[dayPlanOffset(4)] = 3;
                          setDayPlanEntry(b, 4, 0, 0, 0);
                          setDayPlanEntry(b, 4, 1, 0, 7 * 3600);
                          setDayPlanEntry(b, 4, 2, 0, 6 * 3600);
                      }),
                      Kind::DayPlanOrder, false,
                      at(0, {{&Place::dayPlan, 4}, {&Place::entry, 2}})});
    faults.push_back(
        {QStringLiteral("day-plan entry running a program without phases"), Plant([](RingModel &m) {
             m.programs()[programOffset(5) + ProgramLayout::PhaseCount] = 0;
             ProjectBlock &b = m.project();
             b[dayPlanOffset(2)] = 2;
             setDayPlanEntry(b, 2, 1, 5, 3600);
         }),
         Kind::DayPlanEmptyProgram, true, at(0, {{&Place::dayPlan, 2}, {&Place::entry, 1}})});
    // One phase that no interval follows: the cycle lasts 0 s, and the controller flashes.
    faults.push_back(
        {QStringLiteral("day-plan entry running a program of 0 s"), Plant([](RingModel &m) {
             m.programs()[programOffset(3) + ProgramLayout::PhaseCount] = 1;
             setPhase(m.programs(), 3, 0, 0, 0, 0);
             ProjectBlock &b = m.project();
             b[dayPlanOffset(2)] = 2;
             setDayPlanEntry(b, 2, 1, 3, 3600);
         }),
         Kind::DayPlanEmptyProgram, true, at(0, {{&Place::dayPlan, 2}, {&Place::entry, 1}})});
    faults.push_back(
        {QStringLiteral("week plan using a day plan without entries"), Plant([](RingModel &m) {
             ProjectBlock &b = m.store(1).project;
             b[dayPlanOffset(7)] = 0;
             Weeksplans::setDayPlan(b, 2, 3, 7);
             Weeksplans::setDayPlan(b, 2, 5, 7);
             Year::setWeekPlan(b, 0, 2);
         }),
         Kind::WeekPlanEmptyDayPlan, true, at(1, {{&Place::weekPlan, 2}, {&Place::day, 3}})});
    faults.push_back({QStringLiteral("year weeks on a week plan never filled"),
                      Plant([](RingModel &m) { Year::setRange(m.project(), 9, 19, 4); }),
                      Kind::YearUnfilledWeekPlan, false, at(0, {{&Place::week, 9}})});
    faults.push_back({QStringLiteral("main time below the minimum"),
                      Plant([](RingModel &m) {
                          writeU16(m.store(1).programs, phaseOffset(2, 1) + PhaseLayout::MainTime,
                                   2);
                      }),
                      Kind::PhaseBelowMinimum,
                      false,
                      at(1, {{&Place::program, 2}, {&Place::phase, 1}}),
                      {Kind::SignalBelowMinimum}});
    faults.push_back(
        {QStringLiteral("main time above the maximum phase duration"), Plant([](RingModel &m) {
             writeU16(m.project(), PL::MaxPhaseDuration, 120);
             writeU16(m.programs(), phaseOffset(7, 1) + PhaseLayout::MainTime, 121);
         }),
         Kind::PhaseAboveMaximum, true, at(0, {{&Place::program, 7}, {&Place::phase, 1}})});
    faults.push_back({QStringLiteral("direction without any output"),
                      Plant([](RingModel &m) { bindDirection(m.project(), 1, 0); }),
                      Kind::DirectionWithoutOutput, false, at(0, {{&Place::direction, 1}})});
    faults.push_back({QStringLiteral("turn arrow whose green is its only output"),
                      Plant([](RingModel &m) {
                          ProjectBlock &b = m.store(1).project;
                          b[directionOffset(0) + DL::Type] = Napr::TurnArrow;
                          b[directionOffset(0) + DL::Green1 + DL::BindingGroup] = 0;
                      }),
                      Kind::DirectionWithoutOutput, false, at(1, {{&Place::direction, 0}})});
    addSignalFaults(faults);
    return faults;
}
