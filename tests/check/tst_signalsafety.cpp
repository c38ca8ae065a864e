// The signal-safety analysis below the whole-project check: the rules on tracks built by hand,
// the marks the diagram draws, and the sample project.
#include "PlantedFaults.h"

#include "check/ProjectCheck.h"
#include "check/SafetyScan.h"
#include "check/SignalSafety.h"
#include "support/ExampleProject.h"

#include <QTest>

using namespace SignalSafety;
using ProjectCheck::Kind;

namespace {

struct Piece
{
    Lamp lamp;
    int seconds;
};

// One direction's lamps, then the rest of the track red, as a switch would show them.
Stretch stretchOf(std::initializer_list<Piece> pieces)
{
    Stretch s;
    s.track.directions = 1;
    for (const Piece &p : pieces)
        s.track.append(0, p.lamp, p.seconds);
    s.from = 0;
    s.to = s.track.length;
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Stretch)

class TestSignalSafety : public QObject
{
    Q_OBJECT
private slots:
    // The tact computation and the switch rules always give a vehicle its red-yellow and its
    // yellow, so this rule is planted into a track: it guards the switch tacts themselves.
    void vehicleChangesGoThroughYellow_data()
    {
        QTest::addColumn<Stretch>("stretch");
        QTest::addColumn<int>("detail");
        QTest::addColumn<int>("at");
        QTest::newRow("red straight to green") << stretchOf({{Lamp::Red, 5},
                                                             {Lamp::Green, 6},
                                                             {Lamp::GreenBlink, 3},
                                                             {Lamp::Yellow, 3},
                                                             {Lamp::Red, 5}})
                                               << int(NoRedYellow) << 5;
        QTest::newRow("green blinking straight to red") << stretchOf({{Lamp::Red, 5},
                                                                      {Lamp::RedYellow, 2},
                                                                      {Lamp::Green, 6},
                                                                      {Lamp::GreenBlink, 3},
                                                                      {Lamp::Red, 5}})
                                                        << int(NoYellow) << 16;
        QTest::newRow("flashing straight to green") << stretchOf({{Lamp::YellowFlash, 5},
                                                                  {Lamp::Green, 6},
                                                                  {Lamp::GreenBlink, 3},
                                                                  {Lamp::Yellow, 3},
                                                                  {Lamp::Red, 5}})
                                                    << int(NoRedYellow) << 5;
    }
    void vehicleChangesGoThroughYellow()
    {
        QFETCH(Stretch, stretch);
        QFETCH(int, detail);
        QFETCH(int, at);
        RingModel model;
        model.NewProjectDefaults();
        const Rules rules(model.project());
        std::vector<Violation> found;
        scan(rules, stretch, found);
        const auto missing = std::find_if(found.begin(), found.end(), [](const Violation &v) {
            return v.kind == Kind::MissingTransition;
        });
        QVERIFY(missing != found.end());
        QCOMPARE(missing->detail, detail);
        QCOMPARE(detail == NoRedYellow ? missing->end : missing->start, at);
        // A pedestrian needs neither.
        model.project()[directionOffset(0) + DirectionLayout::Type] = Napr::Pedestrian;
        found.clear();
        scan(Rules(model.project()), stretch, found);
        QVERIFY(std::none_of(found.begin(), found.end(),
                             [](const Violation &v) { return v.kind == Kind::MissingTransition; }));
    }

