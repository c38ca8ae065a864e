// Window "Годовой план".
#include "schedules/YearPlanDialog.h"

#include "schedules/YearPlan.h"
#include "ui/Controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int RowHeight = 25;
}

TForm5::TForm5(RingModel &model, QWidget *parent)
    : EditorDialog(model, "Form5", QStringLiteral("Годовой план"), parent)
{
    m_grid = named(new QTableWidget(YearWeeks, 2, this), "StringGrid1");
    m_grid->setHorizontalHeaderLabels({QStringLiteral("№ недели"), QStringLiteral("Нед. план")});
    m_grid->verticalHeader()->hide();
    m_grid->setColumnWidth(0, 150);
    m_grid->setColumnWidth(1, 100);
    m_grid->horizontalHeader()->setFixedHeight(RowHeight);
    m_grid->verticalHeader()->setMinimumSectionSize(RowHeight);
    m_grid->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_grid->setMinimumWidth(150 + 100 + 24);
    for (int week = 0; week < YearWeeks; ++week) {
        auto *number = new QTableWidgetItem(QString::number(week + 1));
        // The week number column is fixed: not editable, greyed like a header.
        number->setFlags(Qt::ItemIsEnabled);
        number->setBackground(palette().button());
        m_grid->setItem(week, 0, number);
        m_grid->setItem(week, 1, new QTableWidgetItem);
    }
    connect(m_grid, &QTableWidget::currentCellChanged, this, &TForm5::StringGrid1SelectCell);
    connect(m_grid, &QTableWidget::cellChanged, this, &TForm5::StringGrid1SetEditText);

    const auto weekCombo = [this](const char *name, int initial) {
        auto *combo = named(new QComboBox(this), name);
        addNumbers(combo, YearWeeks);
        combo->setCurrentIndex(initial);
        return combo;
    };
    m_from = weekCombo("ComboBox1", 0);
    m_to = weekCombo("ComboBox2", 5);
    m_plan = named(new QComboBox(this), "ComboBox3");
    addNumbers(m_plan, MaxWeekPlans);
    m_plan->setCurrentIndex(0);

    auto *range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("С"), this));
    range->addWidget(m_from);
    range->addWidget(new QLabel(QStringLiteral("по"), this));
    range->addWidget(m_to);
    range->addWidget(m_plan);
    auto *set = named(new QPushButton(QStringLiteral("УСТАНОВИТЬ"), this), "Button3");
    connect(set, &QPushButton::clicked, this, &TForm5::Button3Click);

    auto *buttons = new QHBoxLayout;
    addSaveClose(buttons, "Button1", &TForm5::Button1Click, "Button2", &TForm5::Button2Click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(range);
    layout->addWidget(set);
    layout->addLayout(buttons);
    resize(320, 560);
    refill();
}

void TForm5::takeGrid()
{
    for (int week = 0; week < YearWeeks; ++week) {
        if (const auto *item = m_grid->item(week, 1))
            Year::takeCellText(copy(), week, item->text());
    }
}

void TForm5::refill()
{
    const QSignalBlocker blockGrid(m_grid);
    for (int week = 0; week < YearWeeks; ++week)
        m_grid->item(week, 1)->setText(Year::cellText(copy(), week));
}

void TForm5::showWeek(int week)
{
    const int row = clampIndex(week, YearWeeks);
    m_grid->setCurrentCell(row, 1);
    m_grid->scrollToItem(m_grid->item(row, 1));
}

void TForm5::StringGrid1SelectCell()
{
    takeGrid();
    refill();
}

void TForm5::StringGrid1SetEditText(int row, int column)
{
    // A number typed and committed counts at once, so leaving the grid for a button loses
    // nothing; text that is no week plan number stays visible until the next selection.
    if (column == 1 && row >= 0 && row < YearWeeks)
        Year::takeCellText(copy(), row, m_grid->item(row, 1)->text());
}

void TForm5::Button3Click()
{
    Year::setRange(copy(), m_from->currentIndex(), m_to->currentIndex(), m_plan->currentIndex());
    refill();
}

void TForm5::Button1Click()
{
    takeGrid();
    refill();
    storeRange(ProjectLayout::YearPlan, YearWeeks);
}

void TForm5::Button2Click()
{
    hide();
}
