#pragma once

#include "CheckedProject.h"

#include "check/Finding.h"
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
                      Kind::TemplateConflict, true, at(1, {{&Place::templateIndex, 3}})});
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
    faults.push_back(
        {QStringLiteral("main time below the minimum"), Plant([](RingModel &m) {
             writeU16(m.store(1).programs, phaseOffset(2, 1) + PhaseLayout::MainTime, 2);
         }),
         Kind::PhaseBelowMinimum, false, at(1, {{&Place::program, 2}, {&Place::phase, 1}})});
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
    return faults;
}
