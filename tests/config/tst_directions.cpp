#include "config/Directions.h"
#include "model/RingModel.h"

#include <QTest>

#include <vector>

namespace PL = ProjectLayout;
namespace DL = DirectionLayout;
using namespace Napr;

namespace {

ProjectBlock newRing()
{
    RingModel model;
    model.NewProjectDefaults();
    return model.project();
}

void bind(ProjectBlock &b, int d, std::size_t row, int group, int colour)
{
    b[directionOffset(d) + row] = static_cast<std::uint8_t>(group);
    b[directionOffset(d) + row + 1] = static_cast<std::uint8_t>(colour);
}

void setTypes(ProjectBlock &b, const std::vector<int> &types)
{
    b[PL::DirectionCount] = static_cast<std::uint8_t>(types.size());
    for (std::size_t d = 0; d < types.size(); ++d)
        b[directionOffset(int(d))] = static_cast<std::uint8_t>(types[d]);
}

// A complete tram signal: the left, right and straight directions with their row-1 outputs.
void addTramSignal(ProjectBlock &b, int group)
{
    for (const auto &[type, row] : {std::pair{TramLeft, DL::Red1}, std::pair{TramRight, DL::Green1},
                                    std::pair{TramStraight, DL::Yellow1}}) {
        const int d = directionCount(b);
        QCOMPARE(addDirection(b, type), AddResult::Added);
        bind(b, d, row, group, type - TramLeft);
    }
}

} // namespace

class TestNapr : public QObject
{
    Q_OBJECT
private slots:
    void tramSignalNumbers_data()
    {
        QTest::addColumn<std::vector<int>>("types");
        QTest::addColumn<std::vector<int>>("numbers");
        QTest::addColumn<int>("signalCount");
        QTest::newRow("no trams") << std::vector{0, 1, 2, 3} << std::vector{0, 0, 0, 0} << 0;
        QTest::newRow("one signal") << std::vector{0, 4, 5, 6} << std::vector{0, 1, 1, 1} << 1;
        QTest::newRow("per type") << std::vector{4, 4, 5, 4, 6, 5} << std::vector{1, 2, 1, 3, 1, 2}
                                  << 3;
        QTest::newRow("interleaved")
            << std::vector{6, 0, 6, 1, 6, 6} << std::vector{1, 0, 2, 0, 3, 4} << 4;
    }
    void tramSignalNumbers()
    {
        QFETCH(std::vector<int>, types);
        QFETCH(std::vector<int>, numbers);
        QFETCH(int, signalCount);
        ProjectBlock b = newRing();
        setTypes(b, types);
        for (std::size_t d = 0; d < types.size(); ++d)
            QCOMPARE(tramSignalNumber(b, int(d)), numbers[d]);
        QCOMPARE(tramSignalCount(b), signalCount);
    }

    void directionsBeyondCountAreNotTramSignals()
    {
        ProjectBlock b = newRing();
        setTypes(b, {4, 4, 4});
        b[PL::DirectionCount] = 1;
        QCOMPARE(tramSignalCount(b), 1);
    }

    void listTexts_data()
    {
        QTest::addColumn<std::vector<int>>("types");
        QTest::addColumn<int>("d");
        QTest::addColumn<QString>("text");
        QTest::newRow("vehicle") << std::vector{0} << 0 << "1. транспорт";
        QTest::newRow("pedestrian") << std::vector{0, 1} << 1 << "2. пешеход";
        QTest::newRow("turn") << std::vector{2} << 0 << "1. поворот";
        QTest::newRow("reversible") << std::vector{3} << 0 << "1. реверс";
        QTest::newRow("first tram left") << std::vector{0, 0, 0, 0, 4} << 4 << "5. трам-лево (1)";
        QTest::newRow("second tram right") << std::vector{5, 0, 5} << 2 << "3. трам-право (2)";
        QTest::newRow("tram straight") << std::vector{6} << 0 << "1. трам-прямо (1)";
    }
    void listTexts()
    {
        QFETCH(std::vector<int>, types);
        QFETCH(int, d);
        QFETCH(QString, text);
        ProjectBlock b = newRing();
        setTypes(b, types);
        QCOMPARE(directionListText(b, d), text);
    }

