// Window "Дневные планы".
#include "schedules/DayPlansDialog.h"

#include "ui/Controls.h"
#include "ui/Prompts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTime>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QTime pickerTime(std::uint32_t seconds)
{
    // The picker holds one day; a time read from a file beyond it shows as the day's end.
    return QTime(0, 0).addSecs(static_cast<int>(std::min(seconds, Dayplans::LastSecond)));
}

} // namespace

TForm3::TForm3(RingModel &model, QWidget *parent)
    : EditorDialog(model, "Form3", QStringLiteral("Дневные планы"), parent)
{
    buildControls();
    refill();
}

void TForm3::buildControls()
{
    auto *plansColumn = new QVBoxLayout;
    plansColumn->addWidget(columnHeading(QStringLiteral("Список планов"), this));
    m_plans = named(new QListWidget(this), "ListBox1");
    addNumbers(m_plans, MaxDayPlans);
    m_plans->setFixedWidth(90);
    plansColumn->addWidget(m_plans);
    connect(m_plans, &QListWidget::currentRowChanged, this, &TForm3::ListBox1Click);

    auto *gridColumn = new QVBoxLayout;
    m_grid = named(new QTableWidget(this), "StringGrid1");
    m_grid->setColumnCount(3);
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral(" №"), QStringLiteral(" Программа"), QStringLiteral(" Время начала")});
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->setColumnWidth(0, 120);
    m_grid->setColumnWidth(1, 120);
    m_grid->setColumnWidth(2, 190);
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setMinimumWidth(120 + 120 + 190 + 24);
    gridColumn->addWidget(m_grid);
    connect(m_grid, &QTableWidget::currentCellChanged, this,
            [this](int row) { StringGrid1SelectCell(row); });
    auto *slotButtons = new QHBoxLayout;
    auto *add = named(new QPushButton(QStringLiteral("+"), this), "Button1");
    add->setToolTip(QStringLiteral("Добавить слот"));
    connect(add, &QPushButton::clicked, this, &TForm3::Button1Click);
    auto *remove = named(new QPushButton(QStringLiteral("-"), this), "Button2");
    remove->setToolTip(QStringLiteral("Удалить последний временной слот"));
    connect(remove, &QPushButton::clicked, this, &TForm3::Button2Click);
    slotButtons->addWidget(add);
    slotButtons->addWidget(remove);
    slotButtons->addStretch();
    gridColumn->addLayout(slotButtons);

    auto *editors = new QVBoxLayout;
    editors->addWidget(columnHeading(QStringLiteral("Программы"), this));
    m_programs = named(new QComboBox(this), "ComboBox2");
    m_programs->setToolTip(QStringLiteral("Выбор пhограммы"));
    addNumbers(m_programs, MaxPrograms);
    editors->addWidget(m_programs);
    connect(m_programs, &QComboBox::activated, this, &TForm3::ComboBox2Change);

    auto *modes = new QHBoxLayout;
    const auto modeButton = [this, modes](const char *name, const QString &text) {
        auto *button = named(new QToolButton(this), name);
        button->setText(text);
        button->setCheckable(true);
        button->setMinimumWidth(40);
        modes->addWidget(button);
        return button;
    };
    // One group where at most one is down and all may be up: the entry's kind decides, so
    // the buttons are set from it after every click rather than toggled by themselves.
    m_flashing = modeButton("SpeedButton1", QStringLiteral("ЖМ"));
    m_signalsOff = modeButton("SpeedButton2", QStringLiteral("ОС"));
    m_allRed = modeButton("SpeedButton3", QStringLiteral("КК"));
    m_allRed->setVisible(false);
    modes->addStretch();
    connect(m_flashing, &QToolButton::clicked, this, &TForm3::SpeedButton1Click);
    connect(m_signalsOff, &QToolButton::clicked, this, &TForm3::SpeedButton2Click);
    connect(m_allRed, &QToolButton::clicked, this, &TForm3::SpeedButton3Click);
    editors->addLayout(modes);

    m_time = named(new QTimeEdit(this), "DateTimePicker1");
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    editors->addWidget(m_time);
    connect(m_time, &QTimeEdit::timeChanged, this, &TForm3::DateTimePicker1Change);
    editors->addStretch();

    addSaveClose(editors, "Button3", &TForm3::Button3Click, "Button4", &TForm3::Button4Click);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(plansColumn);
    layout->addLayout(gridColumn, 1);
    layout->addLayout(editors);
    resize(780, 480);
}

