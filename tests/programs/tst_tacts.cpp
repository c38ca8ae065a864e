#include "model/RingModel.h"
#include "programs/Tacts.h"
#include "programs/TactsFixture.h"

#include <QTest>

namespace FL = PhaseLayout;

namespace {

QString colourName(int colour)
{
    static const char *const names[] = {"-", "G", "GB", "R", "RY", "Y"};
    return colour >= 0 && colour <= 5 ? QString::fromLatin1(names[colour]) : QStringLiteral("?");
}

// "G: GB3 Y3": the main colour, then the intermediate tacts of one direction.
QString describe(const TransitionTable &table, int d)
{
    const DirectionTacts &row = table.directions[d];
    QStringList parts;
    for (const Tact &t : row.tacts)
        if (t.colour != TactNone || t.duration != 0)
            parts << colourName(t.colour) + QString::number(t.duration);
    return colourName(row.mainColour) + QStringLiteral(": ") + parts.join(QLatin1Char(' '));
}

// The first worked example: two conflicting vehicle directions, one template each.
Ring twoDirections()
{
    Ring r;
    r.directions(2).times(3, 2, 3).green(0, 0).green(1, 1).conflict(0, 1, 3).conflict(1, 0, 3);
    r.phases(0, 2).phase(0, 0, 0, 10).phase(0, 1, 1, 10);
    return r;
}

// The fill-mode example: A and C green in phase 1, B in phase 2; B conflicts with both.
Ring threeDirections(int fill)
{
    Ring r;
    r.directions(3).times(3, 2, 3, fill).green(0, 0).green(0, 2).green(1, 1);
    r.conflict(0, 1, 2).conflict(2, 1, 6);
    r.phases(0, 2).phase(0, 0, 0, 10).phase(0, 1, 1, 10);
    return r;
}

} // namespace

class TestTakts : public QObject
{
    Q_OBJECT
private slots:
    void firstExample()
    {
        Ring r = twoDirections();
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable forward = takts.computeTransition(0, 0, 0, 1);
        QCOMPARE(forward.interval, 6);
        QCOMPARE(forward.mainTime, 10);
        QCOMPARE(describe(forward, 0), QStringLiteral("G: GB3 Y3"));
        QCOMPARE(describe(forward, 1), QStringLiteral("R: R4 RY2"));
        const TransitionTable back = takts.computeTransition(0, 0, 1, 0);
        QCOMPARE(back.interval, 6);
        QCOMPARE(describe(back, 0), QStringLiteral("R: R4 RY2"));
        QCOMPARE(describe(back, 1), QStringLiteral("G: GB3 Y3"));
        QCOMPARE(takts.cycleLength(0), 32);
    }

    void fillModeExample_data()
    {
        QTest::addColumn<int>("fill");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("c");
        QTest::newRow("red") << 0 << "G: GB3 Y3 R3"
                             << "G: GB3 Y3 R3";
        QTest::newRow("green") << 1 << "G: G3 GB3 Y3"
                               << "G: GB3 Y3 R3";
        QTest::newRow("green, any non-zero") << 7 << "G: G3 GB3 Y3"
                                             << "G: GB3 Y3 R3";
    }
    void fillModeExample()
    {
        QFETCH(int, fill);
        Ring r = threeDirections(fill);
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        QCOMPARE(t.interval, 9);
        QFETCH(QString, a);
        QCOMPARE(describe(t, 0), a);
        QCOMPARE(describe(t, 1), QStringLiteral("R: R7 RY2"));
        QFETCH(QString, c);
        QCOMPARE(describe(t, 2), c);
    }

    void newProjectCycleIs32InEveryProgram()
    {
        RingModel model;
        model.NewProjectDefaults();
        Takts takts;
        takts.bind(model.project(), model.programs());
        for (int p = 0; p < MaxPrograms; ++p)
            QCOMPARE(takts.cycleLength(p), 32);
        QCOMPARE(takts.computeTransition(0, 0, 0, 1).interval, 6);
    }

