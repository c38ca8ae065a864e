// Window "Направления".
#include "config/DirectionsDialog.h"

#include "config/Lamp.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using Napr::Row;

namespace {

bool isSecondRow(Row row)
{
    return row == Row::Red2 || row == Row::Yellow2 || row == Row::Green2 || row == Row::Lower2;
}

} // namespace

TForm13::TForm13(RingModel &model, QWidget *parent)
    : EditorDialog(model, "Form13", QStringLiteral("Направления"), parent)
{
    resize(620, 500);
    auto *layout = new QVBoxLayout(this);

    auto *tools = named(new QToolBar(this), "ToolBar1");
    const auto tool = [tools](const char *name, const QString &text, const QString &hint) {
        auto *button = new QToolButton(tools);
        button->setObjectName(QLatin1String(name));
        button->setText(text);
        button->setToolTip(hint);
        tools->addWidget(button);
        return button;
    };
    connect(tool("ToolButton1", QStringLiteral("+"), QStringLiteral("Добавить направление")),
            &QToolButton::clicked, this, &TForm13::ToolButton1Click);
    connect(tool("ToolButton2", QStringLiteral("-"), QStringLiteral("Удалить последнее")),
            &QToolButton::clicked, this, &TForm13::ToolButton2Click);
    connect(tool("ToolButton3", QStringLiteral("Изменить тип"), QString()), &QToolButton::clicked,
            this, &TForm13::ToolButton3Click);
    layout->addWidget(tools);

    auto *body = new QHBoxLayout;
    m_list = named(new QListWidget(this), "ListBox1");
    m_list->setFixedWidth(190);
    connect(m_list, &QListWidget::currentRowChanged, this, &TForm13::ListBox1Click);
    body->addWidget(m_list);

    auto *panels = new QVBoxLayout;
    m_red = buildPanel("PanelRed", QStringLiteral("Группа  -  Цвет"), &m_redLamp, Row::Red1,
                       Row::Red2, "Red");
    m_yellow = buildPanel("PanelYellow", QStringLiteral("Группа  -  Цвет"), &m_yellowLamp,
                          Row::Yellow1, Row::Yellow2, "Yellow");
    m_green = buildPanel("PanelGreen", QStringLiteral("Группа  -  Цвет"), &m_greenLamp, Row::Green1,
                         Row::Green2, "Green");
    m_lower = buildPanel("PanelLower", QStringLiteral("Нижний сигнал трамвайного светофора"),
                         nullptr, Row::Lower1, Row::Lower2, "Lower");
    m_wait = new QLabel(QStringLiteral("ТВП - ЖДИТЕ"), m_yellow);
    m_wait->setObjectName(QStringLiteral("LabelWait"));
    static_cast<QBoxLayout *>(m_yellow->layout()->itemAt(0)->layout())->insertWidget(1, m_wait);
    // Hidden panels close up, so a direction's panels always sit at the top.
    for (QFrame *panel : {m_red, m_yellow, m_green, m_lower})
        panels->addWidget(panel);
    panels->addStretch(1);
    body->addLayout(panels, 1);
    layout->addLayout(body, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    addSaveClose(buttons, "Button1", &TForm13::Button1Click, "Button2", &TForm13::Button2Click);
    layout->addLayout(buttons);

    m_status = named(panelLabel(QStringLiteral("---"), this, QFrame::Sunken), "StatusBar1");
    layout->addWidget(m_status);

    buildChooser();
    refill();
}

QFrame *TForm13::buildPanel(const char *name, const QString &title, Lamp **lamp, Row first,
                            Row second, const char *rowName)
{
    auto *panel = named(new QFrame(this), name);
    panel->setFrameShape(QFrame::StyledPanel);
    auto *column = new QVBoxLayout(panel);
    auto *head = new QHBoxLayout;
    if (lamp) {
        *lamp = new Lamp(panel);
        (*lamp)->setObjectName(QStringLiteral("Lamp%1").arg(QLatin1String(rowName)));
        head->addWidget(*lamp);
    }
    head->addWidget(new QLabel(title, panel), 1);
    column->addLayout(head);

    for (const Row row : {first, second}) {
        const QString suffix =
            QLatin1String(rowName) + (isSecondRow(row) ? QStringLiteral("2") : QStringLiteral("1"));
        RowControls controls{row};
        controls.box = new QWidget(panel);
        controls.box->setObjectName(QStringLiteral("Row") + suffix);
        auto *line = new QHBoxLayout(controls.box);
        line->setContentsMargins(0, 0, 0, 0);
        controls.group = new QComboBox(controls.box);
        controls.group->setObjectName(QStringLiteral("ComboBox") + suffix);
        controls.group->addItem(QStringLiteral("НЕТ"));
        addNumbers(controls.group, Napr::MaxGroup);
        controls.colour = new QComboBox(controls.box);
        controls.colour->setObjectName(QStringLiteral("ComboBox") + suffix +
                                       QStringLiteral("Colour"));
        // The red label is a Latin K, as the controller's tools have always shown it.
        controls.colour->addItems({QStringLiteral("K"), QStringLiteral("Ж"), QStringLiteral("З")});
        controls.colour->setEnabled(!isSecondRow(row));
        controls.controlOff = new QCheckBox(QStringLiteral("Выкл. контроль"), controls.box);
        controls.controlOff->setObjectName(QStringLiteral("CheckBox") + suffix);
        line->addWidget(controls.group);
        line->addWidget(controls.colour);
        line->addWidget(controls.controlOff);
        column->addWidget(controls.box);
        m_rows.push_back(controls);
        connect(controls.group, &QComboBox::activated, this,
                [this, row](int index) { groupChanged(row, index); });
        connect(controls.colour, &QComboBox::activated, this,
                [this, row](int index) { colourChanged(row, index); });
        // clicked, not toggled: a refresh setting the box is no change of the user's.
        connect(controls.controlOff, &QCheckBox::clicked, this,
                [this, row](bool checked) { controlOffChanged(row, checked); });
    }
    return panel;
}

void TForm13::buildChooser()
{
    m_chooser = named(new QFrame(this), "PanelType");
    m_chooser->setFrameShape(QFrame::Panel);
    m_chooser->setFrameShadow(QFrame::Raised);
    m_chooser->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(m_chooser);
    layout->addWidget(new QLabel(QStringLiteral("Тип направления"), m_chooser));
    m_types = new QListWidget(m_chooser);
    m_types->setObjectName(QStringLiteral("ListBoxTypes"));
    for (int t = 0; t < Napr::TypeCount; ++t)
        m_types->addItem(Napr::typeName(t));
    layout->addWidget(m_types);
    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("OK"), m_chooser);
    ok->setObjectName(QStringLiteral("ButtonTypeOk"));
    connect(ok, &QPushButton::clicked, this, &TForm13::ButtonTypeOkClick);
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), m_chooser);
    cancel->setObjectName(QStringLiteral("ButtonTypeCancel"));
    connect(cancel, &QPushButton::clicked, this, &TForm13::ButtonTypeCancelClick);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    m_chooser->setGeometry(220, 60, 200, 240);
    m_chooser->hide();
}

