#include "check/SignalSafety.h"

#include "check/SafetyScan.h"
#include "config/Directions.h"

#include <QStringList>

#include <algorithm>
#include <set>
#include <tuple>

namespace PL = ProjectLayout;
using ProjectCheck::Finding;
using ProjectCheck::Kind;
using ProjectCheck::KindCount;
using ProjectCheck::Place;

namespace SignalSafety {

namespace {

inline constexpr int TactLimit = ByteFieldMax; // the controller keeps a tact in one byte

QString modeName(int state)
{
    switch (RingMode(state - ModeBase)) {
    case RingMode::Flashing:
        return QStringLiteral("ЖМ");
    case RingMode::SignalsOff:
        return QStringLiteral("ОС");
    case RingMode::AllRed:
        return QStringLiteral("КК");
    case RingMode::Program:
        break;
    }
    return {};
}

QString stateName(int state)
{
    return state >= ModeBase ? modeName(state) : QStringLiteral("программа %1").arg(state + 1);
}

QString describe(const Violation &v)
{
    const int a = v.first + 1;
    const int b = v.second + 1;
    switch (v.kind) {
    case Kind::GreenConflict:
        return QStringLiteral("направления %1 и %2 зелены одновременно %3 c, а они конфликтуют "
                              "(время конфликта %4 c)")
            .arg(a)
            .arg(b)
            .arg(v.measured)
            .arg(v.required);
    case Kind::ShortClearance:
        return QStringLiteral("от конца зеленого направления %1 до зеленого направления %2 "
                              "проходит %3 c, время конфликта %4 c")
            .arg(a)
            .arg(b)
            .arg(v.measured)
            .arg(v.required);
    case Kind::MissingTransition:
        return v.detail == NoRedYellow
                   ? QStringLiteral("направление %1: зеленый без красно-желтого перед ним").arg(a)
                   : QStringLiteral("направление %1: после зеленого нет желтого").arg(a);
    case Kind::SignalWithoutTime:
        return v.detail == NoSteadyGreen
                   ? QStringLiteral("направление %1: 0 c зеленого").arg(a)
                   : QStringLiteral("направление %1: 0 c красного перед зеленым").arg(a);
    case Kind::SignalBelowMinimum:
        return v.detail == ShortGreen
                   ? QStringLiteral("направление %1: зеленый %2 c, минимальный %3 c")
                         .arg(a)
                         .arg(v.measured)
                         .arg(v.required)
                   : QStringLiteral("направление %1: красный %2 c, минимальный %3 c")
                         .arg(a)
                         .arg(v.measured)
                         .arg(v.required);
    case Kind::OutputLitTogether:
        return v.detail == GreenShared
                   ? QStringLiteral("выход зеленого направления %1 горит и у конфликтующего "
                                    "направления %2")
                         .arg(a)
                         .arg(b)
                   : QStringLiteral("выход группы %1: красный (направление %2) и зеленый "
                                    "(направление %3) горят вместе")
                         .arg(v.detail)
                         .arg(a)
                         .arg(b);
    case Kind::IntervalTooLong:
        return QStringLiteral("промежуточный интервал %1 c длиннее %2 c")
            .arg(v.measured)
            .arg(TactLimit);
    default:
        return {};
    }
}

// The moment that places a violation: a change of signal is placed at the phase whose
// interval leads to it, a stretch at the phase it starts in.
int anchor(const Violation &v)
{
    switch (v.kind) {
    case Kind::ShortClearance:
        return v.start - 1;
    case Kind::MissingTransition:
    case Kind::SignalWithoutTime:
        return v.detail == NoYellow ? v.start - 1 : v.end - 1;
    default:
        return v.start;
    }
}

int wrap(int t, int length)
{
    return length > 0 ? ((t % length) + length) % length : 0;
}

struct RingAnalysis
{
    RingAnalysis(const ProjectBlock &p, const ProgramsBlock &g, int r, std::vector<Finding> &o)
        : project(p), programs(g), ring(r), out(o)
    {
        takts.bind(project, programs);
    }

    const ProjectBlock &project;
    const ProgramsBlock &programs;
    int ring;
    std::vector<Finding> &out;
    Rules rules{project};
    Takts takts;
    std::vector<Cycle> cycles; // index = program; empty track for programs without phases
    // Findings already given, so a switch repeats nothing its programs' cycles said.
    std::set<std::tuple<int, int, int, int, int>> said;

