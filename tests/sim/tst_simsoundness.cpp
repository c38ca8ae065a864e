// The check is sound against the street: random projects that the whole-project check passes
// without errors run a day on the virtual controller, and the lamp trace, read on its own,
// shows none of the faults the check exists to stop. Planted faults show that the trace and the
// conflict monitor do see them when they are there.
#include "SimRunSupport.h"
#include "TraceOracle.h"
#include "check/ProjectCheck.h"
#include "config/Directions.h"
#include "model/ByteIO.h"
#include "schedules/DayPlans.h"

#include <QTest>

#include <algorithm>
#include <random>

using namespace SimRunSupport;

namespace {
namespace PL = ProjectLayout;
namespace DL = DirectionLayout;
namespace FL = PhaseLayout;

constexpr int kSuiteProjects = 50;
constexpr std::uint32_t kSuiteSeed = 20261208;
const QDateTime kStart(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);
constexpr int kDaySeconds = 24 * 3600;

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

void bindOutputs(ProjectBlock &p, int d)
{
    const std::size_t at = directionOffset(d);
    const bool pedestrian = p[at + DL::Type] == Napr::Pedestrian;
    p[at + DL::Red1 + DL::BindingGroup] = std::uint8_t(d + 1);
    p[at + DL::Yellow1 + DL::BindingGroup] = std::uint8_t(pedestrian ? 0 : d + 1);
    p[at + DL::Green1 + DL::BindingGroup] = std::uint8_t(d + 1);
}

void setPhase(ProgramsBlock &g, int program, int f, int templ, int mainTime)
{
    g[phaseOffset(program, f) + FL::Template] = std::uint8_t(templ);
    writeU16(g, phaseOffset(program, f) + FL::MainTime, std::uint16_t(mainTime));
    writeU16(g, phaseOffset(program, f) + FL::MinTime, 0);
}

void setEntry(ProjectBlock &p, int e, int kind, int program, std::uint32_t start)
{
    Dayplans::DayPlanEdit plan(p, 0);
    if (kind == int(Dayplans::Kind::Program))
        plan.setProgram(e, program);
    else
        plan.setKind(e, Dayplans::Kind(kind));
    plan.setStart(e, start);
}

// A random ring: mostly what an engineer builds, with now and then what a careless click or a
// foreign file makes (marks above 1, one-way flags, times of 0 and 1, templates that ignore a
// conflict).
void generate(RingModel &model, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    const auto chance = [&](double q) { return std::bernoulli_distribution(q)(rng); };
    model.NewProjectDefaults();
    ProjectBlock &p = model.project();
    ProgramsBlock &g = model.programs();
    const int n = pick(2, 6);
    p[PL::DirectionCount] = std::uint8_t(n);
    for (int d = 0; d < n; ++d) {
        p[directionOffset(d) + DL::Type] = chance(0.75) ? Napr::Vehicle : Napr::Pedestrian;
        bindOutputs(p, d);
    }
    p[PL::Yellow] = std::uint8_t(pick(0, 3));
    p[PL::RedYellow] = std::uint8_t(pick(0, 3));
    p[PL::GreenBlink] = std::uint8_t(pick(0, 3));
    p[PL::AllRedDuration] = std::uint8_t(pick(0, 3));
    p[PL::FillMode] = std::uint8_t(chance(0.5));
    p[PL::MinGreen] = std::uint8_t(pick(0, 5));
    p[PL::MinRed] = std::uint8_t(pick(0, 3));
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (!chance(0.5))
                continue;
            const int way = pick(0, 9); // both ways, i to j only, j to i only
            p[conflictFlagOffset(i, j)] = way < 7 || way == 7;
            p[conflictFlagOffset(j, i)] = way < 7 || way > 7;
            p[conflictTimeOffset(i, j)] = std::uint8_t(pick(0, 6));
            p[conflictTimeOffset(j, i)] = std::uint8_t(pick(0, 6));
        }
    }
    const int templates = pick(2, 5);
    for (int t = 0; t < MaxTemplates; ++t) {
        for (int d = 0; d < MaxDirections; ++d)
            p[templateMarkOffset(t, d)] = 0;
    }
    for (int t = 0; t < templates; ++t) {
        for (int d = 0; d < n; ++d) {
            bool free = true;
            for (int e = 0; e < n; ++e)
                free = free && !(p[templateMarkOffset(t, e)] &&
                                 (p[conflictFlagOffset(d, e)] || p[conflictFlagOffset(e, d)]));
            if ((free || chance(0.05)) && chance(0.55))
                p[templateMarkOffset(t, d)] = std::uint8_t(chance(0.08) ? pick(2, 3) : 1);
        }
    }
    const int programs = pick(1, 3);
    for (int prog = 0; prog < programs; ++prog) {
        const int phases = pick(1, 4);
        g[programOffset(prog) + ProgramLayout::PhaseCount] = std::uint8_t(phases);
        for (int f = 0; f < phases; ++f) {
            setPhase(g, prog, f, pick(0, templates - 1), chance(0.15) ? pick(0, 1) : pick(2, 15));
            for (int d = 0; d < n; ++d) {
                if (!chance(0.15))
                    continue;
                const std::size_t at = phaseOffset(prog, f) + phaseAdditionOffset(d);
                g[at + FL::EarlyGreen] = std::uint8_t(pick(0, 3));
                g[at + FL::GreenExtension] = std::uint8_t(pick(0, 3));
                g[at + FL::ExtraRed] = std::uint8_t(pick(0, 3));
            }
        }
    }
    // Day plan 1, which every day of the year uses by default.
    const int entries = pick(2, 7);
    std::vector<std::uint32_t> starts{0};
    while (int(starts.size()) < entries) {
        const std::uint32_t s = std::uint32_t(pick(60, kDaySeconds - 1));
        if (std::find(starts.begin(), starts.end(), s) == starts.end())
            starts.push_back(s);
    }
    std::sort(starts.begin(), starts.end());
    p[dayPlanOffset(0) + DayPlanLayout::EntryCount] = std::uint8_t(entries);
    for (int e = 0; e < entries; ++e) {
        const bool mode = e > 0 && chance(0.3);
        setEntry(p, e, mode ? pick(1, 3) : 0, pick(0, programs - 1), starts[e]);
    }
    model.storeWorkingCopy();
}

