// Window "Недельные планы".
#include "schedules/WeekPlansDialog.h"

#include "schedules/WeekPlans.h"
#include "ui/Controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

TForm4::TForm4(RingModel &model, QWidget *parent)
    : EditorDialog(model, "Form4", QStringLiteral("Недельные планы"), parent)
{
    auto *listColumn = new QVBoxLayout;
    listColumn->addWidget(columnHeading(QStringLiteral("Список"), this));
    m_plans = named(new QListWidget(this), "ListBox1");
    addNumbers(m_plans, MaxWeekPlans);
    m_plans->setFixedWidth(80);
    listColumn->addWidget(m_plans);
    connect(m_plans, &QListWidget::currentRowChanged, this, &TForm4::ListBox1Click);

    auto *daysColumn = new QVBoxLayout;
    auto *heading = new QLabel(QStringLiteral("Привязка суточных планов\nк дням недели"), this);
    heading->setAlignment(Qt::AlignCenter);
    daysColumn->addWidget(heading);
    auto *rows = new QGridLayout;
    // Sunday comes first, as in the record and in the controller's week.
    for (int day = 0; day < WeekDays; ++day) {
        rows->addWidget(new QLabel(Weeksplans::dayName(day), this), day, 0);
        auto *combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("ComboBox%1").arg(day + 1));
        addNumbers(combo, MaxDayPlans);
        rows->addWidget(combo, day, 1);
        connect(combo, &QComboBox::activated, this,
                [this, day](int index) { dayComboChange(day, index); });
        m_days[day] = combo;
    }
    daysColumn->addLayout(rows);
    daysColumn->addStretch();
    auto *buttons = new QHBoxLayout;
    addSaveClose(buttons, "Button3", &TForm4::Button3Click, "Button4", &TForm4::Button4Click);
    daysColumn->addLayout(buttons);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(listColumn);
    layout->addLayout(daysColumn);
    refill();
}

void TForm4::refill()
{
    {
        const QSignalBlocker blockList(m_plans);
        m_plans->setCurrentRow(m_plan);
    }
    for (int day = 0; day < WeekDays; ++day) {
        const QSignalBlocker blockDay(m_days[day]);
        // A value above 16 read from a file shows as no selection and is kept until changed.
        const int dayPlan = Weeksplans::dayPlan(copy(), m_plan, day);
        m_days[day]->setCurrentIndex(dayPlan < MaxDayPlans ? dayPlan : -1);
    }
}

void TForm4::showDay(int plan, int day)
{
    ListBox1Click(clampIndex(plan, MaxWeekPlans));
    m_days[std::size_t(clampIndex(day, WeekDays))]->setFocus();
}

void TForm4::ListBox1Click(int row)
{
    if (row < 0)
        return;
    m_plan = clampIndex(row, MaxWeekPlans);
    refill();
}

void TForm4::dayComboChange(int day, int index)
{
    if (index < 0)
        return;
    Weeksplans::setDayPlan(copy(), m_plan, day, index);
}

void TForm4::Button3Click()
{
    hide();
    storeRange(ProjectLayout::WeekPlans, Weeksplans::TableSize);
}

void TForm4::Button4Click()
{
    hide();
}
