// Window "ДК", tab "Состояние".
#include "service/StatePage.h"

#include "model/RingModel.h"
#include "service/LampList.h"
#include "service/LiveLamps.h"
#include "ui/Controls.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QLabel *panel(QWidget *parent, const char *name)
{
    auto *label = named(panelLabel(QString(), parent, QFrame::Sunken), name);
    label->setMinimumWidth(120);
    label->setMaximumWidth(260);
    // Text from the wire is shown as it came, never interpreted.
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

StatePage::StatePage(StateMonitor &monitor, RingModel &model, QWidget *parent)
    : QWidget(parent), m_monitor(monitor), m_model(model)
{
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    m_watch = named(new QToolButton(this), "SpeedButton1");
    m_watch->setText(QStringLiteral("Следить"));
    m_watch->setCheckable(true);
    m_watch->setMinimumWidth(100);
    connect(m_watch, &QToolButton::clicked, this, &StatePage::SpeedButton1Click);
    top->addWidget(m_watch);
    top->addSpacing(24);
    top->addWidget(new QLabel(QStringLiteral("Кольцо"), this));
    m_ringBar = named(new QSlider(Qt::Horizontal, this), "TrackBar1");
    m_ringBar->setRange(1, MaxRings);
    m_ringBar->setPageStep(1);
    m_ringBar->setTickInterval(1);
    m_ringBar->setTickPosition(QSlider::TicksBelow);
    m_ringBar->setFixedWidth(120);
    connect(m_ringBar, &QSlider::valueChanged, this, &StatePage::TrackBar1Change);
    top->addWidget(m_ringBar);
    m_ringPanel = panel(this, "PanelRing");
    m_ringPanel->setMinimumWidth(30);
    m_ringPanel->setAlignment(Qt::AlignCenter);
    top->addWidget(m_ringPanel);
    top->addStretch(1);
    layout->addLayout(top);

    // Everything the polls fill: greyed out, but kept, while the controller is silent.
    m_values = new QWidget(this);
    auto *values = new QVBoxLayout(m_values);
    values->setContentsMargins(0, 0, 0, 0);
    auto *form = new QFormLayout;
    m_mode = panel(m_values, "PanelMode");
    m_program = panel(m_values, "PanelProgram");
    m_singlePhase = panel(m_values, "PanelPhase");
    m_programPhase = panel(m_values, "PanelProgPhase");
    m_specialProgram = panel(m_values, "PanelSpecProg");
    m_source = panel(m_values, "PanelSource");
    form->addRow(QStringLiteral("Состояние"), m_mode);
    form->addRow(QStringLiteral("Программа"), m_program);
    form->addRow(QStringLiteral("Фаза"), m_singlePhase);
    form->addRow(QStringLiteral("№ фазы программы"), m_programPhase);
    form->addRow(QStringLiteral("Спец. программа"), m_specialProgram);
    form->addRow(QStringLiteral("Источник"), m_source);
    values->addLayout(form);

    auto *outputs = new QGroupBox(QStringLiteral("Состояние выходов"), m_values);
    auto *columns = new QHBoxLayout(outputs);
    const auto column = [&](const QString &title, const char *name) {
        auto *box = new QVBoxLayout;
        box->addWidget(new QLabel(title, outputs));
        auto *list = named(new QListWidget(outputs), name);
        list->setSelectionMode(QAbstractItemView::NoSelection);
        box->addWidget(list);
        columns->addLayout(box);
        return list;
    };
    m_red = column(QStringLiteral("КРАСНАЯ"), "ListBoxRed");
    m_yellow = column(QStringLiteral("ЖЕЛТАЯ"), "ListBoxYellow");
    m_green = column(QStringLiteral("ЗЕЛЕНАЯ"), "ListBoxGreen");
    auto *lamps = new QVBoxLayout;
    lamps->addWidget(new QLabel(QStringLiteral("НАПРАВЛЕНИЯ"), outputs));
    m_lamps = new LampList(outputs);
    lamps->addWidget(m_lamps, 1);
    m_projectCheck = named(new QLabel(outputs), "LabelProjectCheck");
    m_projectCheck->setStyleSheet(QStringLiteral("color: red"));
    m_projectCheck->setWordWrap(true);
    lamps->addWidget(m_projectCheck);
    columns->addLayout(lamps, 2);
    values->addWidget(outputs, 1);
    layout->addWidget(m_values, 1);
    TrackBar1Change(m_ringBar->value());

    connect(&m_monitor, &StateMonitor::refreshed, this, &StatePage::showDisplay);
    connect(&m_monitor, &StateMonitor::watchingChanged, m_watch, &QToolButton::setChecked);
    connect(&m_monitor, &StateMonitor::answeringChanged, m_values, &QWidget::setEnabled);
    // Edits and a new project change what the lamps stand for, not only a poll.
    connect(&m_model, &RingModel::edited, this, &StatePage::showLamps);
    connect(&m_model, &RingModel::currentRingReplaced, this, &StatePage::showLamps);
}

void StatePage::StopMonitor()
{
    m_monitor.StopMonitor();
    m_watch->setChecked(false);
}

void StatePage::setWatchEnabled(bool enabled)
{
    m_watch->setEnabled(enabled);
}

void StatePage::windowShown()
{
    m_ringPanel->setText(QString::number(m_ringBar->value()));
}

void StatePage::SpeedButton1Click(bool down)
{
    if (down)
        m_monitor.start();
    else
        m_monitor.StopMonitor();
}

void StatePage::TrackBar1Change(int value)
{
    m_monitor.setRing(value);
    m_ringPanel->setText(QString::number(value));
    showLamps();
}

void StatePage::showDisplay(const MonitorDisplay &display)
{
    m_mode->setText(display.mode);
    m_program->setText(display.program);
    m_singlePhase->setText(display.singlePhase);
    m_programPhase->setText(display.programPhase);
    m_specialProgram->setText(display.specialProgram);
    m_source->setText(display.source);
    const auto fill = [](QListWidget *list, const QStringList &lines) {
        list->clear();
        list->addItems(lines);
    };
    fill(m_red, display.red);
    fill(m_yellow, display.yellow);
    fill(m_green, display.green);
    m_display = display;
    showLamps();
}

void StatePage::showLamps()
{
    // The slider is built before the list; a change then has nothing to show yet.
    if (!m_lamps)
        return;
    const int ring = m_ringBar->value() - 1;
    // The ring being edited is the working copy; its store is stale until a switch or a save.
    const RingData &data = ring == m_model.currentRing() ? m_model.working() : m_model.store(ring);
    m_lamps->showLamps(
        LiveLamps::directionLamps(data.project, LiveLamps::channels(m_display.values)));
    m_projectCheck->setText(LiveLamps::projectDiffers(data.programs, m_display.values)
                                ? LiveLamps::ProjectDiffersText
                                : QString());
}