    // Phases and intervals of 0 s leave signals without time even where no green follows.
    void signalsWithoutTime_data()
    {
        QTest::addColumn<Stretch>("stretch");
        QTest::addColumn<int>("detail");
        QTest::newRow("red-yellow back to yellow")
            << stretchOf({{Lamp::Red, 5}, {Lamp::RedYellow, 2}, {Lamp::Yellow, 3}, {Lamp::Red, 5}})
            << int(NoSteadyGreen);
        QTest::newRow("yellow into red-yellow, no green after") << stretchOf({{Lamp::Red, 5},
                                                                              {Lamp::Yellow, 3},
                                                                              {Lamp::RedYellow, 2},
                                                                              {Lamp::Yellow, 3},
                                                                              {Lamp::Red, 5}})
                                                                << int(NoRed);
        QTest::newRow("green blinking that never ends")
            << stretchOf({{Lamp::Red, 5}, {Lamp::GreenBlink, 5}}) << int(NoSteadyGreen);
    }
    void signalsWithoutTime()
    {
        QFETCH(Stretch, stretch);
        QFETCH(int, detail);
        RingModel model;
        model.NewProjectDefaults();
        std::vector<Violation> found;
        scan(Rules(model.project()), stretch, found);
        QVERIFY(std::any_of(found.begin(), found.end(), [&](const Violation &v) {
            return v.kind == Kind::SignalWithoutTime && v.detail == detail;
        }));
    }

    // The mark covers the offending stretch on both rows, and one over the cycle's end is
    // drawn at both ends.
    void marksCoverBothRows_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        // Early green of direction 2 against the flag 2-1 alone: 1 s of both green at 12 s.
        QTest::newRow("overlap") << 4 << 12 << 13;
        // Direction 1 ends green at 13 s, direction 2 starts at 20 s (conflict time 10 s).
        QTest::newRow("clearance over an all-red phase") << 5 << 13 << 20;
    }
    void marksCoverBothRows()
    {
        QFETCH(int, fault);
        QFETCH(int, start);
        QFETCH(int, end);
        std::vector<PlantedFault> faults;
        addSignalFaults(faults);
        RingModel model;
        makeCleanProject(model);
        faults[std::size_t(fault)].plant(model);
        const auto marks = programMarks(model.project(), model.programs(), 0);
        QCOMPARE(marks.size(), std::size_t(2));
        for (const Mark &m : marks) {
            QCOMPARE(m.start, start);
            QCOMPARE(m.end, end);
            QVERIFY(m.hint.contains(QStringLiteral("направлени")));
        }
        QCOMPARE(marks[0].direction + marks[1].direction, 1);
        // The other programs are as they were.
        QVERIFY(programMarks(model.project(), model.programs(), 1).empty());
    }

    void clearanceOverTheCycleEndIsDrawnAtBothEnds()
    {
        RingModel model;
        makeCleanProject(model);
        // An all-red phase 1, then direction 1, then direction 2: direction 2's green family
        // ends at 40 s of the 43 s cycle, direction 1 is green at 4 s of the next one.
        setConflict(model.project(), 0, 1, 10);
        setConflict(model.project(), 1, 0, 10);
        model.programs()[programOffset(0) + ProgramLayout::PhaseCount] = 3;
        setPhase(model.programs(), 0, 0, 2, 2, 2);
        setPhase(model.programs(), 0, 1, 0, 10, 3);
        setPhase(model.programs(), 0, 2, 1, 10, 3);
        const auto marks = programMarks(model.project(), model.programs(), 0);
        QCOMPARE(marks.size(), std::size_t(4));
        for (const Mark &m : marks) {
            QVERIFY(m.hint.contains(QStringLiteral("7 c")));
            QVERIFY((m.start == 40 && m.end == 43) || (m.start == 0 && m.end == 4));
        }
    }

    // The shipped sample stays free of errors and its programs of marks.
    void sampleProjectIsSafe()
    {
        RingModel model;
        ExampleProject::build(model);
        const auto findings = ProjectCheck::run(model);
        QStringList lines;
        for (const ProjectCheck::Finding &f : findings)
            lines << ProjectCheck::findingLine(f);
        QVERIFY2(findings.empty(), qPrintable(lines.join('\n')));
        for (int p = 0; p < MaxPrograms; ++p)
            QVERIFY(programMarks(model.project(), model.programs(), p).empty());
    }
};

QTEST_GUILESS_MAIN(TestSignalSafety)
#include "tst_signalsafety.moc"