    void add(const Violation &v, Place place, const QString &suffix)
    {
        if (!said.insert({int(v.kind), v.first, v.second, v.detail, place.program}).second &&
            suffix.isEmpty())
            return;
        if (!suffix.isEmpty() &&
            !said.insert({int(v.kind) + 1000, v.first, v.second, v.detail, place.program}).second)
            return;
        out.push_back({v.kind, place, describe(v) + suffix});
    }

    bool templateHolds(int program, int phase, int i, int j) const
    {
        const int t = programs[phaseOffset(program, phase) + PhaseLayout::Template];
        return project[templateMarkOffset(t, i)] != 0 && project[templateMarkOffset(t, j)] != 0;
    }

    void scanCycle(int program)
    {
        const Cycle &c = cycles[std::size_t(program)];
        const int length = c.track.length;
        for (int f = 0; f < c.phaseCount(); ++f)
            if (c.interval[std::size_t(f)] > TactLimit) {
                Place place{ring};
                place.program = program;
                place.phase = f;
                add({Kind::IntervalTooLong, -1, -1, 0, 0, c.interval[std::size_t(f)]}, place, {});
            }
        if (length == 0)
            return;
        std::vector<Violation> found;
        scan(rules, unrolled(c), found);
        for (const Violation &v : found) {
            Place place{ring};
            place.program = program;
            place.phase = c.phaseAt(wrap(anchor(v), length));
            if (v.second < 0)
                place.direction = v.first;
            // Two greens of one template are the template's fault, reported at the template.
            if (v.kind == Kind::GreenConflict &&
                (templateHolds(program, place.phase, v.first, v.second) ||
                 templateHolds(program, takts.nextPhase(program, place.phase), v.first, v.second)))
                continue;
            add(v, place, {});
        }
    }

    static Stretch unrolled(const Cycle &c)
    {
        Stretch s;
        s.track.directions = c.track.directions;
        for (int k = 0; k < 3; ++k)
            s.track.appendTrack(c.track);
        s.from = c.track.length;
        s.to = 2 * c.track.length;
        s.halfOpen = true;
        return s;
    }