    void onePhaseProgram_data()
    {
        QTest::addColumn<bool>("conflicting");
        QTest::addColumn<int>("interval");
        QTest::newRow("no conflict in the template") << false << 0;
        // Pair term only: E1 + GB + E0 + CT = 0 + 3 + 0 + 4, no yellow in it.
        QTest::newRow("conflicting greens") << true << 7;
    }
    void onePhaseProgram()
    {
        QFETCH(bool, conflicting);
        Ring r;
        r.directions(2).times(3, 2, 3).green(0, 0).green(0, 1);
        if (conflicting)
            r.conflict(0, 1, 4);
        r.phases(0, 1).phase(0, 0, 0, 25);
        Takts takts;
        takts.bind(r.p(), r.g());
        QCOMPARE(takts.nextPhase(0, 0), 0);
        const TransitionTable t = takts.computeTransition(0, 0, 0, 0);
        QFETCH(int, interval);
        QCOMPARE(t.interval, interval);
        // Both keep green: one tact of length H, also when H is 0.
        QCOMPARE(t.directions[0].tacts[0], (Tact{TactGreen, interval}));
        QCOMPARE(t.directions[0].tacts[1], Tact{});
        QCOMPARE(takts.cycleLength(0), 25 + interval);
    }

    void zeroTimesGiveNoIntermediateTacts()
    {
        Ring r = twoDirections();
        r.times(0, 0, 0);
        r.p()[conflictFlagOffset(0, 1)] = 0;
        r.p()[conflictFlagOffset(1, 0)] = 0;
        r.directions(3); // direction 3 is red in both phases
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        QCOMPARE(t.interval, 0);
        QCOMPARE(describe(t, 0), QStringLiteral("G: "));
        QCOMPARE(describe(t, 1), QStringLiteral("R: "));
        QCOMPARE(t.directions[2].mainColour, std::uint8_t(TactRed));
        QCOMPARE(t.directions[2].tacts[0], (Tact{TactRed, 0}));
        QCOMPARE(takts.cycleLength(0), 20);
    }

