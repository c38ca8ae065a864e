#include "check/SafetyTrack.h"

#include <algorithm>

namespace SignalSafety {

void Track::append(int d, Lamp lamp, int seconds)
{
    if (seconds <= 0)
        return;
    LampTimeline &row = rows[std::size_t(d)];
    const int at = row.empty() ? 0 : row.back().end;
    if (!row.empty() && row.back().lamp == lamp)
        row.back().end += seconds;
    else
        row.push_back({at, at + seconds, lamp});
    length = std::max(length, at + seconds);
}

namespace {

template <typename Rows> void appendRows(Track &track, const Rows &rows, int from, int to)
{
    const int base = track.length;
    for (int d = 0; d < track.directions; ++d) {
        LampTimeline &mine = track.rows[std::size_t(d)];
        mine.reserve(mine.size() + rows[std::size_t(d)].size());
        for (const LampSpan &s : rows[std::size_t(d)]) {
            const int a = std::max(s.start, from);
            const int b = std::min(s.end, to);
            if (a < b)
                track.append(d, s.lamp, b - a);
        }
    }
    track.length = base + std::max(0, to - from);
}

} // namespace

void Track::appendTrack(const Track &other, int from, int to)
{
    appendRows(*this, other.rows, from, to < 0 ? other.length : to);
}

void Track::appendTimeline(const SwitchTimeline &timeline, int from, int to)
{
    appendRows(*this, timeline.directions, from, to < 0 ? timeline.length : to);
}

void Track::padTo(int end, Lamp lamp)
{
    for (int d = 0; d < directions; ++d) {
        const int at = rows[std::size_t(d)].empty() ? 0 : rows[std::size_t(d)].back().end;
        append(d, lamp, end - at);
    }
    length = std::max(length, end);
}

int Cycle::phaseAt(int t) const
{
    const auto after = std::upper_bound(mainStart.begin(), mainStart.end(), t);
    return std::max(0, int(after - mainStart.begin()) - 1);
}

Cycle buildCycle(const Takts &takts, int program)
{
    Cycle cycle;
    cycle.program = program;
    const int n = takts.directionCount();
    SwitchTimeline timeline;
    for (int f = 0; f < takts.phaseCount(program); ++f) {
        const TransitionTable table =
            takts.computeTransition(program, program, f, takts.nextPhase(program, f));
        cycle.mainStart.push_back(timeline.length);
        cycle.mainEnd.push_back(timeline.length + table.mainTime);
        cycle.interval.push_back(table.interval);
        // The same period the controller runs: slots cut at H, or the last one held to it.
        ModeSwitch::appendPeriod(timeline, n, table, true);
    }
    cycle.track.directions = n;
    cycle.track.appendTimeline(timeline);
    return cycle;
}

} // namespace SignalSafety
