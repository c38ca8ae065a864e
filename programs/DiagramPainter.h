#pragma once

#include "programs/DiagramLayout.h"
#include "programs/TimeAxis.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QStaticText>

class QPainter;

namespace Diagram {

// What differs between the screen and a sheet of paper; the geometry and the signal colours
// never do.
struct Style
{
    QFont barFont;   // the "Ф<n>" texts
    QFont labelFont; // direction captions
    QFont axisFont;  // the seconds over the diagram
    QColor panel;    // label and phase panel face
    QColor light;    // bevel edges
    QColor dark;
    QColor text;
    // Laid-out texts are quick on screen, but a printer or a PDF needs the text itself.
    bool staticText = true;
};

// Fills without a rectangle primitive, which a sheet's SVG keeps for the tacts' colour areas.
void fillArea(QPainter &painter, const QRectF &r, const QColor &colour);

// The signal colours the controller's tacts are drawn in.
[[nodiscard]] QColor tactColour(std::uint8_t colour, bool lowerHalf = false);

// Paints a laid-out diagram and its time axis in diagram coordinates. The program view and
// the signal-plan sheet both paint through here, so paper shows what the screen shows.
class Painter
{
public:
    explicit Painter(Style style = {}) : m_style(std::move(style)) {}

    void setStyle(Style style);
    [[nodiscard]] const Style &style() const { return m_style; }

    // Only what intersects `dirty` is painted; an empty `dirty` paints everything.
    void paint(QPainter &painter, const Layout &layout, const TimeAxis &axis,
               const QRect &dirty = {}) const;

    void paintAxis(QPainter &painter, const TimeAxis &axis) const;
    void paintLabel(QPainter &painter, const Label &label) const;
    void paintPhase(QPainter &painter, const Phase &phase) const;
    void paintBar(QPainter &painter, const Bar &bar) const;
    // A safety violation: hatched and framed, so that it shows in colour and in grey on paper.
    void paintMark(QPainter &painter, const Mark &mark) const;

private:
    Style m_style;
    // Shaping the same few "Ф<n>" strings on every bar would cost more than the bars.
    mutable QHash<QString, QStaticText> m_texts;
};

} // namespace Diagram
