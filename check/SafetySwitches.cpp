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

// What an entry runs, as the controller reads it: an unknown kind or program flashes.
int stateOf(const Dayplans::DayPlanView &plan, int e)
{
    switch (plan.kind(e)) {
    case int(Dayplans::Kind::Program):
        return plan.program(e) < MaxPrograms ? plan.program(e) : ModeBase + int(Mode::Flashing);
    case int(Dayplans::Kind::SignalsOff):
        return ModeBase + int(Mode::SignalsOff);
    case int(Dayplans::Kind::AllRed):
        return ModeBase + int(Mode::AllRed);
    default:
        return ModeBase + int(Mode::Flashing);
    }
}

// The entries in force over one day, in order; on equal start times the later entry wins.
std::vector<std::pair<int, int>> inForce(const Dayplans::DayPlanView &plan)
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
            states.emplace_back(stateOf(plan, starts[k].second), starts[k].second);
    if (states.empty())
        states.emplace_back(stateOf(plan, 0), 0);
    return states;
}

Signal modeSignal(Mode mode)
{
    switch (mode) {
    case Mode::Flashing:
        return Signal::YellowFlash;
    case Mode::SignalsOff:
        return Signal::Off;
    case Mode::AllRed:
        return Signal::Red;
    }
    return Signal::Off;
}

// A's cycle once whole, then again up to the end of its last phase's main time.
Track leadIn(const Cycle &from)
{
    Track track;
    track.directions = from.track.directions;
    track.appendTrack(from.track);
    track.appendTrack(from.track, 0, from.mainEnd.back());
    return track;
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
    const auto runnable = [&](int state) {
        return state >= ModeBase || programs[programOffset(state) + ProgramLayout::PhaseCount] != 0;
    };
    const auto add = [&](int from, int to, int plan, int entry) {
        if (from != to && runnable(from) && runnable(to) && seen.insert({from, to}).second)
            switches.push_back({from, to, plan, entry});
    };
    std::vector<std::vector<std::pair<int, int>>> days;
    for (const int p : plans)
        days.push_back(inForce(Dayplans::DayPlanView(project, p)));
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
    return switches;
}

Stretch programSwitch(const Takts &takts, const Cycle &from, const Cycle &to, int &interval)
{
    Stretch s;
    s.track = leadIn(from);
    s.from = s.track.length;
    const int last = from.phaseCount() - 1;
    const TransitionTable table = takts.computeTransition(from.program, to.program, last, 0);
    interval = table.interval;
    for (int d = 0; d < s.track.directions; ++d) {
        int left = table.interval;
        for (const Tact &tact : table.directions[std::size_t(d)].tacts) {
            const int seconds = std::min(tact.duration, left);
            s.track.append(d, signalOf(tact.colour), seconds);
            left -= seconds;
        }
        s.track.append(d, Signal::Off, left);
    }
    s.track.length = s.from + table.interval;
    s.to = s.track.length;
    s.track.appendTrack(to.track);
    s.track.appendTrack(to.track);
    return s;
}

Stretch enterMode(const Rules &rules, const Cycle &from, Mode mode)
{
    Stretch s;
    s.track = leadIn(from);
    s.from = s.track.length;
    // Green goes through green blinking and yellow; everyone is then red for the КК time.
    int cleared = s.from;
    for (int d = 0; d < rules.directions; ++d) {
        if (from.lastMain[std::size_t(d)] != TactGreen)
            continue;
        s.track.append(d, Signal::GreenBlink, rules.greenBlink);
        if (rules.vehicle[std::size_t(d)])
            s.track.append(d, Signal::Yellow, rules.yellow);
        cleared = std::max(cleared, s.track.rows[std::size_t(d)].back().end);
    }
    s.track.padTo(cleared + rules.allRed, Signal::Red);
    s.to = s.track.length;
    s.track.padTo(s.to + 1, modeSignal(mode));
    return s;
}

Stretch leaveMode(const Rules &rules, Mode mode, const Cycle &to)
{
    Stretch s;
    s.track.directions = rules.directions;
    s.track.padTo(1, modeSignal(mode));
    s.from = s.track.length;
    s.track.padTo(s.from + rules.allRed, Signal::Red);
    const int redYellowStart = s.track.length;
    for (int d = 0; d < rules.directions; ++d) {
        const auto &row = to.track.rows[std::size_t(d)];
        const bool green = !row.empty() && greenFamily(row.front().signal);
        s.track.append(d, green && rules.vehicle[std::size_t(d)] ? Signal::RedYellow : Signal::Red,
                       rules.redYellow);
    }
    s.track.length = redYellowStart + rules.redYellow;
    s.to = s.track.length;
    s.track.appendTrack(to.track);
    s.track.appendTrack(to.track);
    return s;
}

} // namespace SignalSafety