    void additionsActOnTheirInterval_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("h12");
        QTest::addColumn<int>("h23");
        // Program: phase 1 direction 1 green, phase 2 direction 2, phase 3 direction 1.
        // Baseline intervals are 6 (stop: GB 3 + Y 3) each.
        QTest::newRow("early green of the entered phase") << int(FL::EarlyGreen) << 1 << 10 << 6;
        QTest::newRow("green extension of the left phase")
            << int(FL::GreenExtension) << 1 << 6 << 14;
        QTest::newRow("extra red of the left phase") << int(FL::ExtraRed) << 1 << 6 << 14;
        QTest::newRow("addition of a direction that stays red")
            << int(FL::EarlyGreen) << 2 << 6 << 6;
    }
    void additionsActOnTheirInterval()
    {
        QFETCH(int, kind);
        QFETCH(int, direction);
        Ring r;
        r.directions(3).times(3, 2, 3).green(0, 0).green(1, 1);
        r.phases(0, 3).phase(0, 0, 0, 10).phase(0, 1, 1, 10).phase(0, 2, 0, 10);
        r.addition(0, 1, direction, std::size_t(kind), 8); // stored in phase 2
        Takts takts;
        takts.bind(r.p(), r.g());
        QTEST(takts.computeTransition(0, 0, 0, 1).interval, "h12");
        QTEST(takts.computeTransition(0, 0, 1, 2).interval, "h23");
    }

    void vehicleTermsAndTacts_data()
    {
        QTest::addColumn<int>("fill");
        QTest::addColumn<QString>("stopping");
        QTest::addColumn<QString>("starting");
        QTest::addColumn<int>("interval");
        // E1 2, E2 4 on the stopping direction, E0 5 on the starting one; no conflict:
        // H = max(2 + 3 + 3 + 4, 5 + 2) = 12.
        QTest::newRow("red fill") << 0 << "G: G2 GB3 Y3 R4"
                                  << "R: R5 RY2 G5" << 12;
        // O = 0 without conflicts: red 0, the spare time stays green.
        QTest::newRow("green fill") << 1 << "G: G6 GB3 Y3"
                                    << "R: R5 RY2 G5" << 12;
    }
    void vehicleTermsAndTacts()
    {
        QFETCH(int, fill);
        Ring r;
        r.directions(2).times(3, 2, 3, fill).green(0, 0).green(1, 1);
        r.phases(0, 2).phase(0, 0, 0, 10).phase(0, 1, 1, 10);
        r.addition(0, 0, 0, FL::GreenExtension, 2).addition(0, 0, 0, FL::ExtraRed, 4);
        r.addition(0, 1, 1, FL::EarlyGreen, 5);
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        QTEST(t.interval, "interval");
        QTEST(describe(t, 0), "stopping");
        QTEST(describe(t, 1), "starting");
    }

    void otherTypesNeverShowYellow_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("fill");
        for (int type = 1; type <= 6; ++type)
            for (int fill = 0; fill <= 1; ++fill)
                QTest::addRow("type %d fill %d", type, fill) << type << fill;
    }
    void otherTypesNeverShowYellow()
    {
        QFETCH(int, type);
        QFETCH(int, fill);
        Ring r;
        r.directions(2).times(7, 5, 3, fill).green(0, 0).green(1, 1).type(0, type).type(1, type);
        r.conflict(0, 1, 4);
        r.phases(0, 2).phase(0, 0, 0, 10).phase(0, 1, 1, 10);
        r.addition(0, 0, 0, FL::GreenExtension, 1).addition(0, 0, 0, FL::ExtraRed, 2);
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        // Stop term E1 + E2 + GB = 6; start term E0 = 0; pair term 1 + 3 + 0 + 4 = 8.
        QCOMPARE(t.interval, 8);
        for (int d = 0; d < 2; ++d)
            for (const Tact &tact : t.directions[d].tacts)
                QVERIFY(tact.colour != TactYellow && tact.colour != TactRedYellow);
        // Red fill: green E1 = 1, then red for the rest; green fill: red O = 4, green the rest.
        QCOMPARE(describe(t, 0), QStringLiteral("G: G1 GB3 R4"));
        QCOMPARE(describe(t, 1), QStringLiteral("R: R8"));
    }

    void greenFillKeepsGreenWhileAnotherDirectionDominates()
    {
        // Direction 1 stops without conflict, direction 3 stops against direction 2 with a
        // long conflict time: H = 3 + 0 + 10 = 13 comes from the pair term.
        Ring r;
        r.directions(3).times(3, 2, 3, 1).green(0, 0).green(0, 2).green(1, 1).conflict(2, 1, 10);
        r.phases(0, 2).phase(0, 0, 0, 10).phase(0, 1, 1, 10);
        Takts takts;
        takts.bind(r.p(), r.g());
        TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        QCOMPARE(t.interval, 13);
        QCOMPARE(describe(t, 0), QStringLiteral("G: G7 GB3 Y3"));
        QCOMPARE(describe(t, 2), QStringLiteral("G: GB3 Y3 R7"));
        r.times(3, 2, 3, 0);
        t = takts.computeTransition(0, 0, 0, 1);
        QCOMPARE(describe(t, 0), QStringLiteral("G: GB3 Y3 R7"));
    }

    void minimumTimeHasNoInfluence()
    {
        Ring r = twoDirections();
        Takts takts;
        takts.bind(r.p(), r.g());
        const int before = takts.cycleLength(0);
        writeU16(r.g(), phaseOffset(0, 0) + FL::MinTime, 500);
        writeU16(r.g(), phaseOffset(0, 1) + FL::MinTime, 1);
        QCOMPARE(takts.cycleLength(0), before);
    }

    void longIntervalsKeepTheirFullLength()
    {
        Ring r = twoDirections();
        r.addition(0, 0, 0, FL::GreenExtension, 200).addition(0, 0, 0, FL::ExtraRed, 150);
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        // 200 + 3 + 3 + 150: more than a byte holds.
        QCOMPARE(t.interval, 356);
        QCOMPARE(describe(t, 0), QStringLiteral("G: G200 GB3 Y3 R150"));
        QCOMPARE(describe(t, 1), QStringLiteral("R: R354 RY2"));
        QCOMPARE(takts.cycleLength(0), 10 + 356 + 10 + 6);
    }

    void markAboveOneIsGreenButOutsideConflictTerms()
    {
        Ring r = twoDirections();
        r.green(1, 1, 2).conflict(0, 1, 9); // direction 2 turns green with a mark of 2
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        // Without the pair term only the own terms count: stop 6, start 2.
        QCOMPARE(t.interval, 6);
        QCOMPARE(describe(t, 1), QStringLiteral("R: R4 RY2"));
    }

    void directionsBeyondTheCountStayEmpty()
    {
        Ring r = twoDirections();
        r.green(0, 5).green(1, 6);
        Takts takts;
        takts.bind(r.p(), r.g());
        const TransitionTable t = takts.computeTransition(0, 0, 0, 1);
        for (int d = 2; d < MaxDirections; ++d) {
            QCOMPARE(t.directions[d].mainColour, std::uint8_t(TactNone));
            for (const Tact &tact : t.directions[d].tacts)
                QCOMPARE(tact, Tact{});
        }
    }

    void valuesFromAFileStayInsideTheBlocks_data()
    {
        QTest::addColumn<int>("directions");
        QTest::addColumn<int>("templ");
        QTest::addColumn<int>("phaseCount");
        QTest::addColumn<int>("usedPhases");
        QTest::newRow("direction count 255") << 255 << 0 << 2 << 2;
        QTest::newRow("template index 200") << 2 << 200 << 2 << 2;
        QTest::newRow("phase count 0") << 2 << 0 << 0 << 1;
        QTest::newRow("phase count 33") << 2 << 0 << 33 << 32;
        QTest::newRow("phase count 255") << 2 << 0 << 255 << 32;
    }
    void valuesFromAFileStayInsideTheBlocks()
    {
        QFETCH(int, directions);
        QFETCH(int, templ);
        QFETCH(int, phaseCount);
        Ring r = twoDirections();
        r.directions(directions).phases(31, phaseCount);
        r.g()[phaseOffset(31, 0) + FL::Template] = static_cast<std::uint8_t>(templ);
        r.phase(31, 31, 1, 10);
        const RingData before = *r.data;
        Takts takts;
        takts.bind(r.p(), r.g());
        QVERIFY(takts.directionCount() <= MaxDirections);
        QTEST(takts.phaseCount(31), "usedPhases");
        QCOMPARE(takts.nextPhase(31, takts.phaseCount(31) - 1), 0);
        (void)takts.cycleLength(31); // the last program touches the end of the programs block
        (void)takts.computeTransition(31, 31, 31, 0);
        QVERIFY(*r.data == before); // the computation only reads
    }

    void nextPhase_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("next");
        QTest::newRow("middle") << 3 << 1 << 2;
        QTest::newRow("last wraps") << 3 << 2 << 0;
        QTest::newRow("single follows itself") << 1 << 0 << 0;
        QTest::newRow("full program") << 32 << 31 << 0;
    }
    void nextPhase()
    {
        QFETCH(int, count);
        Ring r;
        r.phases(4, count);
        Takts takts;
        takts.bind(r.p(), r.g());
        QFETCH(int, phase);
        QTEST(takts.nextPhase(4, phase), "next");
    }
};

QTEST_GUILESS_MAIN(TestTakts)
#include "tst_tacts.moc"
