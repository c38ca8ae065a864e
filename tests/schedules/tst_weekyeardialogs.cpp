#include "app/MainWindow.h"
#include "app/Windows.h"
#include "schedules/WeekPlans.h"
#include "schedules/WeekPlansDialog.h"
#include "schedules/YearPlan.h"
#include "schedules/YearPlanDialog.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

class TestWeekYearForms : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<RingModel> m_model;

    template <typename T> static T *control(QWidget *form, const QString &name)
    {
        auto *found = form->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    static void choose(QComboBox *combo, int index)
    {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    static QString weekCell(TForm5 &form, int week)
    {
        return control<QTableWidget>(&form, QStringLiteral("StringGrid1"))->item(week, 1)->text();
    }
    // Types into a year plan cell through its editor and then moves to another cell.
    static void typeIntoCell(TForm5 &form, int week, const QString &text, int nextWeek)
    {
        auto *grid = control<QTableWidget>(&form, QStringLiteral("StringGrid1"));
        grid->setCurrentCell(week, 1);
        grid->editItem(grid->item(week, 1));
        QLineEdit *editor = nullptr;
        // Editors of earlier cells linger hidden until deleted later.
        for (auto *candidate : grid->viewport()->findChildren<QLineEdit *>()) {
            if (candidate->isVisible())
                editor = candidate;
        }
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        grid->setCurrentCell(nextWeek, 1);
    }

private slots:
    void init()
    {
        m_model = std::make_unique<RingModel>();
        m_model->NewProjectDefaults();
        m_model->setModified(false);
    }

    void weekPlansLayout()
    {
        TForm4 form(*m_model);
        form.openDialog();
        QCOMPARE(form.windowTitle(), QStringLiteral("Недельные планы"));
        QCOMPARE(control<QListWidget>(&form, QStringLiteral("ListBox1"))->count(), 16);
        int previousY = -1;
        for (int day = 1; day <= 7; ++day) {
            auto *combo = control<QComboBox>(&form, QStringLiteral("ComboBox%1").arg(day));
            QCOMPARE(combo->count(), 16);
            QCOMPARE(combo->currentIndex(), 0);
            // Sunday on top, Saturday at the bottom.
            QVERIFY(combo->y() > previousY);
            previousY = combo->y();
        }
    }

    void weekPlanCloseDropsChange()
    {
        TForm4 form(*m_model);
        form.openDialog();
        control<QListWidget>(&form, QStringLiteral("ListBox1"))->setCurrentRow(4);
        choose(control<QComboBox>(&form, QStringLiteral("ComboBox2")), 7);
        QCOMPARE(Weeksplans::dayPlan(form.dialogCopy(), 4, 1), 7);
        control<QPushButton>(&form, QStringLiteral("Button4"))->click();
        QVERIFY(!form.isVisible());
        QVERIFY(!m_model->modified());
        form.openDialog();
        QCOMPARE(control<QListWidget>(&form, QStringLiteral("ListBox1"))->currentRow(), 4);
        QCOMPARE(control<QComboBox>(&form, QStringLiteral("ComboBox2"))->currentIndex(), 0);
    }

    void weekPlanStoreHidesAndWrites()
    {
        TForm4 form(*m_model);
        form.openDialog();
        control<QListWidget>(&form, QStringLiteral("ListBox1"))->setCurrentRow(15);
        choose(control<QComboBox>(&form, QStringLiteral("ComboBox1")), 3);  // Sunday
        choose(control<QComboBox>(&form, QStringLiteral("ComboBox7")), 15); // Saturday
        control<QListWidget>(&form, QStringLiteral("ListBox1"))->setCurrentRow(0);
        QCOMPARE(control<QComboBox>(&form, QStringLiteral("ComboBox1"))->currentIndex(), 0);
        control<QPushButton>(&form, QStringLiteral("Button3"))->click();
        QVERIFY(!form.isVisible());
        QVERIFY(m_model->modified());
        const auto &p = m_model->project();
        QCOMPARE(int(p[ProjectLayout::WeekPlans + 7 * 15]), 3);
        QCOMPARE(int(p[ProjectLayout::WeekPlans + 7 * 15 + 6]), 15);
        QCOMPARE(int(p[ProjectLayout::YearPlan]), 0);
    }

    void weekPlanFromFileAboveSixteen()
    {
        m_model->project()[weekPlanDayOffset(0, 2)] = 40;
        TForm4 form(*m_model);
        form.openDialog();
        QCOMPARE(control<QComboBox>(&form, QStringLiteral("ComboBox3"))->currentIndex(), -1);
        control<QPushButton>(&form, QStringLiteral("Button3"))->click();
        QCOMPARE(int(m_model->project()[weekPlanDayOffset(0, 2)]), 40);
    }

    void yearLayout()
    {
        TForm5 form(*m_model);
        form.openDialog();
        QCOMPARE(form.windowTitle(), QStringLiteral("Годовой план"));
        auto *grid = control<QTableWidget>(&form, QStringLiteral("StringGrid1"));
        QCOMPARE(grid->rowCount(), 54);
        QCOMPARE(grid->columnCount(), 2);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("№ недели"));
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Нед. план"));
        QCOMPARE(grid->columnWidth(0), 150);
        QCOMPARE(grid->columnWidth(1), 100);
        QCOMPARE(grid->rowHeight(0), 25);
        QCOMPARE(grid->item(53, 0)->text(), QStringLiteral("54"));
        QVERIFY(!(grid->item(0, 0)->flags() & Qt::ItemIsEditable));
        QCOMPARE(weekCell(form, 0), QStringLiteral("1"));
        QCOMPARE(control<QComboBox>(&form, QStringLiteral("ComboBox1"))->currentText(),
                 QStringLiteral("1"));
        QCOMPARE(control<QComboBox>(&form, QStringLiteral("ComboBox2"))->currentText(),
                 QStringLiteral("6"));
        QCOMPARE(control<QComboBox>(&form, QStringLiteral("ComboBox3"))->currentText(),
                 QStringLiteral("1"));
        QCOMPARE(control<QPushButton>(&form, QStringLiteral("Button3"))->text(),
                 QStringLiteral("УСТАНОВИТЬ"));
    }

    void yearRangeTypingCloseReopen()
    {
        TForm5 form(*m_model);
        form.openDialog();
        control<QComboBox>(&form, QStringLiteral("ComboBox1"))->setCurrentIndex(9);
        control<QComboBox>(&form, QStringLiteral("ComboBox2"))->setCurrentIndex(2);
        control<QComboBox>(&form, QStringLiteral("ComboBox3"))->setCurrentIndex(1);
        control<QPushButton>(&form, QStringLiteral("Button3"))->click();
        for (int week = 0; week < YearWeeks; ++week)
            QCOMPARE(weekCell(form, week),
                     week >= 2 && week <= 9 ? QStringLiteral("2") : QStringLiteral("1"));

        typeIntoCell(form, 5, QStringLiteral("17"), 6);
        QCOMPARE(weekCell(form, 5), QStringLiteral("2"));
        typeIntoCell(form, 20, QStringLiteral("abc"), 21);
        QCOMPARE(weekCell(form, 20), QStringLiteral("1"));
        typeIntoCell(form, 30, QStringLiteral("12"), 31);
        QCOMPARE(weekCell(form, 30), QStringLiteral("12"));
        QCOMPARE(Year::weekPlan(form.dialogCopy(), 30), 11);

        control<QPushButton>(&form, QStringLiteral("Button1"))->click();
        QVERIFY(form.isVisible());
        QVERIFY(m_model->modified());
        QCOMPARE(Year::weekPlan(m_model->project(), 3), 1);
        QCOMPARE(Year::weekPlan(m_model->project(), 30), 11);
        QCOMPARE(Year::weekPlan(m_model->project(), 10), 0);

        // Unstored changes are gone after reopening; the stored ones stay.
        control<QComboBox>(&form, QStringLiteral("ComboBox1"))->setCurrentIndex(40);
        control<QComboBox>(&form, QStringLiteral("ComboBox2"))->setCurrentIndex(41);
        control<QPushButton>(&form, QStringLiteral("Button3"))->click();
        QCOMPARE(weekCell(form, 40), QStringLiteral("2"));
        control<QPushButton>(&form, QStringLiteral("Button2"))->click();
        QVERIFY(!form.isVisible());
        form.openDialog();
        QCOMPARE(weekCell(form, 40), QStringLiteral("1"));
        QCOMPARE(weekCell(form, 3), QStringLiteral("2"));
        QCOMPARE(weekCell(form, 30), QStringLiteral("12"));
    }

    void yearEnterSetsNoRange()
    {
        TForm5 form(*m_model);
        form.openDialog();
        control<QComboBox>(&form, QStringLiteral("ComboBox3"))->setCurrentIndex(1);
        auto *grid = control<QTableWidget>(&form, QStringLiteral("StringGrid1"));
        grid->setCurrentCell(2, 1);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(weekCell(form, 2), QStringLiteral("1"));
        QCOMPARE(Year::weekPlan(form.dialogCopy(), 2), 0);
    }

    void yearStoreTakesTypedText()
    {
        TForm5 form(*m_model);
        form.openDialog();
        auto *grid = control<QTableWidget>(&form, QStringLiteral("StringGrid1"));
        // Text set without an editor, as a paste would: taken by "Сохранить".
        const QSignalBlocker quiet(grid);
        grid->item(7, 1)->setText(QStringLiteral("9"));
        grid->item(8, 1)->setText(QStringLiteral("0"));
        control<QPushButton>(&form, QStringLiteral("Button1"))->click();
        QCOMPARE(Year::weekPlan(m_model->project(), 7), 8);
        QCOMPARE(Year::weekPlan(m_model->project(), 8), 0);
        QCOMPARE(weekCell(form, 8), QStringLiteral("1"));
    }

    void openedFromMainWindow()
    {
        TForm1 main;
        createWindows(main);
        auto *week = main.findChild<TForm4 *>();
        auto *year = main.findChild<TForm5 *>();
        QVERIFY(week && year);
        main.findChild<QAction *>(QStringLiteral("N6"))->trigger();
        main.findChild<QAction *>(QStringLiteral("N7"))->trigger();
        QVERIFY(week->isVisible());
        QVERIFY(year->isVisible());
        main.findChild<QToolButton *>(QStringLiteral("BitBtn9"))->click();
        QVERIFY(week->isVisible());
        QVERIFY(!year->isVisible());
    }
};

QTEST_MAIN(TestWeekYearForms)
#include "tst_weekyeardialogs.moc"