void TForm13::setControllerStatus(std::function<void(const QString &)> sink)
{
    m_controllerStatus = std::move(sink);
}

Napr::BindingPlace TForm13::place(Row row) const
{
    return Napr::bindingPlace(row, m_selected, m_tramSignal);
}

void TForm13::refill()
{
    const ProjectBlock &block = copy();
    const int count = std::max(Napr::directionCount(block), 1);
    // A direction removed, or one a ring with fewer directions lacks: the last one stands in.
    m_selected = std::clamp(m_selected, 0, count - 1);
    const int tramNumber = Napr::tramSignalNumber(block, m_selected);
    if (tramNumber > 0)
        m_tramSignal = std::min(tramNumber, TramSignals) - 1;

    {
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        for (int d = 0; d < Napr::directionCount(block); ++d)
            m_list->addItem(Napr::directionListText(block, d));
        m_list->setCurrentRow(m_selected);
    }

    for (const RowControls &row : m_rows) {
        const Napr::BindingPlace at = place(row.row);
        const int group = block[at.group];
        const int colour = block[at.colour];
        // Values no dialog writes (from a file or the controller) show as an empty box.
        row.group->setCurrentIndex(group <= Napr::MaxGroup ? group : -1);
        // Second rows are green channels whatever a downloaded block holds.
        if (isSecondRow(row.row))
            row.colour->setCurrentIndex(LampColour::Green);
        else
            row.colour->setCurrentIndex(colour < Napr::ColourCount ? colour : -1);
        row.controlOff->setChecked(block[at.controlOff] != 0);
    }
    showPanels(Napr::directionType(block, m_selected));
    // A tram direction numbered past the fourth signal has no record for its lower signal.
    m_lower->setEnabled(tramNumber <= TramSignals);
}