void TForm3::refill()
{
    const Dayplans::DayPlanView view(copy(), m_plan);
    const int count = view.entryCount();
    // Editors never point past the last entry, where an edit would be invisible.
    m_entry = std::clamp(m_entry, 0, count - 1);
    {
        const QSignalBlocker blockList(m_plans);
        m_plans->setCurrentRow(m_plan);
    }
    {
        const QSignalBlocker blockGrid(m_grid);
        m_grid->setRowCount(count);
        for (int e = 0; e < count; ++e) {
            const QString texts[] = {QString::number(e + 1),
                                     Dayplans::programText(view.kind(e), view.program(e)),
                                     Dayplans::startTimeText(view.start(e))};
            for (int column = 0; column < 3; ++column) {
                auto *item = m_grid->item(e, column);
                if (!item) {
                    item = new QTableWidgetItem;
                    m_grid->setItem(e, column, item);
                }
                item->setText(texts[column]);
            }
        }
        m_grid->setCurrentCell(m_entry, 0);
    }
    loadEditors();
}

void TForm3::loadEditors()
{
    const Dayplans::DayPlanView view(copy(), m_plan);
    const int kind = view.kind(m_entry);
    const QSignalBlocker blockPrograms(m_programs);
    const QSignalBlocker blockTime(m_time);
    // Setting the same time again would move the cursor of a user typing into the picker.
    if (m_time->time() != pickerTime(view.start(m_entry)))
        m_time->setTime(pickerTime(view.start(m_entry)));
    const bool isProgram = kind == static_cast<int>(Dayplans::Kind::Program);
    m_programs->setCurrentIndex(
        isProgram && view.program(m_entry) < MaxPrograms ? view.program(m_entry) : -1);
    m_flashing->setChecked(kind == static_cast<int>(Dayplans::Kind::Flashing));
    m_signalsOff->setChecked(kind == static_cast<int>(Dayplans::Kind::SignalsOff));
    m_allRed->setChecked(kind == static_cast<int>(Dayplans::Kind::AllRed));
}

void TForm3::showEntry(int plan, int entry)
{
    m_plan = clampIndex(plan, MaxDayPlans);
    m_entry = clampIndex(entry, MaxDayPlanEntries);
    refill();
}

void TForm3::ListBox1Click(int row)
{
    if (row < 0)
        return;
    m_plan = clampIndex(row, MaxDayPlans);
    refill();
}

void TForm3::StringGrid1SelectCell(int row)
{
    if (row >= 0)
        m_entry = row;
    loadEditors();
}

void TForm3::Button1Click()
{
    plan().addEntry();
    refill();
}

void TForm3::Button2Click()
{
    plan().removeLastEntry();
    refill();
}

void TForm3::ComboBox2Change(int index)
{
    if (index < 0)
        return;
    plan().setProgram(m_entry, index);
    refill();
}

void TForm3::setKind(Dayplans::Kind kind)
{
    plan().setKind(m_entry, kind);
    refill();
}

void TForm3::SpeedButton1Click()
{
    setKind(Dayplans::Kind::Flashing);
}

void TForm3::SpeedButton2Click()
{
    setKind(Dayplans::Kind::SignalsOff);
}

void TForm3::SpeedButton3Click()
{
    setKind(Dayplans::Kind::AllRed);
}

void TForm3::DateTimePicker1Change()
{
    const QTime time = m_time->time();
    plan().setStart(m_entry, static_cast<std::uint32_t>(time.hour() * 3600 + time.minute() * 60 +
                                                        time.second()));
    refill();
}

void TForm3::Button3Click()
{
    if (Dayplans::allPlansCorrect(copy())) {
        // A count read from a file as 0 or above 32 is stored as the plan was shown.
        Dayplans::normaliseAllCounts(copy());
        storeRange(ProjectLayout::DayPlans, Dayplans::TableSize);
        return;
    }
    const auto answer = Prompts::instance().ask(
        this, QStringLiteral("Ошибка"), QStringLiteral("Некорректное время. Скорректировать?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Critical);
    if (answer == QMessageBox::Ok) {
        Dayplans::correctAllPlans(copy());
        refill();
    }
    model().setModified(true);
}

void TForm3::Button4Click()
{
    hide();
}
