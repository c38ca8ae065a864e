#include "programs/ProgramEditor.h"

#include "model/RingModel.h"
#include "programs/DirectionPanel.h"
#include "programs/PhaseEditPanel.h"
#include "programs/ProgramOps.h"
#include "programs/ProgramView.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

ProgramEditor::ProgramEditor(RingModel &model, const ProgramControls &controls,
                             QScrollArea *scrollBox, std::function<void()> windowRefresh)
    : QObject(controls.form), m_model(model), m_windowRefresh(std::move(windowRefresh)),
      m_scrollBox(scrollBox), m_controls(controls)
{
    setObjectName(QStringLiteral("ProgramEditor"));
    m_view = new ProgramView(m_model);
    scrollBox->setWidget(m_view);
    m_edit = new PhaseEditPanel(m_view);
    m_direction = new DirectionPanel(m_view);
    connect(controls.addPhase, &QToolButton::clicked, this, &ProgramEditor::BitBtn1Click);
    connect(controls.removePhase, &QToolButton::clicked, this, &ProgramEditor::BitBtn2Click);
    connect(controls.zoomIn, &QToolButton::clicked, this, &ProgramEditor::BitBtn3Click);
    connect(controls.zoomOut, &QToolButton::clicked, this, &ProgramEditor::BitBtn4Click);
    connect(m_edit->okButton(), &QPushButton::clicked, this, &ProgramEditor::Button2Click);
    connect(m_edit->cancelButton(), &QPushButton::clicked, this, &ProgramEditor::Button3Click);
    connect(m_direction->okButton(), &QPushButton::clicked, this, &ProgramEditor::Button4Click);
    connect(m_direction->cancelButton(), &QPushButton::clicked, this, &ProgramEditor::Button5Click);
    connect(m_view, &ProgramView::barClicked, this, &ProgramEditor::BarClick);
    connect(m_view, &ProgramView::directionClicked, this, &ProgramEditor::DirectionLabelClick);
    connect(m_view, &ProgramView::phaseClicked, this, &ProgramEditor::PhasePanelClick);
    // An open panel belongs to a phase of the ring it was opened on; "OK" after a ring switch
    // or a new project would write it into another ring.
    connect(&m_model, &RingModel::currentRingReplaced, this, &ProgramEditor::hidePanels);
}

void ProgramEditor::displayRefresh()
{
    const int program = m_model.currentProgram();
    if (program != m_shownProgram)
        hidePanels(); // the panel's phase is one of the program shown before
    m_shownProgram = program;
    // The directions window may have stored another type since the panel was opened; "ОК"
    // writes back what the panel shows, so it must show what is stored now.
    if (!m_direction->isHidden())
        m_direction->fill(m_direction->direction(),
                          m_model.project()[directionOffset(m_direction->direction())]);
    m_view->showProgram(program);
    m_controls.cycle->setText(QString::number(m_view->cycleLength()) + QStringLiteral(" c"));
    statusRefresh();
}

void ProgramEditor::hidePanels()
{
    m_edit->hide();
    m_direction->hide();
}

void ProgramEditor::finishEdit(bool changed, const QString &step)
{
    if (changed)
        m_model.applyEdit(step); // edited() runs the window refresh
    else
        m_windowRefresh();
}

void ProgramEditor::statusRefresh()
{
    const int phase = m_view->currentPhase();
    const int type = m_model.programs()[phaseOffset(m_view->program(), phase) + PhaseLayout::Type];
    m_controls.phaseNumber->setText(QString::number(phase + 1));
    m_controls.phaseType->setText(Progutil::phaseTypeName(type));
}

void ProgramEditor::BitBtn1Click()
{
    // The edit panel's phase number would point at another phase after the shift.
    m_edit->hide();
    const int after = m_view->currentPhase();
    finishEdit(Progutil::insertPhase(m_model.programs(), m_view->program(), after),
               QStringLiteral("добавление фазы %1").arg(after + 2));
}

void ProgramEditor::BitBtn2Click()
{
    m_edit->hide();
    const int phase = m_view->currentPhase();
    const bool removed = Progutil::removePhase(m_model.programs(), m_view->program(), phase);
    finishEdit(removed, QStringLiteral("удаление фазы %1").arg(phase + 1));
    statusRefresh();
}

void ProgramEditor::BitBtn3Click()
{
    m_view->zoomIn();
}

void ProgramEditor::BitBtn4Click()
{
    m_view->zoomOut();
}

void ProgramEditor::BarClick(int phase, int direction, int)
{
    const int program = m_view->program();
    const QRect bar = m_view->clickedBar();
    m_edit->move(bar.x() + bar.width(), bar.y() + bar.height());
    m_edit->raise();
    const Progutil::PhaseValues values =
        Progutil::readPhase(m_model.programs(), program, phase, direction);
    m_edit->fill(phase, direction, values,
                 Progutil::phaseTypeSelectable(m_model.project(), values.type),
                 Progutil::additionsEditable(m_model.project(), m_model.programs(), program, phase,
                                             direction));
    m_direction->hide();
    m_edit->show();
    // A bar near the window's edge would otherwise open the panel out of sight.
    m_scrollBox->ensureWidgetVisible(m_edit, 0, 0);
    statusRefresh();
}

void ProgramEditor::Button2Click()
{
    const bool changed =
        Progutil::applyPhaseEdit(m_model.programs(), m_view->program(), m_edit->phase(),
                                 m_edit->direction(), m_edit->input());
    m_edit->hide();
    finishEdit(changed, QStringLiteral("изменение фазы %1").arg(m_edit->phase() + 1));
}

void ProgramEditor::Button3Click()
{
    m_edit->hide();
}

void ProgramEditor::DirectionLabelClick(int direction)
{
    const Diagram::Layout &diagram = m_view->diagram();
    QRect label;
    for (const Diagram::Label &l : diagram.labels)
        if (l.direction == direction)
            label = l.rect;
    m_direction->raise();
    m_direction->fill(direction, m_model.project()[directionOffset(direction)]);
    m_direction->move(label.x() + label.width(), label.y() + label.height());
    m_edit->hide();
    m_direction->show();
    m_scrollBox->ensureWidgetVisible(m_direction, 0, 0);
}

void ProgramEditor::Button4Click()
{
    m_direction->hide();
    // The selector only shows the stored type; an unknown stored type stays as it is rather
    // than being overwritten by "no selection".
    const int type = m_direction->selectedType();
    auto &stored = m_model.project()[directionOffset(m_direction->direction())];
    if (type >= 0 && stored != type) {
        stored = static_cast<std::uint8_t>(type);
        m_model.applyEdit(
            QStringLiteral("изменение типа направления %1").arg(m_direction->direction() + 1));
        return;
    }
    m_view->rebuild();
}

void ProgramEditor::Button5Click()
{
    m_direction->hide();
}

void ProgramEditor::openPhase(int phase)
{
    PhasePanelClick(phase);
    m_view->selectBar(phase, 0);
}

void ProgramEditor::PhasePanelClick(int phase)
{
    m_view->setCurrentPhase(phase);
    m_windowRefresh();
    statusRefresh();
}
