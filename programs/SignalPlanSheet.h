#pragma once

#include "programs/DiagramLayout.h"
#include "programs/DiagramPainter.h"
#include "programs/SheetContent.h"
#include "programs/TimeAxis.h"

#include <QRectF>
#include <QTransform>

class QPainter;

// One page of the signal-plan sheet: the title block, the program's diagram across the page
// width and the table of its phases. It is composed in sheet units (1/96 inch on an A4
// landscape page) and needs no window, so files are written and tests run without a display.
// The diagram is the program view's own layout and painting, at a time scale that fills the
// page width.
class SignalPlanSheet
{
public:
    static constexpr double PageWidth = 1122.52; // 297 mm
    static constexpr double PageHeight = 793.7;  // 210 mm
    static constexpr double Margin = 37.8;       // 10 mm

    // `ring` and `program` are 0-based; the blocks are that ring's.
    SignalPlanSheet(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
                    int program, QDate date, const Diagram::MarkSource &marks = {});

    [[nodiscard]] const SheetContent &content() const { return m_content; }
    [[nodiscard]] const Diagram::Layout &layout() const { return m_layout; }
    [[nodiscard]] const Diagram::TimeAxis &timeAxis() const { return m_axis; }
    // Diagram coordinates to sheet units.
    [[nodiscard]] QTransform diagramTransform() const { return m_diagram; }
    [[nodiscard]] QRectF titleRect() const { return m_titleRect; }
    [[nodiscard]] QRectF tableRect() const { return m_tableRect; }

    // Paints the page in sheet units, (0, 0) being its top left corner.
    void paint(QPainter &painter) const;
    // Paints the page scaled into `target` (device coordinates), keeping its proportions.
    void paintFitted(QPainter &painter, const QRectF &target) const;
    // Sheet units to the coordinates of `target`, as paintFitted() uses them.
    [[nodiscard]] static QTransform pageTransform(const QRectF &target);

private:
    void paintTitle(QPainter &painter) const;
    void paintTable(QPainter &painter) const;

    SheetContent m_content;
    Diagram::Layout m_layout;
    Diagram::TimeAxis m_axis;
    Diagram::Painter m_painter;
    QTransform m_diagram;
    QRectF m_titleRect;
    QRectF m_tableRect;
    int m_rowsPerColumn = 0;
};
