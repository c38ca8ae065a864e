#include "check/SafetyScan.h"

#include "config/Directions.h"

#include <algorithm>
#include <bit>

namespace DL = DirectionLayout;
namespace PL = ProjectLayout;
using ProjectCheck::Kind;

namespace SignalSafety {

namespace {

constexpr int Channels = OutputGroups * LampColours;

int channel(int group, int colour)
{
    return (group - 1) * LampColours + colour;
}

struct Row
{
    std::size_t offset;
    bool scanned; // read by the output-twice check
};

// The lamps a direction lights in each state. A pedestrian's "ТВП - ЖДИТЕ" output follows
// calls, not tacts, and tram lamps are white bars of one head: neither takes part.
void addLamps(const ProjectBlock &project, int d, Rules &rules)
{
    const int type = Napr::directionType(project, d);
    auto bind = [&](Row row, std::initializer_list<Lamp> when, std::uint32_t &scannedGreen) {
        const std::size_t at = directionOffset(d) + row.offset;
        const int group = project[at + DL::BindingGroup];
        const int colour = project[at + DL::BindingColour];
        if (group < 1 || group > OutputGroups || colour >= LampColours)
            return;
        const std::uint32_t bit = 1u << channel(group, colour);
        for (const Lamp s : when)
            rules.lit[std::size_t(d)][std::size_t(s)] |= bit;
        if (row.scanned && colour == LampColour::Green)
            scannedGreen |= bit;
        if (row.scanned) {
            rules.boundTwice |= rules.boundOnce & bit;
            rules.boundOnce |= bit;
        }
    };
    std::uint32_t scanned = 0;
    const auto green = {Lamp::Green, Lamp::GreenBlink};
    switch (type) {
    case Napr::Vehicle:
    case Napr::Reversible:
        bind({DL::Red1, true}, {Lamp::Red, Lamp::RedYellow}, scanned);
        bind({DL::Yellow1, true}, {Lamp::Yellow, Lamp::RedYellow, Lamp::YellowFlash}, scanned);
        bind({DL::Green1, true}, green, scanned);
        break;
    case Napr::Pedestrian:
        bind({DL::Red1, true}, {Lamp::Red, Lamp::RedYellow}, scanned);
        bind({DL::Green1, true}, green, scanned);
        break;
    case Napr::TurnArrow:
        bind({DL::Green1, false}, green, scanned);
        break;
    default:
        break;
    }
    rules.sharesGreen[std::size_t(d)] = scanned; // held here until every direction is known
}

} // namespace

Rules::Rules(const ProjectBlock &project)
{
    directions = Napr::directionCount(project);
    yellow = project[PL::Yellow];
    redYellow = project[PL::RedYellow];
    greenBlink = project[PL::GreenBlink];
    minGreen = project[PL::MinGreen];
    minRed = project[PL::MinRed];
    allRed = project[PL::AllRedDuration];
    for (int i = 0; i < directions; ++i) {
        const int type = Napr::directionType(project, i);
        vehicle[std::size_t(i)] = type == Napr::Vehicle;
        tram[std::size_t(i)] = Napr::isTramType(type);
        for (int j = 0; j < directions; ++j) {
            if (i == j)
                continue;
            conflictTime[std::size_t(i)][std::size_t(j)] = project[conflictTimeOffset(i, j)];
            if (project[conflictFlagOffset(i, j)] != 0) {
                clearanceTo[std::size_t(i)] |= 1u << j;
                longestClearance[std::size_t(i)] =
                    std::max(longestClearance[std::size_t(i)],
                             int(conflictTime[std::size_t(i)][std::size_t(j)]));
                conflictsWith[std::size_t(i)] |= 1u << j;
                conflictsWith[std::size_t(j)] |= 1u << i;
            }
        }
        addLamps(project, i, *this);
    }
    std::array<std::uint32_t, MaxDirections> scannedGreen = sharesGreen;
    for (int i = 0; i < directions; ++i) {
        std::uint32_t shares = 0;
        const std::uint32_t mine = lit[std::size_t(i)][std::size_t(Lamp::Green)];
        for (int j = 0; j < directions; ++j) {
            const std::uint32_t common = mine & lit[std::size_t(j)][std::size_t(Lamp::Green)];
            const std::uint32_t named = scannedGreen[std::size_t(i)] & scannedGreen[std::size_t(j)];
            if (j != i && (conflictsWith[std::size_t(i)] >> j & 1u) && (common & ~named) != 0)
                shares |= 1u << j;
        }
        sharesGreen[std::size_t(i)] = shares;
    }
}

namespace {

bool within(const Stretch &s, int t)
{
    return t >= s.from && (s.halfOpen ? t < s.to : t <= s.to);
}

// A run touches the scanned part when it overlaps it; in a cycle, when it starts in it.
bool runWithin(const Stretch &s, int a, int b)
{
    if (s.halfOpen)
        return a >= s.from && a < s.to;
    return a <= s.to && b >= s.from;
}

// Two conflicting greens at once, and output channels lit against each other.
void scanInstants(const Rules &rules, const Stretch &stretch, std::vector<Violation> &out)
{
    const Track &track = stretch.track;
    const int n = rules.directions;
    if (n == 0)
        return;
    std::array<std::size_t, MaxDirections> at{};
    for (int d = 0; d < n; ++d) {
        const auto &row = track.rows[std::size_t(d)];
        at[std::size_t(d)] =
            std::size_t(std::upper_bound(row.begin(), row.end(), stretch.from,
                                         [](int t, const LampSpan &s) { return t < s.end; }) -
                        row.begin());
    }
    // Open episodes: one violation per pair (or group) and unbroken stretch.
    std::vector<std::size_t> open;
    const auto report = [&](Kind kind, int first, int second, int detail, int a, int b,
                            int required = 0) {
        for (std::size_t k : open) {
            Violation &v = out[k];
            if (v.kind == kind && v.first == first && v.second == second && v.detail == detail &&
                v.end == a) {
                v.end = b;
                v.measured += b - a;
                return;
            }
        }
        out.push_back({kind, first, second, a, b, b - a, required, detail});
    };
    int t = stretch.from;
    const int to = stretch.instantsTo < 0 ? stretch.to : stretch.instantsTo;
    const int stop = stretch.halfOpen ? to : std::max(to, stretch.from + 1);
    while (t < stop) {
        int next = track.length;
        std::uint32_t green = 0;
        std::uint32_t lit = 0;
        std::array<Lamp, MaxDirections> signal{};
        for (int d = 0; d < n; ++d) {
            const auto &row = track.rows[std::size_t(d)];
            const std::size_t i = at[std::size_t(d)];
            if (i >= row.size())
                continue;
            signal[std::size_t(d)] = row[i].lamp;
            next = std::min(next, row[i].end);
            if (greenFamily(row[i].lamp))
                green |= 1u << d;
            if (!rules.tram[std::size_t(d)])
                lit |= rules.lit[std::size_t(d)][std::size_t(row[i].lamp)];
        }
        next = std::min(next, stop);
        if (next <= t)
            break;
        std::vector<std::size_t> stillOpen;
        const std::size_t before = out.size();
        for (std::uint32_t g = green; g != 0; g &= g - 1) {
            const int i = std::countr_zero(g);
            for (std::uint32_t c = rules.conflictsWith[std::size_t(i)] & green; c != 0;
                 c &= c - 1) {
                const int j = std::countr_zero(c);
                if (i < j)
                    report(Kind::GreenConflict, i, j, 0, t, next,
                           std::max(rules.conflictTime[std::size_t(i)][std::size_t(j)],
                                    rules.conflictTime[std::size_t(j)][std::size_t(i)]));
            }
            for (std::uint32_t c = rules.sharesGreen[std::size_t(i)]; c != 0; c &= c - 1)
                report(Kind::OutputLitTogether, i, std::countr_zero(c), GreenShared, t, next);
        }
        for (int group = 1; group <= OutputGroups; ++group) {
            const std::uint32_t red = 1u << channel(group, LampColour::Red);
            const std::uint32_t grn = 1u << channel(group, LampColour::Green);
            if ((lit & red) == 0 || (lit & grn) == 0 || ((red | grn) & rules.boundTwice) != 0)
                continue;
            int first = -1;
            int second = -1;
            for (int d = 0; d < n; ++d) {
                const std::uint32_t mine =
                    rules.lit[std::size_t(d)][std::size_t(signal[std::size_t(d)])];
                if (rules.tram[std::size_t(d)])
                    continue;
                if (first < 0 && (mine & red))
                    first = d;
                if (second < 0 && (mine & grn))
                    second = d;
            }
            report(Kind::OutputLitTogether, first, second, group, t, next);
        }
        // Episodes that did not go on through this stretch are closed.
        for (const std::size_t k : open)
            if (out[k].end == next)
                stillOpen.push_back(k);
        for (std::size_t k = before; k < out.size(); ++k)
            stillOpen.push_back(k);
        open = std::move(stillOpen);
        for (int d = 0; d < n; ++d) {
            const auto &row = track.rows[std::size_t(d)];
            if (at[std::size_t(d)] < row.size() && row[at[std::size_t(d)]].end == next)
                ++at[std::size_t(d)];
        }
        t = next;
    }
}

struct Edge
{
    int time;
    int direction;
    bool operator<(const Edge &other) const { return time < other.time; }
};

void checkEnd(const Rules &rules, const Stretch &stretch, const std::vector<Edge> &starts,
              const Edge &end, std::vector<Violation> &out)
{
    const int i = end.direction;
    const std::uint32_t wanted = rules.clearanceTo[std::size_t(i)];
    std::uint32_t seen = 0;
    for (auto g = std::lower_bound(starts.begin(), starts.end(), Edge{end.time, 0});
         g != starts.end() && g->time - end.time < rules.longestClearance[std::size_t(i)]; ++g) {
        const int j = g->direction;
        if (!(wanted >> j & 1u) || (seen >> j & 1u))
            continue;
        seen |= 1u << j;
        const int required = rules.conflictTime[std::size_t(i)][std::size_t(j)];
        if (!stretch.halfOpen && g->time < stretch.from)
            continue;
        if (g->time - end.time < required)
            out.push_back(
                {Kind::ShortClearance, i, j, end.time, g->time, g->time - end.time, required, 0});
    }
}

// From the end of i's green-family to the next start of j's green, against CT(i, j). Only the
// first start of j after an end counts: a later one leaves more time.
void scanClearances(const Rules &rules, const Stretch &stretch, std::vector<Violation> &out)
{
    const int n = rules.directions;
    const int length = stretch.track.length;
    std::vector<Edge> starts;
    std::vector<Edge> ends;
    for (int d = 0; d < n; ++d) {
        const LampTimeline &row = stretch.track.rows[std::size_t(d)];
        for (std::size_t k = 0; k < row.size(); ++k) {
            if (!greenFamily(row[k].lamp))
                continue;
            if ((k == 0 || !greenFamily(row[k - 1].lamp)) && row[k].start > 0)
                starts.push_back({row[k].start, d});
            if ((k + 1 == row.size() || !greenFamily(row[k + 1].lamp)) && row[k].end < length)
                ends.push_back({row[k].end, d});
        }
    }
    std::sort(starts.begin(), starts.end());
    std::sort(ends.begin(), ends.end());
    // Where the scanned part is a switch, the last end of each direction before it still
    // pairs with a start inside it.
    std::uint32_t before = 0;
    for (auto e = ends.rbegin(); e != ends.rend() && !stretch.halfOpen; ++e)
        if (e->time < stretch.from && !(before >> e->direction & 1u)) {
            before |= 1u << e->direction;
            checkEnd(rules, stretch, starts, *e, out);
        }
    for (const Edge &e : ends)
        if (within(stretch, e.time))
            checkEnd(rules, stretch, starts, e, out);
}

// The order of one direction's signals, and the lengths of its green and red.
void scanRow(const Rules &rules, const Stretch &stretch, int d, std::vector<Violation> &out)
{
    const auto &row = stretch.track.rows[std::size_t(d)];
    const int length = stretch.track.length;
    const bool vehicle = rules.vehicle[std::size_t(d)];
    const auto add = [&](Kind kind, int detail, int a, int b, int measured, int required) {
        out.push_back({kind, d, -1, a, b, measured, required, detail});
    };
    for (std::size_t k = 0; k < row.size(); ++k) {
        const LampSpan &s = row[k];
        const bool closed = s.start > 0 && s.end < length;
        // The minimum red protects the change back to green; a red before flashing or dark is
        // the clearance into that mode.
        const bool beforeGreen = k + 1 < row.size() && (row[k + 1].lamp == Lamp::RedYellow ||
                                                        greenFamily(row[k + 1].lamp));
        if (s.lamp == Lamp::Red && closed && beforeGreen && runWithin(stretch, s.start, s.end) &&
            s.end - s.start < rules.minRed)
            add(Kind::SignalBelowMinimum, ShortRed, s.start, s.end, s.end - s.start, rules.minRed);
        // Red-yellow promises green and comes only out of red, whether or not a green follows:
        // phases of 0 s can turn it back to yellow, or run yellow straight into it.
        if (s.lamp == Lamp::RedYellow) {
            if (k + 1 < row.size() && row[k + 1].lamp != Lamp::Green && within(stretch, s.end))
                add(Kind::SignalWithoutTime, NoSteadyGreen, s.start, s.end, 0, 0);
            if (k > 0 && row[k - 1].lamp != Lamp::Red && within(stretch, s.start))
                add(Kind::SignalWithoutTime, NoRed, row[k - 1].start, s.end, 0, 0);
        }
        if (!greenFamily(s.lamp) || (k > 0 && greenFamily(row[k - 1].lamp)))
            continue;
        // One green-family run: spans k .. m - 1.
        std::size_t m = k;
        int steady = 0;
        bool restarted = false;
        for (; m < row.size() && greenFamily(row[m].lamp); ++m) {
            if (row[m].lamp == Lamp::Green) {
                steady += row[m].end - row[m].start;
                restarted = restarted || (m > k && row[m - 1].lamp == Lamp::GreenBlink);
            }
        }
        const int a = s.start;
        const int b = row[m - 1].end;
        const bool hasStart = k > 0;
        const bool hasEnd = m < row.size();
        if (hasStart && within(stretch, a)) {
            const Lamp before = row[k - 1].lamp;
            if (vehicle && rules.redYellow > 0 && before != Lamp::RedYellow)
                add(Kind::MissingTransition, NoRedYellow, row[k - 1].start, a, 0, rules.redYellow);
            // Before it there must be red; what comes before a red-yellow is read above.
            if (before != Lamp::Red && before != Lamp::RedYellow)
                add(Kind::SignalWithoutTime, NoRed, row[k - 1].start, a, 0, 0);
        }
        if (hasEnd && within(stretch, b) && vehicle && rules.yellow > 0 &&
            row[m].lamp != Lamp::Yellow)
            add(Kind::MissingTransition, NoYellow, b, row[m].end, 0, rules.yellow);
        // Green blinking first: no steady green, even where the blinking never ends (a cycle
        // whose intervals of 0 s leave it on).
        if (hasStart && s.lamp == Lamp::GreenBlink &&
            (hasEnd ? runWithin(stretch, a, b) : within(stretch, a)))
            add(Kind::SignalWithoutTime, NoSteadyGreen, a, b, 0, 0);
        if (hasStart && hasEnd && runWithin(stretch, a, b)) {
            if (steady > 0 && steady < rules.minGreen && !restarted)
                add(Kind::SignalBelowMinimum, ShortGreen, a, b, steady, rules.minGreen);
            if (restarted)
                add(Kind::SignalWithoutTime, NoRed, a, b, 0, 0);
        }
    }
    // A cycle that blinks green throughout never shows steady green.
    if (stretch.halfOpen && row.size() == 1 && row[0].lamp == Lamp::GreenBlink)
        add(Kind::SignalWithoutTime, NoSteadyGreen, stretch.from, stretch.to, 0, 0);
}

} // namespace

void scan(const Rules &rules, const Stretch &stretch, std::vector<Violation> &out)
{
    scanInstants(rules, stretch, out);
    scanClearances(rules, stretch, out);
    for (int d = 0; d < rules.directions; ++d)
        scanRow(rules, stretch, d, out);
}

} // namespace SignalSafety
