#include "model/ByteIO.h"
#include "schedules/DayPlans.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace Dayplans;
namespace DL = DayPlanLayout;

Q_DECLARE_METATYPE(std::vector<std::uint32_t>)

namespace {

constexpr std::uint32_t hms(std::uint32_t h, std::uint32_t m, std::uint32_t s)
{
    return h * 3600 + m * 60 + s;
}

std::unique_ptr<ProjectBlock> blockWithPlan(int plan, const std::vector<std::uint32_t> &starts)
{
    auto block = std::make_unique<ProjectBlock>();
    block->fill(0);
    for (int n = 0; n < MaxDayPlans; ++n)
        (*block)[dayPlanOffset(n)] = 1;
    (*block)[dayPlanOffset(plan)] = static_cast<std::uint8_t>(starts.size());
    for (std::size_t e = 0; e < starts.size(); ++e)
        writeU32(*block, dayPlanEntryOffset(plan, int(e)) + DL::EntryStart, starts[e]);
    return block;
}

std::vector<std::uint32_t> startsOf(const ProjectBlock &block, int plan)
{
    const DayPlanView view(block, plan);
    std::vector<std::uint32_t> starts;
    for (int e = 0; e < view.entryCount(); ++e)
        starts.push_back(view.start(e));
    return starts;
}

} // namespace

class TestDayplans : public QObject
{
    Q_OBJECT
private slots:
    void check_data()
    {
        QTest::addColumn<std::vector<std::uint32_t>>("starts");
        QTest::addColumn<bool>("correct");
        QTest::newRow("single entry at any time")
            << std::vector<std::uint32_t>{hms(23, 0, 0)} << true;
        QTest::newRow("increasing")
            << std::vector<std::uint32_t>{0, hms(7, 0, 0), hms(19, 0, 0)} << true;
        QTest::newRow("equal") << std::vector<std::uint32_t>{hms(7, 0, 0), hms(7, 0, 0)} << false;
        QTest::newRow("decreasing late")
            << std::vector<std::uint32_t>{0, hms(8, 0, 0), hms(7, 59, 59)} << false;
        // An unsigned comparison: a huge value is later, not negative.
        QTest::newRow("beyond the day") << std::vector<std::uint32_t>{0, 0xFFFFFFFFu} << false;
        QTest::newRow("last second") << std::vector<std::uint32_t>{0, LastSecond} << true;
        QTest::newRow("midnight as second entry")
            << std::vector<std::uint32_t>{0, hms(24, 0, 0)} << false;
    }
    void check()
    {
        QFETCH(std::vector<std::uint32_t>, starts);
        QFETCH(bool, correct);
        const auto block = blockWithPlan(5, starts);
        QCOMPARE(DayPlanView(*block, 5).isCorrect(), correct);
        QCOMPARE(allPlansCorrect(*block), correct);
    }

    void correction_data()
    {
        QTest::addColumn<std::vector<std::uint32_t>>("starts");
        QTest::addColumn<std::vector<std::uint32_t>>("corrected");
        QTest::newRow("pair") << std::vector<std::uint32_t>{hms(7, 0, 0), hms(7, 0, 0)}
                              << std::vector<std::uint32_t>{hms(7, 0, 0), hms(7, 0, 1)};
        QTest::newRow("one correction pushes the next")
            << std::vector<std::uint32_t>{hms(8, 0, 0), hms(7, 0, 0), hms(7, 0, 0)}
            << std::vector<std::uint32_t>{hms(8, 0, 0), hms(8, 0, 1), hms(8, 0, 2)};
        QTest::newRow("good entries untouched")
            << std::vector<std::uint32_t>{hms(6, 0, 0), hms(5, 0, 0), hms(9, 0, 0)}
            << std::vector<std::uint32_t>{hms(6, 0, 0), hms(6, 0, 1), hms(9, 0, 0)};
        QTest::newRow("pushed past midnight is pulled back")
            << std::vector<std::uint32_t>{hms(23, 59, 59), 0, 0}
            << std::vector<std::uint32_t>{hms(23, 59, 57), hms(23, 59, 58), hms(23, 59, 59)};
        QTest::newRow("no wrap from the largest value")
            << std::vector<std::uint32_t>{0xFFFFFFFFu, 0}
            << std::vector<std::uint32_t>{hms(23, 59, 58), hms(23, 59, 59)};
        QTest::newRow("time beyond the day")
            << std::vector<std::uint32_t>{hms(10, 0, 0), hms(25, 0, 0)}
            << std::vector<std::uint32_t>{hms(10, 0, 0), LastSecond};
    }
    void correction()
    {
        QFETCH(std::vector<std::uint32_t>, starts);
        QFETCH(std::vector<std::uint32_t>, corrected);
        auto block = blockWithPlan(3, starts);
        const ProjectBlock before = *block;
        correctAllPlans(*block);
        QCOMPARE(startsOf(*block, 3), corrected);
        QVERIFY(allPlansCorrect(*block));
        // Only start times of the plan move.
        for (std::size_t i = 0; i < block->size(); ++i) {
            const bool startByte =
                i >= dayPlanOffset(3) + DL::Entries && i < dayPlanOffset(3) + DL::Size &&
                (i - dayPlanOffset(3) - DL::Entries) % DL::EntrySize >= DL::EntryStart;
            if (!startByte)
                QCOMPARE((*block)[i], before[i]);
        }
    }

