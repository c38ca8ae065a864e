#include "programs/ModeSwitch.h"

#include <algorithm>

namespace PL = ProjectLayout;

Lamp lampOf(std::uint8_t tactColour)
{
    switch (tactColour) {
    case TactGreen:
        return Lamp::Green;
    case TactGreenBlink:
        return Lamp::GreenBlink;
    case TactRed:
        return Lamp::Red;
    case TactRedYellow:
        return Lamp::RedYellow;
    case TactYellow:
        return Lamp::Yellow;
    default:
        return Lamp::Off;
    }
}

Lamp modeLamp(RingMode mode)
{
    switch (mode) {
    case RingMode::Flashing:
        return Lamp::YellowFlash;
    case RingMode::AllRed:
        return Lamp::Red;
    case RingMode::SignalsOff:
    case RingMode::Program:
        break;
    }
    return Lamp::Off;
}

namespace {

void add(LampTimeline &line, int start, int end, Lamp lamp)
{
    if (end <= start)
        return;
    if (!line.empty() && line.back().lamp == lamp && line.back().end == start)
        line.back().end = end;
    else
        line.push_back(LampSpan{start, end, lamp});
}

bool vehicle(const ProjectBlock &project, int direction)
{
    return project[directionOffset(direction) + DirectionLayout::Type] == 0;
}

int lastPhase(const Takts &takts, int program)
{
    return takts.phaseCount(program) - 1;
}

TransitionTable ownPeriod(const Takts &takts, int program, int phase)
{
    return takts.computeTransition(program, program, phase, takts.nextPhase(program, phase));
}

void appendMain(SwitchTimeline &t, int directions, const TransitionTable &table)
{
    t.phaseStarts.push_back(t.length);
    for (int d = 0; d < directions; ++d)
        add(t.directions[d], t.length, t.length + table.mainTime,
            lampOf(table.directions[d].mainColour));
    t.length += table.mainTime;
}

} // namespace

namespace ModeSwitch {

void appendPeriod(SwitchTimeline &t, int directions, const TransitionTable &table, bool withMain)
{
    const int start = t.length;
    const int main = withMain ? table.mainTime : 0;
    const int end = start + main + table.interval;
    for (int d = 0; d < directions; ++d) {
        const DirectionTacts &row = table.directions[d];
        LampTimeline &line = t.directions[d];
        add(line, start, start + main, lampOf(row.mainColour));
        int at = start + main;
        std::uint8_t last = row.mainColour;
        for (const Tact &tact : row.tacts) {
            if (tact.duration <= 0)
                continue;
            add(line, at, std::min(at + tact.duration, end), lampOf(tact.colour));
            at += tact.duration;
            last = tact.colour;
        }
        add(line, at, end, lampOf(last));
    }
    t.length = end;
}

void appendAll(SwitchTimeline &t, int directions, int seconds, Lamp lamp)
{
    for (int d = 0; d < directions; ++d)
        add(t.directions[d], t.length, t.length + seconds, lamp);
    t.length += std::max(0, seconds);
}

Lamp lampAt(const LampTimeline &line, int at)
{
    if (line.empty())
        return Lamp::Off;
    const auto it = std::upper_bound(line.begin(), line.end(), at,
                                     [](int s, const LampSpan &span) { return s < span.end; });
    return it == line.end() ? line.back().lamp : it->lamp;
}

SwitchTimeline cycle(const Takts &takts, int program)
{
    SwitchTimeline t;
    const int n = takts.directionCount();
    for (int f = 0; f < takts.phaseCount(program); ++f) {
        t.phaseStarts.push_back(t.length);
        appendPeriod(t, n, ownPeriod(takts, program, f), true);
    }
    return t;
}

SwitchTimeline programSwitch(const Takts &takts, int fromProgram, int toProgram)
{
    SwitchTimeline t;
    const int n = takts.directionCount();
    t.fromPhase = lastPhase(takts, fromProgram);
    t.toPhase = 0;
    t.phaseStarts.push_back(0);
    appendPeriod(t, n, takts.computeTransition(fromProgram, toProgram, t.fromPhase, 0), true);
    appendMain(t, n, ownPeriod(takts, toProgram, 0));
    return t;
}

SwitchTimeline enterMode(const Takts &takts, const ProjectBlock &project, int fromProgram,
                         RingMode mode)
{
    SwitchTimeline t;
    const int n = takts.directionCount();
    t.fromPhase = lastPhase(takts, fromProgram);
    const TransitionTable last = ownPeriod(takts, fromProgram, t.fromPhase);
    appendMain(t, n, last);
    const int gb = project[PL::GreenBlink];
    const int y = project[PL::Yellow];
    // Each direction clears on its own; the all-red counts from the last one to finish.
    std::array<int, MaxDirections> cleared{};
    int lastCleared = t.length;
    for (int d = 0; d < n; ++d) {
        LampTimeline &line = t.directions[d];
        int at = t.length;
        // The main colour, not the timeline's last span: a main time of 0 s leaves no span,
        // and the green it would have shown is still on from the interval before.
        const Lamp shown = lampOf(last.directions[d].mainColour);
        if (shown == Lamp::Green) {
            add(line, at, at + gb, Lamp::GreenBlink);
            at += gb;
        }
        if ((shown == Lamp::Green || shown == Lamp::GreenBlink) && vehicle(project, d)) {
            add(line, at, at + y, Lamp::Yellow);
            at += y;
        }
        cleared[d] = at;
        lastCleared = std::max(lastCleared, at);
    }
    const int allRedEnd = lastCleared + project[PL::AllRedDuration];
    for (int d = 0; d < n; ++d)
        add(t.directions[d], cleared[d], allRedEnd, Lamp::Red);
    t.length = allRedEnd;
    appendAll(t, n, 1, modeLamp(mode));
    return t;
}

SwitchTimeline leaveMode(const Takts &takts, const ProjectBlock &project, RingMode mode,
                         int toProgram)
{
    SwitchTimeline t;
    const int n = takts.directionCount();
    t.toPhase = 0;
    appendAll(t, n, 1, modeLamp(mode));
    appendAll(t, n, project[PL::AllRedDuration], Lamp::Red);
    const TransitionTable first = ownPeriod(takts, toProgram, 0);
    const int ry = project[PL::RedYellow];
    for (int d = 0; d < n; ++d) {
        const bool goes = first.directions[d].mainColour == TactGreen && vehicle(project, d);
        add(t.directions[d], t.length, t.length + ry, goes ? Lamp::RedYellow : Lamp::Red);
    }
    t.length += ry;
    appendMain(t, n, first);
    return t;
}

} // namespace ModeSwitch