void TForm13::showPanels(int type)
{
    using namespace Napr;
    const bool tram = isTramType(type);
    const bool known = type >= 0 && type < TypeCount;
    m_red->setVisible(
        known && (type == Vehicle || type == Pedestrian || type == Reversible || type == TramLeft));
    m_yellow->setVisible(known && (type == Vehicle || type == Pedestrian || type == Reversible ||
                                   type == TramStraight));
    m_green->setVisible(known && type != TramLeft && type != TramStraight);
    m_lower->setVisible(tram);
    for (const RowControls &row : m_rows)
        if (isSecondRow(row.row) && row.row != Row::Lower2)
            row.box->setVisible(tram);
    m_yellowLamp->setVisible(type != Pedestrian);
    m_wait->setVisible(type == Pedestrian);
    m_redLamp->setColour(tram ? QColor(Qt::white) : QColor(Qt::red));
    m_yellowLamp->setColour(tram ? QColor(Qt::white) : QColor(Qt::yellow));
    m_greenLamp->setColour(tram ? QColor(Qt::white) : QColor(Qt::green));
}

void TForm13::ListBox1Click(int row)
{
    if (row < 0)
        return;
    m_selected = row;
    refill();
}

void TForm13::storeBinding(Row row, int group, int colour)
{
    const Napr::OutputConflict result = Napr::CheckOutputConflict(model(), copy(), group, colour);
    if (result.status)
        m_status->setText(*result.status);
    if (!result.conflict) {
        const Napr::BindingPlace at = place(row);
        copy()[at.group] = static_cast<std::uint8_t>(group);
        copy()[at.colour] = static_cast<std::uint8_t>(colour);
    }
    refill(); // after a refusal the boxes show the stored value again
}

void TForm13::groupChanged(Row row, int group)
{
    // The colour shown in the row goes with the chosen group.
    storeBinding(row, group, isSecondRow(row) ? LampColour::Green : copy()[place(row).colour]);
}

void TForm13::colourChanged(Row row, int colour)
{
    storeBinding(row, copy()[place(row).group], colour);
}

void TForm13::controlOffChanged(Row row, bool checked)
{
    copy()[place(row).controlOff] = checked ? 1 : 0;
    refill();
}

void TForm13::reportTramLimit()
{
    // Shown where the user is looking too, not only in the controller window.
    m_status->setText(Napr::TramLimitText);
    if (m_controllerStatus)
        m_controllerStatus(Napr::TramLimitText);
}

void TForm13::ToolButton1Click()
{
    m_mode = ChooserMode::Add;
    m_types->setCurrentRow(0);
    m_chooser->show();
    m_chooser->raise();
}

void TForm13::ToolButton3Click()
{
    m_mode = ChooserMode::Change;
    const int type = Napr::directionType(copy(), m_selected);
    m_types->setCurrentRow(type < Napr::TypeCount ? type : 0);
    m_chooser->show();
    m_chooser->raise();
}

void TForm13::ButtonTypeOkClick()
{
    const int type = std::max(m_types->currentRow(), 0);
    if (m_mode == ChooserMode::Add) {
        if (Napr::addDirection(copy(), type) == Napr::AddResult::TramLimit)
            reportTramLimit();
    } else if (!Napr::changeDirectionType(copy(), m_selected, type)) {
        reportTramLimit();
    }
    m_chooser->hide();
    refill();
}

void TForm13::ButtonTypeCancelClick()
{
    m_chooser->hide();
}

void TForm13::ToolButton2Click()
{
    (void)Napr::removeDirection(copy());
    refill();
}

void TForm13::Button1Click()
{
    // The count byte and every direction and tram signal record, in one run.
    storeRange(ProjectLayout::DirectionCount,
               ProjectLayout::ReservedByte - ProjectLayout::DirectionCount);
}

void TForm13::Button2Click()
{
    hide();
}