    void scanSwitch(const Switch &sw)
    {
        Stretch stretch;
        Place place{ring};
        place.dayPlan = sw.dayPlan;
        place.entry = sw.entry;
        int interval = 0;
        if (sw.from < ModeBase) {
            const Cycle &a = cycles[std::size_t(sw.from)];
            place.program = sw.from;
            place.phase = a.phaseCount() - 1;
            if (sw.to < ModeBase) {
                stretch = programSwitch(takts, a, cycles[std::size_t(sw.to)], interval);
            } else {
                stretch = enterMode(takts, project, a, RingMode(sw.to - ModeBase));
            }
        } else if (sw.to < ModeBase) {
            place.program = sw.to;
            place.phase = 0;
            stretch =
                leaveMode(takts, project, RingMode(sw.from - ModeBase), cycles[std::size_t(sw.to)]);
        } else {
            return;
        }
        const QString suffix =
            sw.start
                ? QStringLiteral(" (включение или загрузка: %1)").arg(stateName(sw.to))
                : QStringLiteral(" (переход: %1 - %2)").arg(stateName(sw.from), stateName(sw.to));
        if (interval > TactLimit)
            add({Kind::IntervalTooLong, -1, -1, 0, 0, interval}, place, suffix);
        std::vector<Violation> found;
        scan(rules, stretch, found);
        for (const Violation &v : found) {
            Place p = place;
            if (v.second < 0)
                p.direction = v.first;
            // The all-red a ring starts with is the КК duration the engineer set for it; the
            // minimum red guards a return to green after the ring's own clearance.
            if (sw.start && v.kind == Kind::SignalBelowMinimum && v.detail == ShortRed)
                continue;
            const int program = v.kind == Kind::OutputLitTogether ? -1 : p.program;
            // The lead-out is the new program's own cycle too: what that said is not repeated.
            if (said.count({int(v.kind), v.first, v.second, v.detail, program}) ||
                (sw.to < ModeBase && said.count({int(v.kind), v.first, v.second, v.detail, sw.to})))
                continue;
            add(v, p, suffix);
        }
    }
};

void checkMatrix(const ProjectBlock &project, int ring, std::vector<Finding> &out)
{
    const int n = Napr::directionCount(project);
    for (int t = 0; t < MaxTemplates; ++t) {
        QStringList wrong;
        int first = -1;
        for (int d = 0; d < n; ++d) {
            const int mark = project[templateMarkOffset(t, d)];
            if (mark > 1) {
                wrong << QStringLiteral("%1 (%2)").arg(d + 1).arg(mark);
                first = first < 0 ? d : first;
            }
        }
        if (first < 0)
            continue;
        Place place{ring};
        place.templateIndex = t;
        out.push_back({Kind::TemplateMark, place,
                       QStringLiteral("отметка не 0 и не 1 у направлений %1: направление горит, "
                                      "но его конфликты не учитываются")
                           .arg(wrong.join(QStringLiteral(", ")))});
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (i == j || project[conflictFlagOffset(i, j)] == 0)
                continue;
            Place place{ring};
            place.direction = i;
            if (project[conflictFlagOffset(j, i)] == 0)
                out.push_back({Kind::OneWayConflict, place,
                               QStringLiteral("флаг конфликта %1-%2 задан, а флаг %2-%1 нет")
                                   .arg(i + 1)
                                   .arg(j + 1)});
            if (project[conflictTimeOffset(i, j)] == 0)
                out.push_back({Kind::ZeroConflictTime, place,
                               QStringLiteral("флаг конфликта %1-%2 задан, время конфликта 0 c")
                                   .arg(i + 1)
                                   .arg(j + 1)});
        }
    bool vehicles = false;
    for (int d = 0; d < n; ++d)
        vehicles = vehicles || Napr::directionType(project, d) == Napr::Vehicle;
    QStringList zero;
    if (project[PL::Yellow] == 0)
        zero << QStringLiteral("желтого");
    if (project[PL::RedYellow] == 0)
        zero << QStringLiteral("красно-желтого");
    if (project[PL::GreenBlink] == 0)
        zero << QStringLiteral("зеленого мигающего");
    if (vehicles && !zero.isEmpty())
        out.push_back({Kind::ZeroTransitionTime, Place{ring},
                       QStringLiteral("длительность %1 0 c, а в кольце есть транспортные "
                                      "направления")
                           .arg(zero.join(QStringLiteral(", ")))});
}

bool hasPhases(const ProgramsBlock &programs, int program)
{
    return programs[programOffset(program) + ProgramLayout::PhaseCount] != 0;
}

} // namespace

void check(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
           std::vector<Finding> &out)
{
    checkMatrix(project, ring, out);
    RingAnalysis analysis(project, programs, ring, out);
    analysis.cycles.resize(MaxPrograms);
    for (int p = 0; p < MaxPrograms; ++p) {
        if (!hasPhases(programs, p))
            continue;
        analysis.cycles[std::size_t(p)] = buildCycle(analysis.takts, p);
        analysis.scanCycle(p);
    }
    for (const Switch &sw : scheduledSwitches(project, programs))
        analysis.scanSwitch(sw);
}

std::vector<Mark> programMarks(const ProjectBlock &project, const ProgramsBlock &programs,
                               int program)
{
    std::vector<Mark> marks;
    if (!hasPhases(programs, program))
        return marks;
    Takts takts;
    takts.bind(project, programs);
    const Rules rules(project);
    const Cycle cycle = buildCycle(takts, program);
    const int length = cycle.track.length;
    if (length == 0)
        return marks;
    std::vector<Violation> found;
    scan(rules, RingAnalysis::unrolled(cycle), found);
    const auto mark = [&](int d, int a, int b, const QString &hint) {
        // A stretch over the cycle's end is drawn at both ends of the diagram.
        const int start = wrap(a, length);
        const int end = start + (b - a);
        marks.push_back({d, start, std::min(end, length), hint});
        if (end > length)
            marks.push_back({d, 0, end - length, hint});
    };
    for (const Violation &v : found) {
        if (v.kind != Kind::GreenConflict && v.kind != Kind::ShortClearance &&
            v.kind != Kind::OutputLitTogether)
            continue;
        const QString hint = describe(v);
        mark(v.first, v.start, std::max(v.end, v.start + 1), hint);
        if (v.second >= 0)
            mark(v.second, v.start, std::max(v.end, v.start + 1), hint);
    }
    return marks;
}

} // namespace SignalSafety
