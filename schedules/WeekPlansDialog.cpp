// Window "Недельные планы".
#include "schedules/WeekPlansDialog.h"

#include "schedules/WeekPlans.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TForm4::TForm4(RingModel &model, QWidget *parent) : QDialog(parent), m_copy(model)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Недельные планы"));

    auto *listColumn = new QVBoxLayout;
    auto *listHeader = new QLabel(QStringLiteral("Список"), this);
    listHeader->setFrameShape(QFrame::Panel);
    listHeader->setFrameShadow(QFrame::Raised);
    listHeader->setAlignment(Qt::AlignCenter);
    listColumn->addWidget(listHeader);
    m_plans = new QListWidget(this);
    m_plans->setObjectName(QStringLiteral("ListBox1"));
    for (int w = 1; w <= MaxWeekPlans; ++w)
        m_plans->addItem(QString::number(w));
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
        for (int n = 1; n <= MaxDayPlans; ++n)
            combo->addItem(QString::number(n));
        rows->addWidget(combo, day, 1);
        connect(combo, &QComboBox::activated, this,
                [this, day](int index) { DayComboChange(day, index); });
        m_days[day] = combo;
    }
    daysColumn->addLayout(rows);
    daysColumn->addStretch();
    auto *buttons = new QHBoxLayout;
    auto *store = new QPushButton(QStringLiteral("Сохранить"), this);
    store->setObjectName(QStringLiteral("Button3"));
    connect(store, &QPushButton::clicked, this, &TForm4::Button3Click);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("Button4"));
    connect(close, &QPushButton::clicked, this, &TForm4::Button4Click);
    buttons->addWidget(store);
    buttons->addWidget(close);
    daysColumn->addLayout(buttons);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(listColumn);
    layout->addLayout(daysColumn);

    // No button answers Enter unless focused: Enter typed into a time, a cell or a field must not
    // add an entry, set a range or store behind the user's back.
    for (auto *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    connect(&m_copy, &DialogCopy::retaken, this, &TForm4::loadSelectors);
    loadSelectors();
}

void TForm4::openDialog()
{
    m_copy.take();
    loadSelectors();
    show();
    raise();
    activateWindow();
}

void TForm4::loadSelectors()
{
    {
        const QSignalBlocker blockList(m_plans);
        m_plans->setCurrentRow(m_plan);
    }
    for (int day = 0; day < WeekDays; ++day) {
        const QSignalBlocker blockDay(m_days[day]);
        // A value above 16 read from a file shows as no selection and is kept until changed.
        const int dayPlan = Weeksplans::dayPlan(m_copy.block(), m_plan, day);
        m_days[day]->setCurrentIndex(dayPlan < MaxDayPlans ? dayPlan : -1);
    }
}

void TForm4::ListBox1Click(int row)
{
    if (row < 0)
        return;
    m_plan = clampIndex(row, MaxWeekPlans);
    loadSelectors();
}

void TForm4::DayComboChange(int day, int index)
{
    if (index < 0)
        return;
    Weeksplans::setDayPlan(m_copy.block(), m_plan, day, index);
}

void TForm4::Button3Click()
{
    hide();
    m_copy.store(ProjectLayout::WeekPlans, Weeksplans::TableSize);
}

void TForm4::Button4Click()
{
    hide();
}