    // One ring: which bindings each type exposes to the scan.
    void conflictInOneRing_data()
    {
        QTest::addColumn<int>("type"); // of direction 1 (group 1 in a new project)
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("colour");
        QTest::addColumn<bool>("conflict");
        QTest::addColumn<QString>("status");
        const QString dir1 = QStringLiteral("Конфликт выходов!!! Кольцо=1. Направление=1");
        const QString dir2 = QStringLiteral("Конфликт выходов!!! Кольцо=1. Направление=2");
        QTest::newRow("vehicle red") << 0 << 1 << 0 << true << dir1;
        QTest::newRow("vehicle yellow") << 0 << 1 << 1 << true << dir1;
        QTest::newRow("vehicle green") << 0 << 1 << 2 << true << dir1;
        QTest::newRow("other direction") << 0 << 2 << 1 << true << dir2;
        QTest::newRow("free channel") << 0 << 3 << 0 << false << QString();
        QTest::newRow("reversible yellow") << 3 << 1 << 1 << true << dir1;
        QTest::newRow("pedestrian red") << 1 << 1 << 0 << true << dir1;
        QTest::newRow("pedestrian wait not scanned") << 1 << 1 << 1 << false << QString();
        QTest::newRow("pedestrian green") << 1 << 1 << 2 << true << dir1;
        QTest::newRow("turn green not scanned") << 2 << 1 << 2 << false << QString();
        QTest::newRow("turn red not scanned") << 2 << 1 << 0 << false << QString();
        QTest::newRow("tram left red") << 4 << 1 << 0 << true << dir1;
        QTest::newRow("tram left green unused") << 4 << 1 << 2 << false << QString();
        QTest::newRow("tram right green") << 5 << 1 << 2 << true << dir1;
        QTest::newRow("tram right red unused") << 5 << 1 << 0 << false << QString();
        QTest::newRow("tram straight yellow") << 6 << 1 << 1 << true << dir1;
        QTest::newRow("unknown type scans nothing") << 9 << 1 << 0 << false << QString();
    }
    void conflictInOneRing()
    {
        QFETCH(int, type);
        QFETCH(int, group);
        QFETCH(int, colour);
        QFETCH(bool, conflict);
        QFETCH(QString, status);
        ProjectBlock b = newRing();
        b[directionOffset(0)] = static_cast<std::uint8_t>(type);
        const ProjectBlock *rings[] = {&b};
        const OutputConflict result = CheckOutputConflict(rings, group, colour);
        QCOMPARE(result.conflict, conflict);
        QVERIFY(result.status.has_value());
        QCOMPARE(*result.status, status);
    }

    void noneNeverConflictsNorTouchesTheStatus()
    {
        ProjectBlock b = newRing();
        bind(b, 0, DL::Red1, 0, 0);
        bind(b, 1, DL::Red1, 0, 0);
        const ProjectBlock *rings[] = {&b};
        for (int colour = 0; colour < 3; ++colour) {
            const OutputConflict result = CheckOutputConflict(rings, 0, colour);
            QVERIFY(!result.conflict);
            QVERIFY(!result.status.has_value());
        }
    }

