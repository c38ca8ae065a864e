#include "programs/PhaseEditPanel.h"

#include "ui/Controls.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QComboBox *callSelector(QWidget *parent, const char *name)
{
    auto *combo = named(new QComboBox(parent), name);
    combo->addItems({QStringLiteral("НЕТ"), QStringLiteral("ЗАПРОС")});
    return combo;
}

} // namespace

PhaseEditPanel::PhaseEditPanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("PanelEdit"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    setCursor(Qt::SizeAllCursor);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->setCursor(Qt::ArrowCursor);

    auto *main = new QWidget(m_pages);
    auto *mainForm = new QFormLayout(main);
    auto *numbers = new QHBoxLayout;
    m_phaseNumber = readOut(main, "PanelFazaNum", 40);
    m_directionNumber = readOut(main, "PanelNaprNum", 40);
    numbers->addWidget(new QLabel(QStringLiteral("Фаза"), main));
    numbers->addWidget(m_phaseNumber);
    numbers->addWidget(new QLabel(QStringLiteral("Напр."), main));
    numbers->addWidget(m_directionNumber);
    mainForm->addRow(numbers);
    m_template = named(new QComboBox(main), "ComboBoxNumFaza");
    addNumbers(m_template, MaxTemplates);
    m_template->setCurrentIndex(0);
    mainForm->addRow(QStringLiteral("Шаблон ФАЗЫ"), m_template);
    m_mainTime = named(new QLineEdit(main), "Edit1");
    mainForm->addRow(QStringLiteral("Основное время Тосн, с"), m_mainTime);
    m_type = named(new QComboBox(main), "ComboBox1");
    for (int t = 0; t < PhaseTypes; ++t)
        m_type->addItem(Progutil::phaseTypeName(t));
    mainForm->addRow(QStringLiteral("Тип фазы"), m_type);
    m_minTime = named(new QLineEdit(main), "Edit4");
    mainForm->addRow(QStringLiteral("Минимальное время Тмин, с"), m_minTime);
    m_pages->addTab(main, QStringLiteral("ОСНОВНЫЕ"));

    auto *intermediate = new QWidget(m_pages);
    auto *interForm = new QFormLayout(intermediate);
    m_earlyGreen = named(new QLineEdit(intermediate), "Edit2");
    m_extension = named(new QLineEdit(intermediate), "Edit3");
    m_extraRed = named(new QLineEdit(intermediate), "Edit6");
    interForm->addRow(QStringLiteral("Зеленый доп. 1"), m_earlyGreen);
    interForm->addRow(QStringLiteral("Зеленый доп. 2"), m_extension);
    interForm->addRow(QStringLiteral("Красный доп."), m_extraRed);
    m_pages->addTab(intermediate, QStringLiteral("ПРОМ"));

    auto *pedestrian = new QWidget(m_pages);
    auto *pedLayout = new QVBoxLayout(pedestrian);
    m_calls = named(new QWidget(pedestrian), "Panel7");
    auto *callForm = new QFormLayout(m_calls);
    m_call1 = callSelector(m_calls, "ComboBox4");
    m_call2 = callSelector(m_calls, "ComboBox5");
    callForm->addRow(QStringLiteral("№ ТВП 1"), m_call1);
    callForm->addRow(QStringLiteral("№ ТВП 2"), m_call2);
    pedLayout->addWidget(m_calls);
    pedLayout->addStretch();
    m_pages->addTab(pedestrian, QStringLiteral("ТВП"));

    m_ok = named(new QPushButton(this), "Button2");
    m_ok->setText(QStringLiteral("OK"));
    m_cancel = named(new QPushButton(this), "Button3");
    m_cancel->setText(QStringLiteral("Отмена"));
    m_ok->setCursor(Qt::ArrowCursor);
    m_cancel->setCursor(Qt::ArrowCursor);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_type, &QComboBox::currentIndexChanged, this, &PhaseEditPanel::ComboBox1Change);
    adjustSize();
    hide();
}

void PhaseEditPanel::fill(int phase, int direction, const Progutil::PhaseValues &values,
                          bool typeSelectable, bool additionsEditable)
{
    m_phase = phase;
    m_direction = direction;
    m_phaseNumber->setText(QString::number(phase + 1));
    m_directionNumber->setText(QString::number(direction + 1));
    m_template->setCurrentIndex(values.templateIndex < MaxTemplates ? values.templateIndex : -1);
    m_mainTime->setText(QString::number(values.mainTime));
    m_type->setCurrentIndex(values.type < PhaseTypes ? values.type : -1);
    m_minTime->setText(QString::number(values.minTime));
    m_earlyGreen->setText(QString::number(values.earlyGreen));
    m_extension->setText(QString::number(values.greenExtension));
    m_extraRed->setText(QString::number(values.extraRed));
    m_call1->setCurrentIndex(values.call1 < PedestrianCallChoices ? values.call1 : -1);
    m_call2->setCurrentIndex(values.call2 < PedestrianCallChoices ? values.call2 : -1);
    m_type->setEnabled(typeSelectable);
    m_earlyGreen->setEnabled(additionsEditable);
    m_extension->setEnabled(additionsEditable);
    m_extraRed->setEnabled(additionsEditable);
    ComboBox1Change(m_type->currentIndex());
}

void PhaseEditPanel::ComboBox1Change(int index)
{
    // Pedestrian calls only mean something to a phase the controller may extend or skip.
    m_calls->setVisible(index != 0);
}

Progutil::PhaseEditInput PhaseEditPanel::input() const
{
    Progutil::PhaseEditInput in;
    in.mainTime = m_mainTime->text();
    // A disabled field was not offered for editing; it keeps its stored value.
    if (m_earlyGreen->isEnabled()) {
        in.earlyGreen = m_earlyGreen->text();
        in.greenExtension = m_extension->text();
        in.extraRed = m_extraRed->text();
    }
    in.minTime = m_minTime->text();
    in.type = m_type->currentIndex();
    in.templateIndex = m_template->currentIndex();
    in.call1 = m_call1->currentIndex();
    in.call2 = m_call2->currentIndex();
    return in;
}

void PhaseEditPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QFrame::mousePressEvent(event);
    m_dragging = true;
    m_dragStart = event->position().toPoint();
}

void PhaseEditPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return QFrame::mouseMoveEvent(event);
    // The panel moves under the mouse, so the position inside it stays where dragging began.
    move(pos() + event->position().toPoint() - m_dragStart);
}

void PhaseEditPanel::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QFrame::mouseReleaseEvent(event);
}