    void correctionOfAFullLatePlan()
    {
        std::vector<std::uint32_t> starts(MaxDayPlanEntries, hms(23, 59, 50));
        auto block = blockWithPlan(15, starts);
        correctAllPlans(*block);
        QVERIFY(allPlansCorrect(*block));
        QCOMPARE(DayPlanView(*block, 15).start(31), LastSecond);
        QCOMPARE(DayPlanView(*block, 15).start(0), LastSecond - 31);
    }

    void addEntry_data()
    {
        QTest::addColumn<std::uint32_t>("last");
        QTest::addColumn<bool>("added");
        QTest::addColumn<std::uint32_t>("newStart");
        QTest::newRow("06:30 gives 07:30") << hms(6, 30, 0) << true << hms(7, 30, 0);
        QTest::newRow("22:59:59 gives 23:59:59") << hms(22, 59, 59) << true << LastSecond;
        QTest::newRow("23:00 is capped") << hms(23, 0, 0) << true << LastSecond;
        QTest::newRow("23:59:58 is capped") << hms(23, 59, 58) << true << LastSecond;
        QTest::newRow("23:59:59 leaves no second") << LastSecond << false << 0u;
        QTest::newRow("beyond the day") << 0xFFFFFFFFu << false << 0u;
    }
    void addEntry()
    {
        QFETCH(std::uint32_t, last);
        QFETCH(bool, added);
        QFETCH(std::uint32_t, newStart);
        auto block = blockWithPlan(0, {last});
        // The slot beyond the count keeps bytes of an earlier entry.
        const std::size_t slot = dayPlanEntryOffset(0, 1);
        (*block)[slot + DL::EntryProgram] = 4;
        (*block)[slot + DL::EntryKind] = 2;
        DayPlanEdit plan(*block, 0);
        QCOMPARE(plan.addEntry(), added);
        QCOMPARE(plan.entryCount(), added ? 2 : 1);
        if (added) {
            QCOMPARE(plan.start(1), newStart);
            QCOMPARE(plan.program(1), 4);
            QCOMPARE(plan.kind(1), 2);
        }
    }

    void addRefusedAtThirtyTwo()
    {
        std::vector<std::uint32_t> starts;
        for (std::uint32_t e = 0; e < MaxDayPlanEntries; ++e)
            starts.push_back(e * 60);
        auto block = blockWithPlan(1, starts);
        const ProjectBlock before = *block;
        QVERIFY(!DayPlanEdit(*block, 1).addEntry());
        QVERIFY(*block == before);
    }

