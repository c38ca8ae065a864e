#include "CheckedProject.h"

#include "check/ProjectCheck.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <QTest>

#include <functional>

using namespace ProjectCheck;
namespace DL = DirectionLayout;
namespace PL = ProjectLayout;

namespace {

using Plant = std::function<void(RingModel &)>;

Place at(int ring, std::initializer_list<std::pair<int Place::*, int>> fields)
{
    Place place{ring};
    for (const auto &[field, value] : fields)
        place.*field = value;
    return place;
}

void setDayPlanEntry(ProjectBlock &block, int plan, int e, int program, std::uint32_t start)
{
    block[dayPlanEntryOffset(plan, e) + DayPlanLayout::EntryProgram] = std::uint8_t(program);
    block[dayPlanEntryOffset(plan, e) + DayPlanLayout::EntryKind] = 0;
    writeU32(block, dayPlanEntryOffset(plan, e) + DayPlanLayout::EntryStart, start);
}

} // namespace

Q_DECLARE_METATYPE(Plant)
Q_DECLARE_METATYPE(ProjectCheck::Kind)
Q_DECLARE_METATYPE(ProjectCheck::Place)

class TestProjectCheck : public QObject
{
    Q_OBJECT
private slots:
    void cleanProjectHasNoFindings()
    {
        RingModel model;
        makeCleanProject(model);
        const auto findings = run(model);
        QVERIFY2(findings.empty(), findings.empty() ? "" : qPrintable(findingLine(findings[0])));
        // A new project is clean as it comes.
        model.NewProjectDefaults();
        QVERIFY(run(model).empty());
    }

    // Ring 1 is the current ring: its faults are planted in the working copy, whose store is
    // stale; ring 2's in its store.
    void oneFaultOneFinding_data()
    {
        QTest::addColumn<Plant>("plant");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("error");
        QTest::addColumn<Place>("place");

        QTest::newRow("tram signal without its right and straight directions")
            << Plant([](RingModel &m) {
                   ProjectBlock &b = m.project();
                   b[PL::DirectionCount] = 3;
                   b[directionOffset(2) + DL::Type] = Napr::TramLeft;
                   b[directionOffset(2) + DL::Red1 + DL::BindingGroup] = 6;
               })
            << Kind::TramSignal << true << at(0, {{&Place::tramSignal, 0}, {&Place::direction, 2}});
        QTest::newRow("tram direction without its row-1 output") << Plant([](RingModel &m) {
            m.store(1).project[directionOffset(3) + DL::Green1 + DL::BindingGroup] = 0;
        }) << Kind::TramSignal << true << at(1, {{&Place::tramSignal, 0}, {&Place::direction, 3}});
        QTest::newRow("template against a one-sided conflict flag") << Plant([](RingModel &m) {
            ProjectBlock &b = m.store(1).project;
            b[templateMarkOffset(3, 0)] = 1;
            b[templateMarkOffset(3, 1)] = 1;
            b[conflictFlagOffset(1, 0)] = 1;
        }) << Kind::TemplateConflict << true << at(1, {{&Place::templateIndex, 3}});
        QTest::newRow("green channel bound in both rings") << Plant([](RingModel &m) {
            m.store(1).project[directionOffset(1) + DL::Green1 + DL::BindingGroup] = 1;
        }) << Kind::OutputTwice << true << at(1, {{&Place::direction, 1}});
        QTest::newRow("channel bound twice in one ring") << Plant([](RingModel &m) {
            // Yellow of direction 2 onto direction 1's yellow channel.
            m.project()[directionOffset(1) + DL::Yellow1 + DL::BindingGroup] = 1;
        }) << Kind::OutputTwice << true << at(0, {{&Place::direction, 1}});
        QTest::newRow("day plan going back in time") << Plant([](RingModel &m) {
            ProjectBlock &b = m.project();
            b[dayPlanOffset(4)] = 3;
            setDayPlanEntry(b, 4, 0, 0, 0);
            setDayPlanEntry(b, 4, 1, 0, 7 * 3600);
            setDayPlanEntry(b, 4, 2, 0, 6 * 3600);
        }) << Kind::DayPlanOrder << false << at(0, {{&Place::dayPlan, 4}, {&Place::entry, 2}});
        QTest::newRow("day-plan entry running a program without phases")
            << Plant([](RingModel &m) {
                   m.programs()[programOffset(5) + ProgramLayout::PhaseCount] = 0;
                   ProjectBlock &b = m.project();
                   b[dayPlanOffset(2)] = 2;
                   setDayPlanEntry(b, 2, 1, 5, 3600);
               })
            << Kind::DayPlanEmptyProgram << true
            << at(0, {{&Place::dayPlan, 2}, {&Place::entry, 1}});
        QTest::newRow("week plan using a day plan without entries")
            << Plant([](RingModel &m) {
                   ProjectBlock &b = m.store(1).project;
                   b[dayPlanOffset(7)] = 0;
                   Weeksplans::setDayPlan(b, 2, 3, 7);
                   Weeksplans::setDayPlan(b, 2, 5, 7);
                   Year::setWeekPlan(b, 0, 2);
               })
            << Kind::WeekPlanEmptyDayPlan << true
            << at(1, {{&Place::weekPlan, 2}, {&Place::day, 3}});
        QTest::newRow("year weeks on a week plan never filled")
            << Plant([](RingModel &m) { Year::setRange(m.project(), 9, 19, 4); })
            << Kind::YearUnfilledWeekPlan << false << at(0, {{&Place::week, 9}});
        QTest::newRow("main time below the minimum") << Plant([](RingModel &m) {
            writeU16(m.store(1).programs, phaseOffset(2, 1) + PhaseLayout::MainTime, 2);
        }) << Kind::PhaseBelowMinimum << false << at(1, {{&Place::program, 2}, {&Place::phase, 1}});
        QTest::newRow("main time above the maximum phase duration") << Plant([](RingModel &m) {
            writeU16(m.project(), PL::MaxPhaseDuration, 120);
            writeU16(m.programs(), phaseOffset(7, 1) + PhaseLayout::MainTime, 121);
        }) << Kind::PhaseAboveMaximum << true << at(0, {{&Place::program, 7}, {&Place::phase, 1}});
        QTest::newRow("direction without any output")
            << Plant([](RingModel &m) { bindDirection(m.project(), 1, 0); })
            << Kind::DirectionWithoutOutput << false << at(0, {{&Place::direction, 1}});
        QTest::newRow("turn arrow whose green is its only output") << Plant([](RingModel &m) {
            ProjectBlock &b = m.store(1).project;
            b[directionOffset(0) + DL::Type] = Napr::TurnArrow;
            b[directionOffset(0) + DL::Green1 + DL::BindingGroup] = 0;
        }) << Kind::DirectionWithoutOutput << false << at(1, {{&Place::direction, 0}});
    }
    void oneFaultOneFinding()
    {
        QFETCH(Plant, plant);
        QFETCH(Kind, kind);
        QFETCH(bool, error);
        QFETCH(Place, place);
        RingModel model;
        makeCleanProject(model);
        plant(model);
        const auto findings = run(model);
        QStringList lines;
        for (const Finding &f : findings)
            lines << findingLine(f);
        QVERIFY2(findings.size() == 1, qPrintable(lines.join('\n')));
        QCOMPARE(findings[0].kind, kind);
        QCOMPARE(findings[0].isError(), error);
        QVERIFY2(findings[0].place == place, qPrintable(lines.join('\n')));
        QVERIFY(!findings[0].message.isEmpty());
    }

