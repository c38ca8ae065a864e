// The signal-safety analysis on the largest project there can be: 4 rings × 32 programs ×
// 32 phases × 32 directions, nearly every pair in conflict, and 16 day plans of 32 entries that
// switch between programs and the special modes all day. Prints the time of the whole-project
// check, of the safety analysis alone, and of one program's diagram marks (the cost of an edit).

#include "check/ProjectCheck.h"
#include "check/SafetyScan.h"
#include "check/SignalSafety.h"
#include "model/ByteIO.h"
#include "model/RingModel.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"
#include <map>

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

void fillRing(ProjectBlock &p, ProgramsBlock &g, int ring)
{
    namespace FL = PhaseLayout;
    p[ProjectLayout::DirectionCount] = MaxDirections;
    for (int t = 0; t < MaxTemplates; ++t)
        for (int d = 0; d < MaxDirections; ++d)
            p[templateMarkOffset(t, d)] = d == t || d == (t + 16) % MaxDirections;
    for (int j = 0; j < MaxDirections; ++j)
        for (int k = 0; k < MaxDirections; ++k)
            if (j != k && (j - k) % 16 != 0) {
                p[conflictFlagOffset(j, k)] = 1;
                p[conflictTimeOffset(j, k)] = static_cast<std::uint8_t>(2 + (j + k) % 4);
            }
    for (int prog = 0; prog < MaxPrograms; ++prog) {
        g[programOffset(prog)] = MaxPhases;
        for (int f = 0; f < MaxPhases; ++f) {
            const std::size_t at = phaseOffset(prog, f);
            g[at + FL::Template] = static_cast<std::uint8_t>((f + prog + ring) % MaxTemplates);
            writeU16(g, at + FL::MainTime, static_cast<std::uint16_t>(8 + (f + prog) % 5));
            for (int d = 0; d < MaxDirections; ++d) {
                g[at + phaseAdditionOffset(d) + FL::EarlyGreen] = 1;
                g[at + phaseAdditionOffset(d) + FL::GreenExtension] = 2;
                g[at + phaseAdditionOffset(d) + FL::ExtraRed] = 1;
            }
        }
    }
    for (int n = 0; n < MaxDayPlans; ++n) {
        p[dayPlanOffset(n)] = MaxDayPlanEntries;
        for (int e = 0; e < MaxDayPlanEntries; ++e) {
            const std::size_t at = dayPlanEntryOffset(n, e);
            const bool mode = e % 8 == 7;
            p[at + DayPlanLayout::EntryProgram] = static_cast<std::uint8_t>((n * 3 + e) % 32);
            p[at + DayPlanLayout::EntryKind] = static_cast<std::uint8_t>(mode ? 1 + e % 3 : 0);
            writeU32(p, at + DayPlanLayout::EntryStart, std::uint32_t(e * 2700));
        }
    }
    for (int w = 0; w < MaxWeekPlans; ++w)
        for (int d = 0; d < WeekDays; ++d)
            Weeksplans::setDayPlan(p, w, d, (w + d) % MaxDayPlans);
    for (int week = 0; week < YearWeeks; ++week)
        Year::setWeekPlan(p, week, week % MaxWeekPlans);
}

template <typename F> double medianMs(int runs, F &&work)
{
    // Processor time of this thread: on a machine shared with builds the wall clock mostly
    // measures the others.
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    };
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = now();
        work();
        times.push_back(now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RingModel model;
    model.NewProjectDefaults();
    std::vector<ProjectBlock> projects(MaxRings, model.project());
    std::vector<ProgramsBlock> programs(MaxRings, model.programs());
    std::vector<ProjectCheck::RingView> rings;
    for (int r = 0; r < MaxRings; ++r) {
        fillRing(projects[std::size_t(r)], programs[std::size_t(r)], r);
        rings.push_back({&projects[std::size_t(r)], &programs[std::size_t(r)]});
    }
    constexpr int Runs = 15;
    std::size_t findings = 0;
    const double whole = medianMs(Runs, [&] { findings = ProjectCheck::run(rings).size(); });
    const double safety = medianMs(Runs, [&] {
        std::vector<ProjectCheck::Finding> out;
        for (int r = 0; r < MaxRings; ++r)
            SignalSafety::check(projects[std::size_t(r)], programs[std::size_t(r)], r, out);
    });
    const double marks =
        medianMs(Runs, [&] { (void)SignalSafety::programMarks(projects[0], programs[0], 0); });
    std::printf("4 rings x 32 programs x 32 phases x 32 directions, 16 day plans x 32 entries\n");
    std::printf("whole-project check:   %8.2f ms (processor time, median of %d; %zu findings)\n",
                whole, Runs, findings);
    std::printf("signal-safety part:    %8.2f ms\n", safety);
    std::map<QString, int> kinds;
    for (const auto &f : ProjectCheck::run(rings))
        ++kinds[ProjectCheck::kindId(f.kind)];
    for (const auto &[kind, count] : kinds)
        std::printf("  %-26s %d\n", qPrintable(kind), count);
    std::printf("switches scanned per ring: %zu\n",
                SignalSafety::scheduledSwitches(projects[0], programs[0]).size());
    std::printf("one program's marks:   %8.2f ms (the diagram after an edit)\n", marks);
    return 0;
}