    void removeKeepsBytesAndAddBringsThemBack()
    {
        auto block = blockWithPlan(2, {0, hms(6, 0, 0)});
        DayPlanEdit plan(*block, 2);
        plan.setKind(1, Kind::Flashing);
        QVERIFY(plan.removeLastEntry());
        QCOMPARE(plan.entryCount(), 1);
        QVERIFY(!plan.removeLastEntry());
        QCOMPARE(plan.entryCount(), 1);
        QCOMPARE(plan.kind(1), int(Kind::Flashing));
        QVERIFY(plan.addEntry());
        QCOMPARE(plan.kind(1), int(Kind::Flashing));
        QCOMPARE(plan.start(1), hms(1, 0, 0));
    }

    void programChoiceMakesAProgramEntry()
    {
        auto block = blockWithPlan(0, {0});
        DayPlanEdit plan(*block, 0);
        plan.setKind(0, Kind::Flashing);
        QCOMPARE(programText(plan.kind(0), plan.program(0)), QStringLiteral("ЖМ"));
        plan.setProgram(0, 6);
        QCOMPARE(plan.kind(0), 0);
        QCOMPARE(programText(plan.kind(0), plan.program(0)), QStringLiteral("7"));
    }

    void countFromFile_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("seen");
        QTest::addColumn<int>("afterAdd");
        QTest::addColumn<int>("afterRemove");
        QTest::newRow("0") << 0 << 1 << 2 << 1;
        QTest::newRow("33") << 33 << 32 << 32 << 31;
        QTest::newRow("255") << 255 << 32 << 32 << 31;
    }
    void countFromFile()
    {
        QFETCH(int, stored);
        QFETCH(int, seen);
        QFETCH(int, afterAdd);
        QFETCH(int, afterRemove);
        // The last plan of the table: an unclamped count would run into the week plans.
        auto block = blockWithPlan(15, {});
        (*block)[dayPlanOffset(15)] = static_cast<std::uint8_t>(stored);
        const auto weekPlansBefore = (*block)[ProjectLayout::WeekPlans];
        {
            const DayPlanView view(*block, 15);
            QCOMPARE(view.entryCount(), seen);
            if (seen == 1)
                QVERIFY(view.isCorrect());
            QCOMPARE(view.start(40), view.start(31));
        }
        {
            auto copy = std::make_unique<ProjectBlock>(*block);
            // Entries 0..31 increasing so "+" sees a time left after the last one.
            for (int e = 0; e < MaxDayPlanEntries; ++e)
                DayPlanEdit(*copy, 15).setStart(e, std::uint32_t(e) * 60);
            DayPlanEdit plan(*copy, 15);
            plan.addEntry();
            QCOMPARE(plan.entryCount(), afterAdd);
            QCOMPARE((*copy)[ProjectLayout::WeekPlans], weekPlansBefore);
        }
        {
            auto copy = std::make_unique<ProjectBlock>(*block);
            DayPlanEdit plan(*copy, 15);
            plan.removeLastEntry();
            QCOMPARE(plan.entryCount(), afterRemove);
        }
        // The count byte stays as read until the plans are stored.
        QCOMPARE(int((*block)[dayPlanOffset(15)]), stored);
        normaliseAllCounts(*block);
        QCOMPARE(int((*block)[dayPlanOffset(15)]), seen);
    }

    void texts_data()
    {
        QTest::addColumn<std::uint32_t>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("midnight") << 0u << "00:00:00";
        QTest::newRow("morning") << hms(7, 30, 5) << "07:30:05";
        QTest::newRow("last second") << LastSecond << "23:59:59";
        QTest::newRow("from a file, beyond the day") << hms(25, 1, 2) << "25:01:02";
    }
    void texts()
    {
        QFETCH(std::uint32_t, seconds);
        QFETCH(QString, text);
        QCOMPARE(startTimeText(seconds), text);
    }

    void programTexts()
    {
        QCOMPARE(programText(0, 0), QStringLiteral("1"));
        QCOMPARE(programText(0, 31), QStringLiteral("32"));
        QCOMPARE(programText(1, 5), QStringLiteral("ЖМ"));
        QCOMPARE(programText(2, 5), QStringLiteral("ОС"));
        QCOMPARE(programText(3, 5), QStringLiteral("КК"));
        QCOMPARE(programText(9, 5), QStringLiteral("?9"));
    }
};

QTEST_GUILESS_MAIN(TestDayplans)
#include "tst_dayplans.moc"