struct Street
{
    QStringList faults;
    bool alarm = false;
};

// One ring's day on the virtual controller, from power-on at midnight.
Street runDay(RingModel &model, int seconds)
{
    SteppedController sim(kStart);
    loadFlash(sim.controller, model);
    std::vector<TraceOracle::Change> trace;
    TraceOracle::record(sim.controller.runtime(), trace);
    sim.controller.powerOn();
    sim.step(qint64(seconds) * 1000);
    sim.controller.advance();
    Street street;
    street.faults = TraceOracle::faults(trace, model.store(0).project, 0);
    street.alarm = sim.controller.runtime().ring(0).conflictAlarm();
    if (street.alarm)
        street.faults << sim.controller.journal().addedTexts().filter(QStringLiteral("конфликт"));
    return street;
}

// Two vehicle directions that conflict both ways (3 s), one phase each, 10 s; Y3 RY2 GB3 КК1.
void plainRing(RingModel &model)
{
    model.NewProjectDefaults();
    ProjectBlock &p = model.project();
    for (int d = 0; d < 2; ++d)
        bindOutputs(p, d);
    for (const auto &[i, j] : {std::pair{0, 1}, std::pair{1, 0}}) {
        p[conflictFlagOffset(i, j)] = 1;
        p[conflictTimeOffset(i, j)] = 3;
    }
    for (int f = 0; f < 2; ++f)
        setPhase(model.programs(), 0, f, f, 10);
}
} // namespace

