#include "ui/EditorDialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace PL = ProjectLayout;

namespace {

// The smallest editor: one field, a late button, and the base's Save/Close row storing the
// week plans.
class Probe : public EditorDialog
{
public:
    explicit Probe(RingModel &model) : EditorDialog(model, "Probe", QStringLiteral("Probe"))
    {
        auto *row = new QHBoxLayout(this);
        field = new QLineEdit(this);
        row->addWidget(field);
        addSaveClose(row, "Button1", &Probe::save, "Button2", &Probe::close);
        refill();
    }

    void save()
    {
        ++saves;
        storeRange(PL::WeekPlans, MaxWeekPlans * WeekPlanSize);
    }
    void close() { hide(); }
    ProjectBlock &edit() { return copy(); }

    QLineEdit *field = nullptr;
    int saves = 0;
    int refills = 0;
    int shownWeekPlan = -1;

private:
    void refill() override
    {
        ++refills;
        shownWeekPlan = copy()[PL::WeekPlans];
    }
};

} // namespace

class TestEditorDialog : public QObject
{
    Q_OBJECT
private slots:
    void enterNeverStores_data()
    {
        QTest::addColumn<bool>("lateButton");
        QTest::newRow("buttons built with the form") << false;
        QTest::newRow("a button added after construction") << true;
    }
    void enterNeverStores()
    {
        QFETCH(bool, lateButton);
        RingModel model;
        model.NewProjectDefaults();
        Probe dialog(model);
        auto *late = lateButton ? new QPushButton(QStringLiteral("late"), &dialog) : nullptr;
        int lateClicks = 0;
        if (late)
            connect(late, &QPushButton::clicked, [&lateClicks] { ++lateClicks; });
        dialog.openDialog();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.field->setFocus();
        QTest::keyClick(dialog.field, Qt::Key_Return);
        QTest::keyClick(dialog.field, Qt::Key_Enter);
        QCOMPARE(dialog.saves, 0);
        QCOMPARE(lateClicks, 0);
        QVERIFY(dialog.isVisible());
        QVERIFY(!model.modified());
    }

    void copyFollowsTheWorkingCopy_data()
    {
        QTest::addColumn<bool>("switchRing");
        QTest::newRow("reopened") << false;
        QTest::newRow("ring replaced while open") << true;
    }
    void copyFollowsTheWorkingCopy()
    {
        QFETCH(bool, switchRing);
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        model.store(1).project[PL::WeekPlans] = 9;
        Probe dialog(model);
        dialog.openDialog();
        const int refillsBefore = dialog.refills;
        dialog.edit()[PL::WeekPlans] = 4; // never stored
        if (switchRing)
            model.SwitchRing(1);
        else
            dialog.openDialog();
        const int expected = switchRing ? 9 : 0;
        QCOMPARE(int(dialog.dialogCopy()[PL::WeekPlans]), expected);
        QCOMPARE(dialog.shownWeekPlan, expected); // the controls show what a store would write
        QCOMPARE(dialog.refills, refillsBefore + 1);
    }

    void saveStoresOnlyItsRange()
    {
        RingModel model;
        model.NewProjectDefaults();
        QSignalSpy edited(&model, &RingModel::edited);
        Probe dialog(model);
        dialog.openDialog();
        dialog.edit()[PL::WeekPlans] = 3;
        dialog.edit()[PL::YearPlan] = 5; // outside the range
        dialog.findChild<QPushButton *>(QStringLiteral("Button1"))->click();
        QCOMPARE(int(model.project()[PL::WeekPlans]), 3);
        QCOMPARE(int(model.project()[PL::YearPlan]), 0);
        QVERIFY(model.modified());
        QCOMPARE(edited.count(), 1);
        dialog.findChild<QPushButton *>(QStringLiteral("Button2"))->click();
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TestEditorDialog)
#include "tst_editordialog.moc"
