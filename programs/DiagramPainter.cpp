#include "programs/DiagramPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QtMath>

namespace Diagram {

namespace {
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kCurrentPhase(128, 128, 128);
// Far from every signal colour on screen, and dark in grey on paper.
const QColor kMark(150, 0, 150);

// A framed area with the light edge on one side and the dark edge on the other.
void bevel(QPainter &painter, const QRect &r, bool raised, const Style &style)
{
    painter.setPen(raised ? style.light : style.dark);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(raised ? style.dark : style.light);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

void fillArea(QPainter &painter, const QRectF &r, const QColor &colour)
{
    QPainterPath path;
    path.addRect(r);
    painter.fillPath(path, colour);
}

QColor tactColour(std::uint8_t colour, bool lowerHalf)
{
    switch (colour) {
    case TactGreen:
        return kGreen;
    case TactGreenBlink:
        return lowerHalf ? QColor(Qt::white) : kGreen;
    case TactRed:
        return kRed;
    case TactRedYellow:
        return lowerHalf ? kYellow : kRed;
    case TactYellow:
        return kYellow;
    default:
        return {};
    }
}

void Painter::setStyle(Style style)
{
    m_style = std::move(style);
    m_texts.clear();
}

void Painter::paint(QPainter &painter, const Layout &layout, const TimeAxis &axis,
                    const QRect &dirty) const
{
    const auto visible = [&dirty](const QRect &r) { return dirty.isNull() || r.intersects(dirty); };
    paintAxis(painter, axis);
    for (const Label &label : layout.labels)
        if (visible(label.rect))
            paintLabel(painter, label);
    for (const Phase &phase : layout.phases)
        if (visible(phase.rect))
            paintPhase(painter, phase);
    painter.setFont(m_style.barFont);
    for (const Bar &bar : layout.bars) {
        if (!visible(bar.rect))
            continue;
        const QRect panel = layout.phases[bar.phase].rect;
        const bool clip = !panel.contains(bar.rect);
        if (clip) {
            painter.save();
            painter.setClipRect(panel, Qt::IntersectClip);
        }
        paintBar(painter, bar);
        if (clip)
            painter.restore();
    }
    for (const Mark &mark : layout.marks)
        if (visible(mark.rect))
            paintMark(painter, mark);
}

void Painter::paintMark(QPainter &painter, const Mark &mark) const
{
    // Paths, not rectangles: a sheet's SVG keeps its rects for the colour areas of the tacts.
    QPainterPath path;
    path.addRect(QRectF(mark.rect).adjusted(1, 1, -1, -1));
    painter.save();
    painter.fillPath(path, QBrush(Qt::black, Qt::BDiagPattern));
    painter.strokePath(path, QPen(kMark, 3));
    painter.restore();
}

void Painter::paintAxis(QPainter &painter, const TimeAxis &axis) const
{
    if (axis.isEmpty())
        return;
    painter.setPen(m_style.text);
    painter.drawLine(axis.left, axis.baseline, axis.right, axis.baseline);
    painter.setFont(m_style.axisFont);
    const QFontMetrics metrics(m_style.axisFont, painter.device());
    int labelEnd = axis.left - 1000;
    for (const TimeAxis::Tick &tick : axis.ticks) {
        const int length = tick.labelled ? TimeAxis::MajorTick : TimeAxis::MinorTick;
        painter.drawLine(tick.x, axis.baseline - length, tick.x, axis.baseline);
        if (!tick.labelled)
            continue;
        // Zoomed far out the numbers would run into each other; every tick stays, and a
        // number is left out where the one before still takes its place.
        const QString text = QString::number(tick.seconds);
        const int width = metrics.horizontalAdvance(text);
        const QRect box(tick.x - width / 2,
                        axis.baseline - TimeAxis::MajorTick - 1 - metrics.height(), width,
                        metrics.height());
        if (box.left() <= labelEnd + 2)
            continue;
        painter.drawText(box, Qt::AlignCenter, text);
        labelEnd = box.right();
    }
}

void Painter::paintLabel(QPainter &painter, const Label &label) const
{
    const QRect r = label.rect;
    fillArea(painter, r, m_style.panel);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    const QRect frame = r.adjusted(0, 0, -1, -1);
    painter.drawPolygon(
        QPolygon({frame.topLeft(), frame.topRight(), frame.bottomRight(), frame.bottomLeft()}));
    bevel(painter, r.adjusted(1, 1, -1, -1), true, m_style);
    painter.setFont(m_style.labelFont);
    painter.setPen(m_style.text);
    painter.drawText(r, Qt::AlignCenter, label.caption);
}

void Painter::paintPhase(QPainter &painter, const Phase &phase) const
{
    const QRect r = phase.rect;
    if (r.isEmpty())
        return;
    fillArea(painter, r, phase.current ? kCurrentPhase : m_style.panel);
    bevel(painter, r, false, m_style);
    bevel(painter, r.adjusted(1, 1, -1, -1), true, m_style);
}

void Painter::paintBar(QPainter &painter, const Bar &bar) const
{
    const QRect r = bar.rect;
    const int half = r.height() / 2;
    const QColor upper = tactColour(bar.colour);
    if (!upper.isValid())
        return;
    // Each colour area is one filled rect with its outline, so that a half is as wide as a
    // whole bar of the same time, on screen and on paper.
    painter.setPen(Qt::black);
    const bool split = bar.colour == TactGreenBlink || bar.colour == TactRedYellow;
    const QRect top = split ? QRect(r.x(), r.y(), r.width(), half) : r;
    painter.setBrush(upper);
    painter.drawRect(top.adjusted(0, 0, -1, -1));
    if (split) {
        painter.setBrush(tactColour(bar.colour, true));
        painter.drawRect(
            QRect(r.x(), r.y() + half, r.width(), r.height() - half).adjusted(0, 0, -1, -1));
    }
    if (bar.text.isEmpty())
        return;
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(Qt::white);
    if (!m_style.staticText) {
        painter.drawText(r, Qt::AlignCenter, bar.text);
        return;
    }
    auto found = m_texts.find(bar.text);
    if (found == m_texts.end()) {
        found = m_texts.insert(bar.text, QStaticText(bar.text));
        found->setTextFormat(Qt::PlainText);
        found->prepare(QTransform(), painter.font());
    }
    const int x = r.x() + (r.width() - qCeil(found->size().width())) / 2;
    const int y = r.y() + (r.height() - metrics.height()) / 2;
    painter.drawStaticText(QPoint(x, y), *found);
}

} // namespace Diagram