class TestSimSoundness : public QObject
{
    Q_OBJECT
private slots:
    void plantedFaultsShowOnTheStreet_data()
    {
        QTest::addColumn<QString>("plant");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("alarm");
        QTest::newRow("clean") << ""
                               << "" << false;
        QTest::newRow("one-way flag with early green") << "oneway"
                                                       << "" << true;
        QTest::newRow("mark 2 drops the conflict time") << "mark2"
                                                        << "clearance 1-2" << false;
        QTest::newRow("short phase between conflicting phases") << "between"
                                                                << "clearance 1-2" << false;
        QTest::newRow("phase time 0: no steady green") << "zero"
                                                       << "no-steady-green 2" << false;
        QTest::newRow("phase time 0: yellow into red-yellow") << "nored"
                                                              << "no-red 1" << false;
    }
    void plantedFaultsShowOnTheStreet()
    {
        QFETCH(QString, plant);
        QFETCH(QString, kind);
        QFETCH(bool, alarm);
        RingModel model;
        plainRing(model);
        ProjectBlock &p = model.project();
        ProgramsBlock &g = model.programs();
        if (plant == QLatin1String("oneway")) {
            p[conflictFlagOffset(0, 1)] = 0;
            g[phaseOffset(0, 1) + phaseAdditionOffset(1) + FL::EarlyGreen] = 4;
        } else if (plant == QLatin1String("mark2")) {
            p[templateMarkOffset(1, 1)] = 2;
            p[conflictTimeOffset(0, 1)] = 6;
        } else if (plant == QLatin1String("between")) {
            // Direction 1, then 1 s with nobody green, then direction 2: 3 + 1 + 2 s < 8 s.
            g[programOffset(0)] = 3;
            setPhase(g, 0, 1, 2, 1);
            setPhase(g, 0, 2, 1, 10);
            p[conflictTimeOffset(0, 1)] = 8;
        } else if (plant == QLatin1String("zero")) {
            setPhase(g, 0, 1, 1, 0);
        } else if (plant == QLatin1String("nored")) {
            // Direction 1 green, a phase of 0 s without it, direction 1 green again.
            setPhase(g, 0, 1, 2, 0);
            p[templateMarkOffset(1, 1)] = 0;
        }
        model.storeWorkingCopy();
        const Street street = runDay(model, 600);
        QCOMPARE(street.alarm, alarm);
        if (kind.isEmpty() && !alarm)
            QVERIFY2(street.faults.isEmpty(), qPrintable(street.faults.join('\n')));
        if (!kind.isEmpty())
            QVERIFY2(!street.faults.filter(kind).isEmpty(), qPrintable(street.faults.join('\n')));
        if (alarm)
            QVERIFY2(!street.faults.filter(QStringLiteral("направления 1 и 2")).isEmpty(),
                     qPrintable(street.faults.join('\n')));
    }

    void projectsThatPassTheCheckRunSafely()
    {
        const int projects = envInt("VELT_SAFETY_PROJECTS", kSuiteProjects);
        const auto seed = std::uint32_t(envInt("VELT_SAFETY_SEED", int(kSuiteSeed)));
        int passed = 0;
        int unsafe = 0;
        QStringList report;
        for (int k = 0; k < projects; ++k) {
            RingModel model;
            generate(model, seed + std::uint32_t(k));
            if (ProjectCheck::hasErrors(ProjectCheck::run(model)))
                continue;
            ++passed;
            const Street street = runDay(model, kDaySeconds);
            if (street.faults.isEmpty() && !street.alarm)
                continue;
            ++unsafe;
            if (report.size() < 40)
                report << QStringLiteral("seed %1:").arg(seed + std::uint32_t(k))
                       << street.faults.mid(0, 5);
        }
        qInfo("projects %d, passed the check %d, unsafe traces among them %d", projects, passed,
              unsafe);
        QVERIFY(passed > 0);
        QVERIFY2(unsafe == 0, qPrintable(report.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestSimSoundness)
#include "tst_simsoundness.moc"
