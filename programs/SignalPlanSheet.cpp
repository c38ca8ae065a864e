#include "programs/SignalPlanSheet.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {
constexpr double TitleFirstRow = 36; // room for a description over two lines
constexpr double TitleSecondRow = 24;
constexpr double DateCell = 220;
constexpr double Gap = 12;
constexpr double TableRow = 18;
constexpr double TableGap = 12;
constexpr std::array<double, 5> ColumnWidths = {42, 110, 60, 60, 64};
constexpr int MaxTableColumns = 3;
constexpr int ShortTable = 8;   // up to this many phases stand in one column
constexpr int LabelWidth = 170; // the direction labels, as the layout makes them

double tableWidth()
{
    double w = 0;
    for (double c : ColumnWidths)
        w += c;
    return w;
}

QFont pixelFont(int pixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

Diagram::Style paperStyle()
{
    Diagram::Style style;
    style.barFont = pixelFont(12);
    style.labelFont = pixelFont(16, true);
    style.axisFont = pixelFont(11);
    style.panel = Qt::white;
    style.light = Qt::white;
    style.dark = QColor(160, 160, 160);
    style.text = Qt::black;
    style.staticText = false;
    return style;
}

void frame(QPainter &painter, const QRectF &r)
{
    painter.drawPolygon(QPolygonF({r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()}));
}
} // namespace

SignalPlanSheet::SignalPlanSheet(const ProjectBlock &project, const ProgramsBlock &programs,
                                 int ring, int program, QDate date,
                                 const Diagram::MarkSource &marks)
    : m_content(sheetContent(project, programs, ring, program, date)), m_painter(paperStyle())
{
    const double contentWidth = PageWidth - 2 * Margin;
    m_titleRect = QRectF(Margin, Margin, contentWidth, TitleFirstRow + TitleSecondRow);

    const int phases = int(m_content.phases.size());
    m_rowsPerColumn = std::max(
        {1, std::min(phases, ShortTable), (phases + MaxTableColumns - 1) / MaxTableColumns});
    const int columns = std::max(1, (phases + m_rowsPerColumn - 1) / m_rowsPerColumn);
    const double tableHeight = (m_rowsPerColumn + 1) * TableRow;
    m_tableRect = QRectF(Margin, PageHeight - Margin - tableHeight,
                         columns * tableWidth() + (columns - 1) * TableGap, tableHeight);

    const Diagram::ProgramSlots grid =
        Diagram::computeSlots(project, programs, m_content.program - 1);
    int seconds = 0;
    if (grid.directionCount > 0)
        for (int f = 0; f < grid.phaseCount; ++f)
            for (const Tact &t : grid.tacts[f][0])
                seconds += t.duration;

    // Rows keep their screen size unless the page is too short for them; time then stretches
    // so that the cycle spans the page width.
    const double top = m_titleRect.bottom() + Gap;
    const double room = m_tableRect.top() - Gap - top;
    const int height = Diagram::layoutDiagram(grid, project, 1.0f, -1).extent.height();
    const double k = height > 0 ? std::min(1.0, room / height) : 1.0;
    const double scale =
        seconds > 0 ? std::max(0.0, (contentWidth / k - LabelWidth - 1) / (5.0 * seconds)) : 1.0;
    // No phase is the current one on paper: the grey highlight is the editor's.
    m_layout = Diagram::layoutDiagram(grid, project, static_cast<float>(scale), -1);
    if (marks)
        Diagram::placeMarks(m_layout, marks(project, programs, m_content.program - 1));
    m_axis = Diagram::layoutTimeAxis(m_layout);
    const double left = m_layout.labelContainer.x();
    m_diagram = QTransform::fromScale(k, k) * QTransform::fromTranslate(Margin - left * k, top);
    // The table follows the diagram rather than the page's foot, where it was only budgeted.
    m_tableRect.moveTop(std::min(m_tableRect.top(), top + m_layout.extent.height() * k + Gap));
}

QTransform SignalPlanSheet::pageTransform(const QRectF &target)
{
    const double k = std::min(target.width() / PageWidth, target.height() / PageHeight);
    const double x = target.x() + (target.width() - PageWidth * k) / 2;
    const double y = target.y() + (target.height() - PageHeight * k) / 2;
    return QTransform::fromScale(k, k) * QTransform::fromTranslate(x, y);
}

