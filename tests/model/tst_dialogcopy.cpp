#include "model/DialogCopy.h"

#include <QSignalSpy>
#include <QTest>

namespace PL = ProjectLayout;

class TestDialogCopy : public QObject
{
    Q_OBJECT
private slots:
    void storesOnlyItsRange()
    {
        RingModel model;
        model.NewProjectDefaults();
        QSignalSpy edited(&model, &RingModel::edited);
        DialogCopy copy(model);
        copy.take();
        copy.block()[PL::WeekPlans] = 5;
        copy.block()[PL::YearPlan] = 6; // outside the stored range
        QCOMPARE(int(model.project()[PL::WeekPlans]), 0);
        copy.store(PL::WeekPlans, 7 * 16);
        QCOMPARE(int(model.project()[PL::WeekPlans]), 5);
        QCOMPARE(int(model.project()[PL::YearPlan]), 0);
        QVERIFY(model.modified());
        QCOMPARE(edited.count(), 1);
    }

    void ringSwitchRetakesTheCopy()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        model.store(1).project[PL::YearPlan] = 9;
        DialogCopy copy(model);
        QSignalSpy retaken(&copy, &DialogCopy::retaken);
        copy.block()[PL::YearPlan] = 3; // edited for ring 1, not stored
        model.SwitchRing(1);
        QCOMPARE(retaken.count(), 1);
        QCOMPARE(int(copy.block()[PL::YearPlan]), 9);
        copy.store(PL::YearPlan, YearWeeks);
        QCOMPARE(int(model.project()[PL::YearPlan]), 9); // ring 1's edit never reaches ring 2
        QCOMPARE(int(model.store(0).project[PL::YearPlan]), 0);
    }
};

QTEST_GUILESS_MAIN(TestDialogCopy)
#include "tst_dialogcopy.moc"
