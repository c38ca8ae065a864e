// The switches a ring's day plans can make, and what the street sees during each.
#include "check/SafetyScan.h"

#include "schedules/DayPlans.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <algorithm>
#include <set>

namespace SignalSafety {

namespace {

constexpr std::uint32_t LastSecond = 24 * 3600 - 1;

// What an entry runs, as the controller reads it: an unknown kind, or a program it cannot run,
// flashes.
int stateOf(const Takts &takts, const Dayplans::DayPlanView &plan, int e)
{
    switch (plan.kind(e)) {
    case int(Dayplans::Kind::Program):
        return takts.canRun(plan.program(e)) ? plan.program(e) : ModeBase + int(RingMode::Flashing);
    case int(Dayplans::Kind::SignalsOff):
        return ModeBase + int(RingMode::SignalsOff);
    case int(Dayplans::Kind::AllRed):
        return ModeBase + int(RingMode::AllRed);
    default:
        return ModeBase + int(RingMode::Flashing);
    }
}

// The entries in force over one day, in order; on equal start times the later entry wins.
std::vector<std::pair<int, int>> inForce(const Takts &takts, const Dayplans::DayPlanView &plan)
{
    std::vector<std::pair<std::uint32_t, int>> starts;
    for (int e = 0; e < plan.entryCount(); ++e)
        if (plan.start(e) <= LastSecond)
            starts.emplace_back(plan.start(e), e);
    std::stable_sort(starts.begin(), starts.end(),
                     [](const auto &x, const auto &y) { return x.first < y.first; });
    std::vector<std::pair<int, int>> states; // state, entry
    for (std::size_t k = 0; k < starts.size(); ++k)
        if (k + 1 == starts.size() || starts[k + 1].first != starts[k].first)
            states.emplace_back(stateOf(takts, plan, starts[k].second), starts[k].second);
    if (states.empty())
        states.emplace_back(stateOf(takts, plan, 0), 0);
    return states;
}

// A's cycle up to the start of its last phase's main time, where the switch tacts take over:
// every end of green before the switch that can matter lies within it.
Track leadIn(const Cycle &from)
{
    Track track;
    track.directions = from.track.directions;
    track.appendTrack(from.track, 0, from.mainStart.back());
    return track;
}

// One cycle of B after its phase 0 main time, as what follows a switch: every direction green
// in B starts once within it. It is scanned with the switch: until a direction first changes
// in B, what it shows still follows from the switch (a phase 0 of 0 s hands the switch's
// red-yellow or yellow straight to B's first interval).
void leadOut(Stretch &s, const Cycle &to)
{
    s.instantsTo = s.track.length - to.mainEnd.front() + to.mainStart.front();
    s.track.appendTrack(to.track, to.mainEnd.front());
    s.track.appendTrack(to.track, 0, to.mainEnd.front());
    s.to = s.track.length;
}

} // namespace

std::vector<Switch> scheduledSwitches(const ProjectBlock &project, const ProgramsBlock &programs)
{
    std::set<int> plans;
    for (int w = 0; w < YearWeeks; ++w)
        for (int d = 0; d < WeekDays; ++d)
            plans.insert(clampIndex(Weeksplans::dayPlan(project, Year::weekPlan(project, w), d),
                                    MaxDayPlans));
    std::vector<Switch> switches;
    std::set<std::pair<int, int>> seen;
    const auto add = [&](int from, int to, int plan, int entry, bool start = false) {
        if (from != to && seen.insert({from, to}).second)
            switches.push_back({from, to, plan, entry, start});
    };
    Takts takts;
    takts.bind(project, programs);
    std::vector<std::vector<std::pair<int, int>>> days;
    for (const int p : plans)
        days.push_back(inForce(takts, Dayplans::DayPlanView(project, p)));
    std::size_t k = 0;
    for (const int p : plans) {
        const auto &day = days[k++];
        for (std::size_t e = 0; e < day.size(); ++e) {
            const auto &next = day[(e + 1) % day.size()];
            add(day[e].first, next.first, p, next.second);
        }
    }
    k = 0;
    for (const int p : plans) {
        std::size_t q = 0;
        for (const int other : plans) {
            if (other != p)
                add(days[k].back().first, days[q].front().first, other, days[q].front().second);
            ++q;
        }
        ++k;
    }
    // A power-on or an upload can come at any time: each program an entry runs can be the
    // first thing the ring starts from dark.
    k = 0;
    for (const int p : plans) {
        for (const auto &[state, entry] : days[k])
            if (state < ModeBase)
                add(ModeBase + int(RingMode::SignalsOff), state, p, entry, true);
        ++k;
    }
    return switches;
}

Stretch programSwitch(const Takts &takts, const Cycle &from, const Cycle &to, int &interval)
{
    const SwitchTimeline timeline = ModeSwitch::programSwitch(takts, from.program, to.program);
    Stretch s;
    s.track = leadIn(from);
    const int base = s.track.length;
    s.track.appendTimeline(timeline);
    // The scanned part: from the end of A's last main time, through the interval (H), to the
    // lead-out's end.
    s.from = base + from.mainEnd.back() - from.mainStart.back();
    interval = base + timeline.phaseStarts.back() - s.from;
    leadOut(s, to);
    return s;
}

Stretch enterMode(const Takts &takts, const ProjectBlock &project, const Cycle &from, RingMode mode)
{
    const SwitchTimeline timeline = ModeSwitch::enterMode(takts, project, from.program, mode);
    Stretch s;
    s.track = leadIn(from);
    const int base = s.track.length;
    s.track.appendTimeline(timeline);
    s.from = base + from.mainEnd.back() - from.mainStart.back();
    s.to = s.track.length - 1; // the mode's first second
    return s;
}

Stretch leaveMode(const Takts &takts, const ProjectBlock &project, RingMode mode, const Cycle &to)
{
    const SwitchTimeline timeline = ModeSwitch::leaveMode(takts, project, mode, to.program);
    Stretch s;
    s.track.directions = takts.directionCount();
    s.track.appendTimeline(timeline);
    s.from = 1; // the mode's last second ends
    leadOut(s, to);
    return s;
}

} // namespace SignalSafety
