#include "check/SafetyTrack.h"

#include <algorithm>

namespace SignalSafety {

Signal signalOf(std::uint8_t tactColour)
{
    switch (tactColour) {
    case TactGreen:
        return Signal::Green;
    case TactGreenBlink:
        return Signal::GreenBlink;
    case TactRed:
        return Signal::Red;
    case TactRedYellow:
        return Signal::RedYellow;
    case TactYellow:
        return Signal::Yellow;
    default:
        return Signal::Off;
    }
}

void Track::append(int d, Signal signal, int seconds)
{
    if (seconds <= 0)
        return;
    std::vector<Span> &row = rows[std::size_t(d)];
    const int at = row.empty() ? 0 : row.back().end;
    if (!row.empty() && row.back().signal == signal)
        row.back().end += seconds;
    else
        row.push_back({at, at + seconds, signal});
    length = std::max(length, at + seconds);
}

void Track::appendTrack(const Track &other, int from, int to)
{
    if (to < 0)
        to = other.length;
    const int base = length;
    for (int d = 0; d < directions; ++d) {
        // Rows end together; a row that lags is brought to the common start first.
        const int lag = base - (rows[std::size_t(d)].empty() ? 0 : rows[std::size_t(d)].back().end);
        if (lag > 0)
            append(d,
                   rows[std::size_t(d)].empty() ? Signal::Off : rows[std::size_t(d)].back().signal,
                   lag);
        for (const Span &s : other.rows[std::size_t(d)]) {
            const int a = std::max(s.start, from);
            const int b = std::min(s.end, to);
            if (a < b)
                append(d, s.signal, b - a);
        }
    }
    length = base + std::max(0, to - from);
}

void Track::padTo(int end, Signal signal)
{
    for (int d = 0; d < directions; ++d) {
        const int at = rows[std::size_t(d)].empty() ? 0 : rows[std::size_t(d)].back().end;
        append(d, signal, end - at);
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
    cycle.track.directions = n;
    cycle.lastMain.assign(std::size_t(n), TactNone);
    int t = 0;
    const int count = takts.phaseCount(program);
    for (int f = 0; f < count; ++f) {
        const TransitionTable table =
            takts.computeTransition(program, program, f, takts.nextPhase(program, f));
        cycle.mainStart.push_back(t);
        cycle.mainEnd.push_back(t + table.mainTime);
        cycle.interval.push_back(table.interval);
        for (int d = 0; d < n; ++d) {
            const DirectionTacts &row = table.directions[std::size_t(d)];
            cycle.track.append(d, signalOf(row.mainColour), table.mainTime);
            // The interval lasts H whatever the slots add up to: slots cut at four leave the
            // rest dark, and slots past H (a mark other than 0 or 1) are never shown.
            int left = table.interval;
            for (const Tact &tact : row.tacts) {
                const int seconds = std::min(tact.duration, left);
                cycle.track.append(d, signalOf(tact.colour), seconds);
                left -= seconds;
            }
            cycle.track.append(d, Signal::Off, left);
            if (f == count - 1)
                cycle.lastMain[std::size_t(d)] = row.mainColour;
        }
        t += table.mainTime + table.interval;
    }
    cycle.track.length = t;
    return cycle;
}

} // namespace SignalSafety
