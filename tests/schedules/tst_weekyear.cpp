#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"

#include <QTest>

#include <memory>

class TestWeekYear : public QObject
{
    Q_OBJECT
private:
    static std::unique_ptr<ProjectBlock> zeroBlock()
    {
        auto block = std::make_unique<ProjectBlock>();
        block->fill(0);
        return block;
    }

private slots:
    void weekPlanBytes()
    {
        auto block = zeroBlock();
        Weeksplans::setDayPlan(*block, 2, 0, 5);  // Sunday
        Weeksplans::setDayPlan(*block, 2, 6, 15); // Saturday
        QCOMPARE(int((*block)[ProjectLayout::WeekPlans + 7 * 2 + 0]), 5);
        QCOMPARE(int((*block)[ProjectLayout::WeekPlans + 7 * 2 + 6]), 15);
        QCOMPARE(Weeksplans::dayPlan(*block, 2, 0), 5);
        // The last week plan's Saturday is the table's last byte; the year plan follows.
        Weeksplans::setDayPlan(*block, 15, 9, 3);
        QCOMPARE(int((*block)[ProjectLayout::YearPlan - 1]), 3);
        QCOMPARE(int((*block)[ProjectLayout::YearPlan]), 0);
        QCOMPARE(Weeksplans::dayName(0), QStringLiteral("ВС"));
        QCOMPARE(Weeksplans::dayName(1), QStringLiteral("ПН"));
        QCOMPARE(Weeksplans::dayName(6), QStringLiteral("СБ"));
    }

    void range_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("10 to 3, reversed") << 9 << 2 << 2 << 9;
        QTest::newRow("3 to 10") << 2 << 9 << 2 << 9;
        QTest::newRow("one week") << 7 << 7 << 7 << 7;
        QTest::newRow("whole year") << 53 << 0 << 0 << 53;
    }
    void range()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, first);
        QFETCH(int, last);
        auto block = zeroBlock();
        const ProjectBlock before = *block;
        Year::setRange(*block, from, to, 1);
        for (int week = 0; week < YearWeeks; ++week)
            QCOMPARE(Year::weekPlan(*block, week), week >= first && week <= last ? 1 : 0);
        for (std::size_t i = 0; i < block->size(); ++i) {
            if (i < ProjectLayout::YearPlan || i >= ProjectLayout::CurrentProgram)
                QCOMPARE((*block)[i], before[i]);
        }
        QCOMPARE(Year::cellText(*block, first), QStringLiteral("2"));
    }

    void takeCell_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("stored");
        QTest::newRow("1") << "1" << true << 0;
        QTest::newRow("16") << "16" << true << 15;
        QTest::newRow("with blanks") << " 7 " << true << 6;
        QTest::newRow("17") << "17" << false << 3;
        QTest::newRow("0") << "0" << false << 3;
        QTest::newRow("negative") << "-2" << false << 3;
        QTest::newRow("text") << "abc" << false << 3;
        QTest::newRow("empty") << "" << false << 3;
        QTest::newRow("hex") << "0x5" << false << 3;
        QTest::newRow("fraction") << "2.5" << false << 3;
    }
    void takeCell()
    {
        QFETCH(QString, text);
        QFETCH(bool, taken);
        QFETCH(int, stored);
        auto block = zeroBlock();
        Year::setWeekPlan(*block, 53, 3);
        QCOMPARE(Year::takeCellText(*block, 53, text), taken);
        QCOMPARE(Year::weekPlan(*block, 53), stored);
        QCOMPARE(int((*block)[ProjectLayout::CurrentProgram]), 0);
    }
};

QTEST_GUILESS_MAIN(TestWeekYear)
#include "tst_weekyear.moc"