    // Every fault of one project at once: each is found where it was planted, ring by ring.
    void findingsFollowRingOrder()
    {
        RingModel model;
        makeCleanProject(model);
        bindDirection(model.project(), 0, 0);
        model.store(1).project[directionOffset(1) + DL::Green1 + DL::BindingGroup] = 3;
        const auto findings = run(model);
        QCOMPARE(findings.size(), std::size_t(2));
        QCOMPARE(findings[0].place.ring, 0);
        QCOMPARE(findings[1].kind, Kind::OutputTwice);
        QVERIFY2(findings[1].message.contains(QStringLiteral("кольцо 2, направление 1")),
                 qPrintable(findings[1].message));
    }

    void placeTexts_data()
    {
        QTest::addColumn<Place>("place");
        QTest::addColumn<QString>("text");
        QTest::newRow("phase") << at(2, {{&Place::program, 2}, {&Place::phase, 1}})
                               << QStringLiteral("кольцо 3, программа 3, фаза 2");
        QTest::newRow("week plan day") << at(0, {{&Place::weekPlan, 0}, {&Place::day, 0}})
                                       << QStringLiteral("кольцо 1, недельный план 1, ВС");
        QTest::newRow("day plan row") << at(1, {{&Place::dayPlan, 15}, {&Place::entry, 31}})
                                      << QStringLiteral("кольцо 2, дневной план 16, запись 32");
    }
    void placeTexts()
    {
        QFETCH(Place, place);
        QFETCH(QString, text);
        QCOMPARE(placeText(place), text);
    }
};

QTEST_GUILESS_MAIN(TestProjectCheck)
#include "tst_projectcheck.moc"
