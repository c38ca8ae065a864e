// Window "Годовой план".
#include "schedules/YearPlanDialog.h"

#include "schedules/YearPlan.h"

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

TForm5::TForm5(RingModel &model, QWidget *parent) : QDialog(parent), m_copy(model)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Годовой план"));

    m_grid = new QTableWidget(YearWeeks, 2, this);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
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
        auto *combo = new QComboBox(this);
        combo->setObjectName(QLatin1String(name));
        for (int week = 1; week <= YearWeeks; ++week)
            combo->addItem(QString::number(week));
        combo->setCurrentIndex(initial);
        return combo;
    };
    m_from = weekCombo("ComboBox1", 0);
    m_to = weekCombo("ComboBox2", 5);
    m_plan = new QComboBox(this);
    m_plan->setObjectName(QStringLiteral("ComboBox3"));
    for (int w = 1; w <= MaxWeekPlans; ++w)
        m_plan->addItem(QString::number(w));
    m_plan->setCurrentIndex(0);

    auto *range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("С"), this));
    range->addWidget(m_from);
    range->addWidget(new QLabel(QStringLiteral("по"), this));
    range->addWidget(m_to);
    range->addWidget(m_plan);
    auto *set = new QPushButton(QStringLiteral("УСТАНОВИТЬ"), this);
    set->setObjectName(QStringLiteral("Button3"));
    connect(set, &QPushButton::clicked, this, &TForm5::Button3Click);

    auto *buttons = new QHBoxLayout;
    auto *store = new QPushButton(QStringLiteral("Сохранить"), this);
    store->setObjectName(QStringLiteral("Button1"));
    connect(store, &QPushButton::clicked, this, &TForm5::Button1Click);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("Button2"));
    connect(close, &QPushButton::clicked, this, &TForm5::Button2Click);
    buttons->addWidget(store);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(range);
    layout->addWidget(set);
    layout->addLayout(buttons);
    resize(320, 560);

    // No button answers Enter unless focused: Enter typed into a time, a cell or a field must not
    // add an entry, set a range or store behind the user's back.
    for (auto *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    connect(&m_copy, &DialogCopy::retaken, this, &TForm5::redrawGrid);
    redrawGrid();
}

void TForm5::openDialog()
{
    m_copy.take();
    redrawGrid();
    show();
    raise();
    activateWindow();
}

void TForm5::takeGrid()
{
    for (int week = 0; week < YearWeeks; ++week) {
        if (const auto *item = m_grid->item(week, 1))
            Year::takeCellText(m_copy.block(), week, item->text());
    }
}

void TForm5::redrawGrid()
{
    const QSignalBlocker blockGrid(m_grid);
    for (int week = 0; week < YearWeeks; ++week)
        m_grid->item(week, 1)->setText(Year::cellText(m_copy.block(), week));
}

void TForm5::StringGrid1SelectCell()
{
    takeGrid();
    redrawGrid();
}

void TForm5::StringGrid1SetEditText(int row, int column)
{
    // A number typed and committed counts at once, so leaving the grid for a button loses
    // nothing; text that is no week plan number stays visible until the next selection.
    if (column == 1 && row >= 0 && row < YearWeeks)
        Year::takeCellText(m_copy.block(), row, m_grid->item(row, 1)->text());
}

void TForm5::Button3Click()
{
    Year::setRange(m_copy.block(), m_from->currentIndex(), m_to->currentIndex(),
                   m_plan->currentIndex());
    redrawGrid();
}

void TForm5::Button1Click()
{
    takeGrid();
    redrawGrid();
    m_copy.store(ProjectLayout::YearPlan, YearWeeks);
}

void TForm5::Button2Click()
{
    hide();
}
