#include "programs/Tacts.h"

#include "model/ByteIO.h"

#include <algorithm>

namespace PL = ProjectLayout;
namespace FL = PhaseLayout;

int effectivePhaseCount(std::uint8_t stored)
{
    return std::clamp(int(stored), 1, MaxPhases);
}

void Takts::bind(const ProjectBlock &project, const ProgramsBlock &programs)
{
    m_project = &project;
    m_programs = &programs;
    m_directionCount = std::min(int(project[PL::DirectionCount]), MaxDirections);
}

int Takts::phaseCount(int program) const
{
    if (!m_programs)
        return 1;
    return effectivePhaseCount((*m_programs)[programOffset(program) + ProgramLayout::PhaseCount]);
}

int Takts::nextPhase(int program, int phase) const
{
    return phase + 1 < phaseCount(program) ? phase + 1 : 0;
}

std::uint8_t Takts::mark(int templ, int direction) const
{
    return (*m_project)[templateMarkOffset(templ, direction)];
}

namespace {

void append(DirectionTacts &row, int &next, std::uint8_t colour, int duration)
{
    // Only tacts that last are shown; at most four fit after the main time.
    if (duration == 0 || next >= IntermediateSlots)
        return;
    row.tacts[next++] = Tact{colour, duration};
}

} // namespace

TransitionTable Takts::computeTransition(int fromProgram, int toProgram, int fromPhase,
                                         int toPhase) const
{
    TransitionTable table;
    if (!m_project || !m_programs)
        return table;
    const ProjectBlock &p = *m_project;
    const ProgramsBlock &g = *m_programs;
    const std::size_t from = phaseOffset(fromProgram, fromPhase);
    const std::size_t to = phaseOffset(toProgram, toPhase);
    const int tFrom = clampIndex(g[from + FL::Template], MaxTemplates);
    const int tTo = clampIndex(g[to + FL::Template], MaxTemplates);
    const int y = p[PL::Yellow];
    const int ry = p[PL::RedYellow];
    const int gb = p[PL::GreenBlink];
    const bool fillGreen = p[PL::FillMode] != 0;
    const int n = m_directionCount;

    auto gFrom = [&](int i) { return mark(tFrom, i); };
    auto gTo = [&](int i) { return mark(tTo, i); };
    auto early = [&](int i) { return int(g[to + phaseAdditionOffset(i) + FL::EarlyGreen]); };
    auto extension = [&](int i) {
        return int(g[from + phaseAdditionOffset(i) + FL::GreenExtension]);
    };
    auto extraRed = [&](int i) { return int(g[from + phaseAdditionOffset(i) + FL::ExtraRed]); };
    auto vehicle = [&](int i) { return p[directionOffset(i) + DirectionLayout::Type] == 0; };
    auto conflict = [&](int j, int k) { return p[conflictFlagOffset(j, k)] != 0; };
    auto conflictTime = [&](int j, int k) { return int(p[conflictTimeOffset(j, k)]); };

    // A direction's own state counts as green on any non-zero mark; the conflict terms only
    // on a mark of exactly 1, as the controller reads them.
    int h = 0;
    for (int i = 0; i < n; ++i) {
        const bool was = gFrom(i) != 0;
        const bool will = gTo(i) != 0;
        if (was && !will)
            h = std::max(h, vehicle(i) ? extension(i) + gb + y + extraRed(i)
                                       : extension(i) + extraRed(i) + gb);
        else if (!was && will)
            h = std::max(h, vehicle(i) ? early(i) + ry : early(i));
    }
    for (int j = 0; j < n; ++j) {
        if (gFrom(j) != 1)
            continue;
        for (int k = 0; k < n; ++k)
            if (gTo(k) == 1 && conflict(j, k))
                h = std::max(h, extension(j) + gb + early(k) + conflictTime(j, k));
    }

    for (int i = 0; i < n; ++i) {
        DirectionTacts &row = table.directions[i];
        int next = 0;
        const bool was = gFrom(i) != 0;
        const bool will = gTo(i) != 0;
        if (was && !will) {
            row.mainColour = TactGreen;
            int o = 0;
            for (int k = 0; k < n; ++k)
                if (gTo(k) == 1 && conflict(i, k))
                    o = std::max(o, early(k) + conflictTime(i, k));
            int green = 0;
            int red = 0;
            if (vehicle(i)) {
                if (fillGreen) {
                    red = std::max(0, o - y);
                    green = std::max(0, h - red - y - gb);
                } else {
                    green = extension(i);
                    red = std::max(0, h - y - gb - extension(i));
                }
            } else if (fillGreen) {
                red = std::max(0, o);
                green = std::max(0, h - red - gb);
            } else {
                green = extension(i);
                red = std::max(0, h - gb - extension(i));
            }
            append(row, next, TactGreen, green);
            append(row, next, TactGreenBlink, gb);
            if (vehicle(i))
                append(row, next, TactYellow, y);
            append(row, next, TactRed, red);
        } else if (!was && will) {
            row.mainColour = TactRed;
            const int s = early(i);
            if (vehicle(i)) {
                append(row, next, TactRed, std::max(0, h - s - ry));
                append(row, next, TactRedYellow, ry);
            } else {
                append(row, next, TactRed, std::max(0, h - s));
            }
            append(row, next, TactGreen, s);
        } else {
            row.mainColour = was ? TactGreen : TactRed;
            row.tacts[0] = Tact{row.mainColour, h};
        }
    }
    table.mainTime = readU16(g, from + FL::MainTime);
    table.interval = h;
    return table;
}

int Takts::cycleLength(int program) const
{
    int total = 0;
    const int count = phaseCount(program);
    for (int f = 0; f < count; ++f) {
        const TransitionTable t = computeTransition(program, program, f, nextPhase(program, f));
        total += t.mainTime + t.interval;
    }
    return total;
}

bool Takts::canRun(int program) const
{
    if (!m_programs || program < 0 || program >= MaxPrograms)
        return false;
    const int stored = (*m_programs)[programOffset(program) + ProgramLayout::PhaseCount];
    if (stored < 1 || stored > MaxPhases)
        return false;
    // The intervals are only computed when every main time is 0: a day plan of many entries
    // would otherwise cost a cycle's tact tables each.
    for (int f = 0; f < stored; ++f)
        if (readU16(*m_programs, phaseOffset(program, f) + FL::MainTime) != 0)
            return true;
    return cycleLength(program) > 0;
}