void SignalPlanSheet::paintFitted(QPainter &painter, const QRectF &target) const
{
    painter.save();
    painter.setTransform(pageTransform(target), true);
    paint(painter);
    painter.restore();
}

void SignalPlanSheet::paint(QPainter &painter) const
{
    painter.save();
    paintTitle(painter);
    paintTable(painter);
    painter.setTransform(m_diagram, true);
    m_painter.paint(painter, m_layout, m_axis);
    painter.restore();
}

void SignalPlanSheet::paintTitle(QPainter &painter) const
{
    const QRectF r = m_titleRect;
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::NoBrush);
    frame(painter, r);
    const double split = r.top() + TitleFirstRow;
    painter.drawLine(QPointF(r.left(), split), QPointF(r.right(), split));
    painter.drawLine(QPointF(r.right() - DateCell, r.top()), QPointF(r.right() - DateCell, split));

    const QString second[] = {
        QStringLiteral("Кольцо: ") + QString::number(m_content.ring),
        QStringLiteral("Программа: ") + QString::number(m_content.program),
        QStringLiteral("Тип фаз: ") + m_content.phaseTypes,
        QStringLiteral("Длит. цикла: ") + m_content.cycleText(),
    };
    const double cell = r.width() / std::size(second);
    for (std::size_t i = 1; i < std::size(second); ++i)
        painter.drawLine(QPointF(r.left() + cell * i, split),
                         QPointF(r.left() + cell * i, r.bottom()));

    const double pad = 6;
    painter.setFont(pixelFont(13));
    painter.drawText(QRectF(r.left() + pad, r.top(), r.width() - DateCell - 2 * pad, TitleFirstRow),
                     Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral("Описание проекта: ") + m_content.description);
    painter.drawText(QRectF(r.right() - DateCell + pad, r.top(), DateCell - 2 * pad, TitleFirstRow),
                     Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Дата: ") + m_content.dateText());
    painter.setFont(pixelFont(13, true));
    for (std::size_t i = 0; i < std::size(second); ++i)
        painter.drawText(QRectF(r.left() + cell * i + pad, split, cell - 2 * pad, TitleSecondRow),
                         Qt::AlignVCenter | Qt::AlignLeft, second[i]);
}

void SignalPlanSheet::paintTable(QPainter &painter) const
{
    const QString header[] = {QStringLiteral("Фаза"), QStringLiteral("Тип"),
                              QStringLiteral("Тосн, с"), QStringLiteral("Тмин, с"),
                              QStringLiteral("Шаблон")};
    const int phases = int(m_content.phases.size());
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    for (int first = 0, column = 0; first < phases; first += m_rowsPerColumn, ++column) {
        const int rows = std::min(m_rowsPerColumn, phases - first);
        const double left = m_tableRect.left() + column * (tableWidth() + TableGap);
        const double top = m_tableRect.top();
        const QRectF box(left, top, tableWidth(), (rows + 1) * TableRow);
        frame(painter, box);
        for (int row = 1; row <= rows; ++row)
            painter.drawLine(QPointF(box.left(), top + row * TableRow),
                             QPointF(box.right(), top + row * TableRow));
        double x = left;
        for (std::size_t c = 0; c + 1 < ColumnWidths.size(); ++c) {
            x += ColumnWidths[c];
            painter.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
        }
        auto cells = [&](int row, const QStringList &texts, const QFont &font) {
            painter.setFont(font);
            double cx = left;
            for (int c = 0; c < texts.size(); ++c) {
                const QRectF cellRect(cx + 3, top + row * TableRow, ColumnWidths[c] - 6, TableRow);
                painter.drawText(cellRect,
                                 Qt::AlignVCenter | (c == 1 ? Qt::AlignLeft : Qt::AlignHCenter),
                                 texts[c]);
                cx += ColumnWidths[c];
            }
        };
        cells(0, QStringList(std::begin(header), std::end(header)), pixelFont(12, true));
        for (int i = 0; i < rows; ++i) {
            const SheetPhaseRow &p = m_content.phases[first + i];
            cells(i + 1,
                  {QString::number(p.number), p.type, QString::number(p.mainTime),
                   QString::number(p.minTime), QString::number(p.templateNumber)},
                  pixelFont(12));
        }
    }
}
