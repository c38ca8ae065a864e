#include "app/MainWindow.h"
#include "app/Windows.h"
#include "model/ByteIO.h"
#include "schedules/DayPlansDialog.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

namespace DL = DayPlanLayout;

namespace {

constexpr std::uint32_t hms(std::uint32_t h, std::uint32_t m, std::uint32_t s)
{
    return h * 3600 + m * 60 + s;
}

// The day plan table of a block, to compare what a store wrote.
std::vector<std::uint8_t> dayPlanTable(const ProjectBlock &block)
{
    return {block.begin() + ProjectLayout::DayPlans, block.begin() + ProjectLayout::WeekPlans};
}

} // namespace

class TestDayplansForm : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<RingModel> m_model;
    std::unique_ptr<TForm3> m_form;

    template <typename T> T *control(const char *name)
    {
        auto *found = m_form->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QTableWidget *grid() { return control<QTableWidget>("StringGrid1"); }
    QString cell(int row, int column) { return grid()->item(row, column)->text(); }
    void click(const char *name) { control<QAbstractButton>(name)->click(); }
    void selectEntry(int e) { grid()->setCurrentCell(e, 0); }
    void setTime(int h, int m, int s) { control<QTimeEdit>("DateTimePicker1")->setTime({h, m, s}); }
    void chooseProgram(int index)
    {
        auto *combo = control<QComboBox>("ComboBox2");
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

private slots:
    void init()
    {
        m_model = std::make_unique<RingModel>();
        m_model->NewProjectDefaults();
        m_model->setModified(false);
        m_form = std::make_unique<TForm3>(*m_model);
    }
    void cleanup()
    {
        m_form.reset();
        m_model.reset();
    }

    void layoutAndTexts()
    {
        m_form->openDialog();
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Дневные планы"));
        QCOMPARE(control<QListWidget>("ListBox1")->count(), 16);
        QCOMPARE(control<QListWidget>("ListBox1")->item(15)->text(), QStringLiteral("16"));
        QCOMPARE(control<QComboBox>("ComboBox2")->count(), 32);
        QCOMPARE(grid()->horizontalHeaderItem(0)->text(), QStringLiteral(" №"));
        QCOMPARE(grid()->horizontalHeaderItem(1)->text(), QStringLiteral(" Программа"));
        QCOMPARE(grid()->horizontalHeaderItem(2)->text(), QStringLiteral(" Время начала"));
        QCOMPARE(grid()->columnWidth(0), 120);
        QCOMPARE(grid()->columnWidth(1), 120);
        QCOMPARE(grid()->columnWidth(2), 190);
        QCOMPARE(control<QPushButton>("Button1")->text(), QStringLiteral("+"));
        QCOMPARE(control<QPushButton>("Button2")->text(), QStringLiteral("-"));
        QCOMPARE(control<QPushButton>("Button3")->text(), QStringLiteral("Сохранить"));
        QCOMPARE(control<QPushButton>("Button4")->text(), QStringLiteral("Закрыть"));
        QCOMPARE(control<QToolButton>("SpeedButton1")->text(), QStringLiteral("ЖМ"));
        QCOMPARE(control<QToolButton>("SpeedButton2")->text(), QStringLiteral("ОС"));
        QVERIFY(control<QToolButton>("SpeedButton3")->isHidden());
        QCOMPARE(control<QTimeEdit>("DateTimePicker1")->displayFormat(),
                 QStringLiteral("HH:mm:ss"));
        // A new project: one entry, program 1 from midnight.
        QCOMPARE(grid()->rowCount(), 1);
        QCOMPARE(cell(0, 0), QStringLiteral("1"));
        QCOMPARE(cell(0, 1), QStringLiteral("1"));
        QCOMPARE(cell(0, 2), QStringLiteral("00:00:00"));
        QCOMPARE(control<QComboBox>("ComboBox2")->currentIndex(), 0);
    }

    void enterInThePickerAddsNoEntry()
    {
        m_form->openDialog();
        QTest::keyClick(control<QTimeEdit>("DateTimePicker1"), Qt::Key_Return);
        QCOMPARE(cell(0, 2), QStringLiteral("00:00:00"));
        QCOMPARE(grid()->rowCount(), 1);
        QVERIFY(m_form->isVisible());
    }

    void correctionThenSecondStore()
    {
        FakePrompts prompts;
        m_form->openDialog();
        click("Button1");
        click("Button1");
        QCOMPARE(grid()->rowCount(), 3);
        selectEntry(0);
        setTime(8, 0, 0);
        selectEntry(1);
        setTime(7, 0, 0);
        selectEntry(2);
        setTime(7, 0, 0);
        const auto before = dayPlanTable(m_model->project());

        prompts.answers = {QMessageBox::Ok};
        click("Button3");
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(prompts.asked[0].text, QStringLiteral("Некорректное время. Скорректировать?"));
        QCOMPARE(prompts.asked[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(cell(0, 2), QStringLiteral("08:00:00"));
        QCOMPARE(cell(1, 2), QStringLiteral("08:00:01"));
        QCOMPARE(cell(2, 2), QStringLiteral("08:00:02"));
        // The correction is shown, not stored, but the project counts as modified.
        QCOMPARE(dayPlanTable(m_model->project()), before);
        QVERIFY(m_model->modified());

        click("Button3");
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        const Dayplans::DayPlanView stored(m_model->project(), 0);
        QCOMPARE(stored.entryCount(), 3);
        QCOMPARE(stored.start(0), hms(8, 0, 0));
        QCOMPARE(stored.start(1), hms(8, 0, 1));
        QCOMPARE(stored.start(2), hms(8, 0, 2));
        QCOMPARE(dayPlanTable(m_model->project()), dayPlanTable(m_form->dialogCopy()));
    }

    void cancelLeavesPlans()
    {
        FakePrompts prompts;
        m_form->openDialog();
        click("Button1");
        selectEntry(1);
        setTime(0, 0, 0);
        const auto copyBefore = dayPlanTable(m_form->dialogCopy());
        const auto ringBefore = dayPlanTable(m_model->project());
        prompts.answers = {QMessageBox::Cancel};
        click("Button3");
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(dayPlanTable(m_form->dialogCopy()), copyBefore);
        QCOMPARE(dayPlanTable(m_model->project()), ringBefore);
        QCOMPARE(cell(1, 2), QStringLiteral("00:00:00"));
        QVERIFY(m_model->modified());
    }

    void plusCarriesSlotBytes()
    {
        auto &p = m_model->project();
        writeU32(p, dayPlanEntryOffset(0, 0) + DL::EntryStart, hms(6, 30, 0));
        p[dayPlanEntryOffset(0, 1) + DL::EntryProgram] = 4;
        p[dayPlanEntryOffset(0, 1) + DL::EntryKind] = 0;
        p[dayPlanEntryOffset(1, 1) + DL::EntryKind] = 2;
        m_form->openDialog();
        click("Button1");
        QCOMPARE(grid()->rowCount(), 2);
        QCOMPARE(cell(1, 1), QStringLiteral("5"));
        QCOMPARE(cell(1, 2), QStringLiteral("07:30:00"));

        control<QListWidget>("ListBox1")->setCurrentRow(1);
        click("Button1");
        QCOMPARE(cell(1, 1), QStringLiteral("ОС"));
        QCOMPARE(cell(1, 2), QStringLiteral("01:00:00"));
    }

    void plusNearMidnight()
    {
        m_form->openDialog();
        setTime(23, 30, 0);
        click("Button1");
        QCOMPARE(grid()->rowCount(), 2);
        QCOMPARE(cell(1, 2), QStringLiteral("23:59:59"));
        click("Button1"); // no later second left
        QCOMPARE(grid()->rowCount(), 2);
        click("Button2");
        click("Button2"); // the last entry stays
        QCOMPARE(grid()->rowCount(), 1);
    }

    void steppingThePicker()
    {
        m_form->openDialog();
        auto *picker = control<QTimeEdit>("DateTimePicker1");
        picker->setCurrentSection(QDateTimeEdit::HourSection);
        QTest::keyClick(picker, Qt::Key_Up);
        QTest::keyClick(picker, Qt::Key_Up);
        picker->setCurrentSection(QDateTimeEdit::SecondSection);
        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(picker->time(), QTime(2, 0, 1));
        QCOMPARE(cell(0, 2), QStringLiteral("02:00:01"));
        QCOMPARE(Dayplans::DayPlanView(m_form->dialogCopy(), 0).start(0), hms(2, 0, 1));
    }

    void modeButtons()
    {
        m_form->openDialog();
        auto *flashing = control<QToolButton>("SpeedButton1");
        auto *signalsOff = control<QToolButton>("SpeedButton2");
        click("SpeedButton1");
        QCOMPARE(cell(0, 1), QStringLiteral("ЖМ"));
        QVERIFY(flashing->isChecked());
        QVERIFY(!signalsOff->isChecked());
        QCOMPARE(control<QComboBox>("ComboBox2")->currentIndex(), -1);
        // A second click on the down button keeps the mode.
        click("SpeedButton1");
        QVERIFY(flashing->isChecked());
        click("SpeedButton2");
        QCOMPARE(cell(0, 1), QStringLiteral("ОС"));
        QVERIFY(!flashing->isChecked());
        QVERIFY(signalsOff->isChecked());
        chooseProgram(6);
        QCOMPARE(cell(0, 1), QStringLiteral("7"));
        QVERIFY(!flashing->isChecked());
        QVERIFY(!signalsOff->isChecked());
        QCOMPARE(control<QComboBox>("ComboBox2")->currentIndex(), 6);
    }

    void storedAllRedIsShownAndKept()
    {
        m_model->project()[dayPlanEntryOffset(0, 0) + DL::EntryKind] = 3;
        m_form->openDialog();
        QCOMPARE(cell(0, 1), QStringLiteral("КК"));
        QVERIFY(control<QToolButton>("SpeedButton3")->isChecked());
        QVERIFY(!control<QToolButton>("SpeedButton1")->isChecked());
        click("Button3");
        QCOMPARE(int(m_model->project()[dayPlanEntryOffset(0, 0) + DL::EntryKind]), 3);
    }

    void closeDropsUnstoredEditsAndRemembersSelection()
    {
        m_form->openDialog();
        control<QListWidget>("ListBox1")->setCurrentRow(3);
        click("Button1");
        selectEntry(1);
        setTime(12, 0, 0);
        click("Button3");
        setTime(13, 0, 0);
        QCOMPARE(cell(1, 2), QStringLiteral("13:00:00"));
        click("Button4");
        QVERIFY(!m_form->isVisible());
        m_form->openDialog();
        QCOMPARE(control<QListWidget>("ListBox1")->currentRow(), 3);
        QCOMPARE(grid()->currentRow(), 1);
        QCOMPARE(cell(1, 2), QStringLiteral("12:00:00"));
        QCOMPARE(control<QTimeEdit>("DateTimePicker1")->time(), QTime(12, 0, 0));
    }

    void countFromFile_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("rows");
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("200") << 200 << 32;
    }
    void countFromFile()
    {
        QFETCH(int, stored);
        QFETCH(int, rows);
        FakePrompts prompts;
        auto &p = m_model->project();
        // The last plan, so entries past the record would be the week plans.
        p[dayPlanOffset(15)] = static_cast<std::uint8_t>(stored);
        for (int e = 0; e < MaxDayPlanEntries; ++e)
            writeU32(p, dayPlanEntryOffset(15, e) + DL::EntryStart, std::uint32_t(e) * 60);
        m_form->openDialog();
        control<QListWidget>("ListBox1")->setCurrentRow(15);
        QCOMPARE(grid()->rowCount(), rows);
        QCOMPARE(cell(rows - 1, 2), Dayplans::startTimeText(std::uint32_t(rows - 1) * 60));
        QCOMPARE(int(m_form->dialogCopy()[dayPlanOffset(15)]), stored);
        click("Button3");
        QVERIFY(prompts.asked.empty());
        QCOMPARE(int(m_model->project()[dayPlanOffset(15)]), rows);
    }

    void storeAfterRingSwitchKeepsRingsApart()
    {
        m_model->setRingCount(2);
        m_form->openDialog();
        setTime(9, 0, 0);
        const auto ringTwo = dayPlanTable(m_model->store(1).project);
        m_model->SwitchRing(1);
        // The editor now shows the new ring; the edit of ring 1 was not stored.
        QCOMPARE(cell(0, 2), QStringLiteral("00:00:00"));
        click("Button3");
        QCOMPARE(dayPlanTable(m_model->project()), ringTwo);
        QCOMPARE(Dayplans::DayPlanView(m_model->store(0).project, 0).start(0), 0u);
    }

    void openedFromMainWindow()
    {
        TForm1 main;
        createWindows(main);
        auto *form = main.findChild<TForm3 *>();
        QVERIFY(form);
        QVERIFY(!form->isVisible());
        main.findChild<QAction *>(QStringLiteral("N5"))->trigger();
        QVERIFY(form->isVisible());
        main.findChild<QToolButton *>(QStringLiteral("BitBtn7"))->click();
        QVERIFY(!form->isVisible());
        main.findChild<QToolButton *>(QStringLiteral("BitBtn8"))->click();
        QVERIFY(form->isVisible());
        main.findChild<QToolButton *>(QStringLiteral("BitBtn9"))->click();
        QVERIFY(!form->isVisible());
    }
};

QTEST_MAIN(TestDayplansForm)
#include "tst_dayplansdialog.moc"