    void secondRowsOfTramTypesAreScanned_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("row");
        QTest::newRow("left red 2") << int(TramLeft) << int(DL::Red2);
        QTest::newRow("right green 2") << int(TramRight) << int(DL::Green2);
        QTest::newRow("straight yellow 2") << int(TramStraight) << int(DL::Yellow2);
    }
    void secondRowsOfTramTypesAreScanned()
    {
        QFETCH(int, type);
        QFETCH(int, row);
        ProjectBlock b = newRing();
        b[directionOffset(1)] = static_cast<std::uint8_t>(type);
        bind(b, 1, std::size_t(row), 7, 2);
        const ProjectBlock *rings[] = {&b};
        QCOMPARE(*CheckOutputConflict(rings, 7, 2).status,
                 QStringLiteral("Конфликт выходов!!! Кольцо=1. Направление=2"));
        // A vehicle does not use its second rows.
        b[directionOffset(1)] = Vehicle;
        QVERIFY(!CheckOutputConflict(rings, 7, 2).conflict);
    }

    void directionsBeyondCountAreNotScanned()
    {
        ProjectBlock b = newRing();
        bind(b, 5, DL::Red1, 6, 0);
        const ProjectBlock *rings[] = {&b};
        QVERIFY(!CheckOutputConflict(rings, 6, 0).conflict);
        b[PL::DirectionCount] = 6;
        QVERIFY(CheckOutputConflict(rings, 6, 0).conflict);
    }

    void tramSignalRecordsAreScanned_data()
    {
        QTest::addColumn<int>("binding");
        for (int i = 0; i < 6; ++i)
            QTest::addRow("binding %d", i) << i;
    }
    void tramSignalRecordsAreScanned()
    {
        QFETCH(int, binding);
        ProjectBlock b = newRing();
        const std::size_t at = tramSignalBindingOffset(1, binding);
        b[at] = 8;
        b[at + 1] = 1;
        const ProjectBlock *rings[] = {&b};
        // Record 2 belongs to tram signal 2, which does not exist yet.
        QVERIFY(!CheckOutputConflict(rings, 8, 1).conflict);
        addTramSignal(b, 3);
        QVERIFY(!CheckOutputConflict(rings, 8, 1).conflict);
        addTramSignal(b, 4);
        const OutputConflict result = CheckOutputConflict(rings, 8, 1);
        QVERIFY(result.conflict);
        QCOMPARE(*result.status, QStringLiteral("Конфликт выходов!!! Кольцо=1. СТОП трамвайя №=2"));
    }

    void directionsAreNamedBeforeTramSignals()
    {
        ProjectBlock b = newRing();
        addTramSignal(b, 3);
        b[tramSignalBindingOffset(0, 0)] = 1; // group 1 red, as direction 1 holds
        const ProjectBlock *rings[] = {&b};
        QCOMPARE(*CheckOutputConflict(rings, 1, 0).status,
                 QStringLiteral("Конфликт выходов!!! Кольцо=1. Направление=1"));
    }

    void channelOfAnotherRingIsRefused()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        ProjectBlock &ring2 = model.store(1).project;
        ring2[PL::DirectionCount] = 3;
        bind(ring2, 2, DL::Red1, 5, 0);
        const ProjectBlock copy = model.project();
        const OutputConflict result = CheckOutputConflict(model, copy, 5, 0);
        QVERIFY(result.conflict);
        QCOMPARE(*result.status, QStringLiteral("Конфликт выходов!!! Кольцо=2. Направление=3"));
        // A ring beyond the ring count is not part of the project.
        model.setRingCount(1);
        QVERIFY(!CheckOutputConflict(model, copy, 5, 0).conflict);
    }

    void firstRingInOrderIsNamed()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(3);
        bind(model.store(1).project, 0, DL::Green1, 1, 2); // ring 2 also holds group 1 green
        model.SwitchRing(2);
        const ProjectBlock copy = model.project();
        QCOMPARE(*CheckOutputConflict(model, copy, 1, 2).status,
                 QStringLiteral("Конфликт выходов!!! Кольцо=1. Направление=1"));
    }

    // While ring 2 is edited its store is stale: the dialog copy speaks for it.
    void currentRingIsTheDialogCopy()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        bind(model.store(1).project, 0, DL::Red1, 6, 0);
        model.SwitchRing(1);
        ProjectBlock copy = model.project();
        QVERIFY(CheckOutputConflict(model, copy, 6, 0).conflict);
        bind(copy, 0, DL::Red1, 0, 0); // unsaved: the channel is free again
        QVERIFY(!CheckOutputConflict(model, copy, 6, 0).conflict);
        QVERIFY(model.store(1).project[directionOffset(0) + DL::Red1] == 6); // stale store
        bind(copy, 1, DL::Yellow1, 7, 1); // unsaved new binding counts at once
        QCOMPARE(*CheckOutputConflict(model, copy, 7, 1).status,
                 QStringLiteral("Конфликт выходов!!! Кольцо=2. Направление=2"));
        // The working copy is not the dialog's: an unsaved dialog change is what is checked.
        QVERIFY(!CheckOutputConflict(model, model.project(), 7, 1).conflict);
        // Ring 1 is read from its store.
        QCOMPARE(*CheckOutputConflict(model, copy, 1, 0).status,
                 QStringLiteral("Конфликт выходов!!! Кольцо=1. Направление=1"));
    }

    void garbageCountStaysInsideTheBlock()
    {
        ProjectBlock b = newRing();
        b[PL::DirectionCount] = 255;
        for (int d = 0; d < MaxDirections; ++d)
            b[directionOffset(d)] = TramLeft;
        QCOMPARE(directionCount(b), 32);
        QCOMPARE(tramSignalCount(b), 32);
        QCOMPARE(tramSignalNumber(b, 31), 32);
        const ProjectBlock *rings[] = {&b};
        (void)CheckOutputConflict(rings, 4, 0);
        QVERIFY(CheckTramSignals(rings));
    }

    void addAndRemove()
    {
        ProjectBlock b = newRing();
        bind(b, 2, DL::Red1, 4, 0);
        b[directionOffset(2)] = Pedestrian;
        QCOMPARE(addDirection(b, Vehicle), AddResult::Added);
        QCOMPARE(directionCount(b), 3);
        QCOMPARE(directionType(b, 2), int(Vehicle));
        QCOMPARE(int(b[directionOffset(2) + DL::Red1]), 4); // only the type is written
        QVERIFY(removeDirection(b));
        QVERIFY(removeDirection(b));
        QVERIFY(!removeDirection(b));
        QCOMPARE(directionCount(b), 1);
        QCOMPARE(int(b[directionOffset(1) + DL::Red1]), 2); // kept for a later add
        QCOMPARE(addDirection(b, Reversible), AddResult::Added);
        QCOMPARE(int(b[directionOffset(1) + DL::Red1]), 2);
        QCOMPARE(directionType(b, 1), int(Reversible));
        while (directionCount(b) < MaxDirections)
            QCOMPARE(addDirection(b, Vehicle), AddResult::Added);
        QCOMPARE(addDirection(b, Vehicle), AddResult::Full);
        QCOMPARE(directionCount(b), 32);
    }

    void fifthTramOfOneTypeIsRefused_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("left") << int(TramLeft);
        QTest::newRow("right") << int(TramRight);
        QTest::newRow("straight") << int(TramStraight);
    }
    void fifthTramOfOneTypeIsRefused()
    {
        QFETCH(int, type);
        ProjectBlock b = newRing();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(addDirection(b, type), AddResult::Added);
        QCOMPARE(addDirection(b, type), AddResult::TramLimit);
        QCOMPARE(directionCount(b), 6);
        QCOMPARE(directionType(b, 6), 0);
        const int other = type == TramLeft ? TramRight : TramLeft;
        QCOMPARE(addDirection(b, other), AddResult::Added);
    }

    void changeTypeKeepsTheTramLimit()
    {
        ProjectBlock b = newRing();
        setTypes(b, {0, 4, 4, 4, 4, 0});
        QVERIFY(!changeDirectionType(b, 5, TramLeft));
        QCOMPARE(directionType(b, 5), 0);
        // Turning an earlier direction into a tram would push direction 5 to signal 5.
        QVERIFY(!changeDirectionType(b, 0, TramLeft));
        QCOMPARE(directionType(b, 0), 0);
        QVERIFY(changeDirectionType(b, 0, TramRight));
        QVERIFY(changeDirectionType(b, 1, Pedestrian));
        QVERIFY(changeDirectionType(b, 5, TramLeft));
        QCOMPARE(tramSignalNumber(b, 5), 4);
        // Bindings stay whatever the type.
        QCOMPARE(int(b[directionOffset(0) + DL::Red1]), 1);
    }

    void lowerSignalPlaces()
    {
        const BindingPlace lower1 = bindingPlace(Row::Lower1, 0, 2);
        QCOMPARE(lower1.group, std::size_t(611 + 36));
        QCOMPARE(lower1.colour, std::size_t(611 + 37));
        QCOMPARE(lower1.controlOff, std::size_t(611 + 38));
        const BindingPlace lower2 = bindingPlace(Row::Lower2, 0, 2);
        QCOMPARE(lower2.group, std::size_t(611 + 39));
        QCOMPARE(lower2.colour, std::size_t(611 + 40));
        QCOMPARE(lower2.controlOff, std::size_t(611 + 36 + 14));
        const BindingPlace green2 = bindingPlace(Row::Green2, 3, 0);
        QCOMPARE(green2.group, std::size_t(3 + 19 * 3 + 16));
        QCOMPARE(green2.controlOff, std::size_t(3 + 19 * 3 + 18));
    }

    void tramCheck_data()
    {
        QTest::addColumn<std::vector<int>>("types");
        QTest::addColumn<int>("unboundDirection"); // -1: every row-1 output bound
        QTest::addColumn<int>("failedSignal");     // 0: passes
        QTest::newRow("no trams") << std::vector{0, 1, 2, 3} << -1 << 0;
        QTest::newRow("no trams, unbound") << std::vector{0, 1} << 0 << 0;
        QTest::newRow("complete") << std::vector{4, 5, 6} << -1 << 0;
        QTest::newRow("two complete") << std::vector{4, 5, 6, 6, 0, 5, 4} << -1 << 0;
        QTest::newRow("three left, one each") << std::vector{4, 4, 4, 5, 6} << -1 << 2;
        QTest::newRow("missing straight") << std::vector{4, 5} << -1 << 1;
        QTest::newRow("left unbound") << std::vector{4, 5, 6} << 0 << 1;
        QTest::newRow("second right unbound") << std::vector{4, 5, 6, 4, 5, 6} << 4 << 2;
    }
    void tramCheck()
    {
        QFETCH(std::vector<int>, types);
        QFETCH(int, unboundDirection);
        QFETCH(int, failedSignal);
        ProjectBlock b = newRing();
        setTypes(b, types);
        for (std::size_t d = 0; d < types.size(); ++d) {
            const int group = int(d) == unboundDirection ? 0 : 1;
            bind(b, int(d), DL::Red1, group, 0);
            bind(b, int(d), DL::Yellow1, group, 1);
            bind(b, int(d), DL::Green1, group, 2);
        }
        const ProjectBlock *rings[] = {&b};
        const auto fault = findIncompleteTramSignal(rings);
        QCOMPARE(CheckTramSignals(rings), failedSignal != 0);
        if (failedSignal != 0) {
            QCOMPARE(fault->signal, failedSignal);
            QCOMPARE(fault->ring, 0);
        }
    }

    void tramCheckOnlyLooksAtTheRowTheTypeDrives()
    {
        ProjectBlock b = newRing();
        setTypes(b, {4, 5, 6});
        for (int d = 0; d < 3; ++d)
            for (std::size_t row : {DL::Red1, DL::Yellow1, DL::Green1})
                bind(b, d, row, 0, 0);
        bind(b, 0, DL::Red1, 3, 0);
        bind(b, 1, DL::Green1, 3, 2);
        bind(b, 2, DL::Green1, 3, 1); // straight uses yellow: green does not count
        const ProjectBlock *rings[] = {&b};
        QVERIFY(CheckTramSignals(rings));
        bind(b, 2, DL::Yellow1, 3, 1);
        QVERIFY(!CheckTramSignals(rings));
    }

    void tramCheckCoversEveryRing()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(3);
        ProjectBlock &ring3 = model.store(2).project;
        ring3[PL::DirectionCount] = 0;
        addTramSignal(ring3, 2);
        QVERIFY(!CheckTramSignals(model));
        bind(ring3, 1, DL::Green1, 0, 2);
        QVERIFY(CheckTramSignals(model));
        const auto blocks = ringBlocks(model, model.project());
        QCOMPARE(findIncompleteTramSignal(blocks)->ring, 2);
        // The current ring is checked from its working copy, not its stale store.
        model.SwitchRing(2);
        bind(model.project(), 1, DL::Green1, 5, 2);
        QVERIFY(!CheckTramSignals(model));
        model.setRingCount(2); // ring 3 out of use; not current any more after a reload
        model.ReloadRing(0);
        QVERIFY(!CheckTramSignals(model));
    }
};

QTEST_GUILESS_MAIN(TestNapr)
#include "tst_directions.moc"
