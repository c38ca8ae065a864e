#include "programs/ProgramView.h"

#include <QChildEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

ProgramView::ProgramView(RingModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("ProgramView"));
    setAutoFillBackground(true);
    setMouseTracking(false);
    // The diagram is worked from the keyboard too: arrows choose the phase, Enter opens it.
    setFocusPolicy(Qt::StrongFocus);
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

void ProgramView::setScale(float scale)
{
    if (!std::isnormal(scale) || scale < 0)
        return;
    m_scale = scale;
    rebuild();
}

void ProgramView::keyPressEvent(QKeyEvent *event)
{
    const int phases = int(m_layout.phases.size());
    int phase = m_currentPhase;
    switch (event->key()) {
    case Qt::Key_Left:
        phase = std::max(0, phase - 1);
        break;
    case Qt::Key_Right:
        phase = std::min(phases - 1, phase + 1);
        break;
    case Qt::Key_Home:
        phase = 0;
        break;
    case Qt::Key_End:
        phase = phases - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The same panel a click on the phase's bar opens.
        selectBar(m_currentPhase, m_currentDirection);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (phases > 0 && phase != m_currentPhase)
        emit phaseClicked(phase);
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
    // A number of the time axis is centred on its tick: the last one reaches past the cycle's
    // end by half its width, and would be cut there.
    const auto last =
        std::find_if(m_axis.ticks.rbegin(), m_axis.ticks.rend(),
                     [](const Diagram::TimeAxis::Tick &tick) { return tick.labelled; });
    if (last != m_axis.ticks.rend()) {
        const QFontMetrics metrics(m_painter.style().axisFont);
        const int half = metrics.horizontalAdvance(QString::number(last->seconds)) / 2 + 2;
        size.setWidth(std::max(size.width(), last->x + half));
    }
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
    // Scrolling moves this widget; the fixed name column is painted anew at the new edge.
    if (event->type() == QEvent::Move && nameColumnShift() > 0)
        update();
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
                    ? Diagram::hitTest(m_layout, diagramPoint(event->position()))
                    : Diagram::Hit{};
}

void ProgramView::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release on the same item, as with a control of its own.
    const Diagram::Hit pressed = m_pressed;
    m_pressed = {};
    if (event->button() != Qt::LeftButton || pressed.kind == Diagram::Hit::Nothing)
        return;
    const Diagram::Hit hit = Diagram::hitTest(m_layout, diagramPoint(event->position()));
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
    // The direction names stay at the visible left edge while the diagram scrolls under them.
    const int shift = nameColumnShift();
    if (shift == 0)
        return;
    // The time axis above the names scrolls with the bars it measures.
    const int top = m_layout.labelContainer.y();
    const QRect column(0, top, m_layout.labelContainer.right() + 1, height() - top);
    painter.translate(shift, 0);
    painter.setClipRect(column);
    painter.fillRect(column, palette().window());
    m_painter.paint(painter, m_layout, m_axis, column);
}

int ProgramView::nameColumnShift() const
{
    return m_layout.labels.empty() ? 0 : std::max(0, -x());
}

QPoint ProgramView::diagramPoint(QPointF position) const
{
    // A point on the fixed name column belongs to the names, not to the bars under them.
    const QPoint at = position.toPoint();
    const int shift = nameColumnShift();
    if (shift > 0 && at.x() - shift <= m_layout.labelContainer.right())
        return at - QPoint(shift, 0);
    return at;
}
