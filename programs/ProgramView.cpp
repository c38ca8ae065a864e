#include "programs/ProgramView.h"

#include <QChildEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <QtMath>

#include <cmath>

namespace {
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kCurrentPhase(128, 128, 128);

// A framed area with the light edge on one side and the dark edge on the other.
void bevel(QPainter &painter, const QRect &r, bool raised, const QPalette &palette)
{
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    painter.setPen(raised ? light : dark);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(raised ? dark : light);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}
} // namespace

ProgramView::ProgramView(RingModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("ProgramView"));
    setAutoFillBackground(true);
    setMouseTracking(false);
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
    updateExtent();
    update();
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
    if (event->type() == QEvent::FontChange)
        m_texts.clear();
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
    const QRect dirty = event->rect();
    for (const Diagram::Label &label : m_layout.labels)
        if (label.rect.intersects(dirty))
            paintLabel(painter, label);
    for (const Diagram::Phase &phase : m_layout.phases)
        if (phase.rect.intersects(dirty))
            paintPhase(painter, phase);
    painter.setFont(font());
    for (const Diagram::Bar &bar : m_layout.bars) {
        if (!bar.rect.intersects(dirty))
            continue;
        const QRect panel = m_layout.phases[bar.phase].rect;
        const bool clip = !panel.contains(bar.rect);
        if (clip) {
            painter.save();
            painter.setClipRect(panel);
        }
        paintBar(painter, bar);
        if (clip)
            painter.restore();
    }
}

void ProgramView::paintLabel(QPainter &painter, const Diagram::Label &label) const
{
    const QRect r = label.rect;
    painter.fillRect(r, palette().color(QPalette::Button));
    painter.setPen(Qt::black);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    bevel(painter, r.adjusted(1, 1, -1, -1), true, palette());
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSize(12);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(r, Qt::AlignCenter, label.caption);
}

void ProgramView::paintPhase(QPainter &painter, const Diagram::Phase &phase) const
{
    const QRect r = phase.rect;
    if (r.isEmpty())
        return;
    painter.fillRect(r, phase.current ? kCurrentPhase : palette().color(QPalette::Button));
    bevel(painter, r, false, palette());
    bevel(painter, r.adjusted(1, 1, -1, -1), true, palette());
}

void ProgramView::paintBar(QPainter &painter, const Diagram::Bar &bar) const
{
    const QRect r = bar.rect;
    const int half = r.height() / 2;
    auto area = [&](const QRect &a, const QColor &colour) {
        painter.setPen(Qt::black);
        painter.setBrush(colour);
        painter.drawRect(a.adjusted(0, 0, -1, -1));
    };
    const QRect upper(r.x(), r.y(), r.width(), half);
    const QRect lower(r.x(), r.y() + half, r.width(), r.height() - half);
    switch (bar.colour) {
    case TactGreen:
        area(r, kGreen);
        break;
    case TactGreenBlink:
        area(upper, kGreen);
        area(lower, Qt::white);
        break;
    case TactRed:
        area(r, kRed);
        break;
    case TactRedYellow:
        area(upper, kRed);
        area(lower, kYellow);
        break;
    case TactYellow:
        area(r, kYellow);
        break;
    default:
        break;
    }
    if (!bar.text.isEmpty()) {
        auto found = m_texts.find(bar.text);
        if (found == m_texts.end()) {
            found = m_texts.insert(bar.text, QStaticText(bar.text));
            found->setTextFormat(Qt::PlainText);
            found->prepare(QTransform(), painter.font());
        }
        const QFontMetrics metrics = painter.fontMetrics();
        const int x = r.x() + (r.width() - qCeil(found->size().width())) / 2;
        const int y = r.y() + (r.height() - metrics.height()) / 2;
        painter.setPen(Qt::white);
        painter.drawStaticText(QPoint(x, y), *found);
    }
}
