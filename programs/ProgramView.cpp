#include "programs/ProgramView.h"

#include <QChildEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

ProgramView::ProgramView(RingModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("ProgramView"));
    setAutoFillBackground(true);
    setMouseTracking(false);
    updateStyle();
}

void ProgramView::updateStyle()
{
    Diagram::Style style;
    style.barFont = font();
    style.labelFont = font();
    style.labelFont.setBold(true);
    style.labelFont.setPointSize(12);
    style.axisFont = font();
    style.panel = palette().color(QPalette::Button);
    style.light = palette().color(QPalette::Light);
    style.dark = palette().color(QPalette::Dark);
    style.text = palette().color(QPalette::ButtonText);
    m_painter.setStyle(style);
}

void ProgramView::showProgram(int program)
{
    m_program = clampIndex(program, MaxPrograms);
    rebuild();
}

void ProgramView::rebuild()
{
    const Diagram::ProgramSlots grid =
        Diagram::computeSlots(m_model.project(), m_model.programs(), m_program);
    if (m_currentPhase >= grid.phaseCount)
        m_currentPhase = 0;
    m_layout = Diagram::layoutDiagram(grid, m_model.project(), m_scale, m_currentPhase);
    if (m_marks)
        Diagram::placeMarks(m_layout, m_marks(m_model.project(), m_model.programs(), m_program));
    m_axis = Diagram::layoutTimeAxis(m_layout);
    updateExtent();
    update();
}

void ProgramView::setMarkSource(Diagram::MarkSource source)
{
    m_marks = std::move(source);
    rebuild();
}

int ProgramView::cycleLength() const
{
    Takts takts;
    takts.bind(m_model.project(), m_model.programs());
    return takts.cycleLength(m_program);
}

void ProgramView::zoomBy(double factor)
{
    // A scale that reached zero could never be zoomed back in; one that overflowed would make
    // every width meaningless. Otherwise the zoom has no bound.
    const auto scale = static_cast<float>(double(m_scale) * factor);
    if (std::isnormal(scale))
        m_scale = scale;
    rebuild();
}

void ProgramView::zoomIn()
{
    zoomBy(1.2);
}

void ProgramView::zoomOut()
{
    zoomBy(0.8);
}

void ProgramView::updateExtent()
{
    QSize size = m_layout.extent;
    for (QObject *child : children()) {
        auto *panel = qobject_cast<QWidget *>(child);
        if (panel && !panel->isHidden())
            size =
                size.expandedTo(QSize(panel->x() + panel->width(), panel->y() + panel->height()));
    }
    if (size != this->size())
        resize(size);
}

void ProgramView::childEvent(QChildEvent *event)
{
    // The edit panels live over the diagram; their moves and shows decide how far it scrolls.
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
    QWidget::childEvent(event);
}

bool ProgramView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        updateExtent();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool ProgramView::event(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        updateStyle();
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString hint = Diagram::hintAt(m_layout, help->pos());
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), hint, this);
        return true;
    }
    return QWidget::event(event);
}

void ProgramView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton
                    ? Diagram::hitTest(m_layout, event->position().toPoint())
                    : Diagram::Hit{};
}

void ProgramView::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release on the same item, as with a control of its own.
    const Diagram::Hit pressed = m_pressed;
    m_pressed = {};
    if (event->button() != Qt::LeftButton || pressed.kind == Diagram::Hit::Nothing)
        return;
    const Diagram::Hit hit = Diagram::hitTest(m_layout, event->position().toPoint());
    if (hit.kind != pressed.kind || hit.index != pressed.index)
        return;
    switch (hit.kind) {
    case Diagram::Hit::BarHit:
        m_currentPhase = hit.phase;
        m_currentDirection = hit.direction;
        m_currentSlot = hit.slot;
        m_clickedBar = m_layout.bars[hit.index].rect;
        emit barClicked(hit.phase, hit.direction, hit.slot);
        break;
    case Diagram::Hit::LabelHit:
        emit directionClicked(hit.direction);
        break;
    case Diagram::Hit::PhaseHit:
        emit phaseClicked(hit.phase);
        break;
    case Diagram::Hit::Nothing:
        break;
    }
}

bool ProgramView::selectBar(int phase, int direction)
{
    const Diagram::Bar *chosen = nullptr;
    for (const Diagram::Bar &bar : m_layout.bars) {
        if (bar.phase != phase)
            continue;
        if (bar.direction == direction && bar.slot == 0) {
            chosen = &bar;
            break;
        }
        if (!chosen)
            chosen = &bar;
    }
    if (!chosen)
        return false;
    m_currentPhase = chosen->phase;
    m_currentDirection = chosen->direction;
    m_currentSlot = chosen->slot;
    m_clickedBar = chosen->rect;
    emit barClicked(chosen->phase, chosen->direction, chosen->slot);
    return true;
}

void ProgramView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    m_painter.paint(painter, m_layout, m_axis, event->rect());
}
