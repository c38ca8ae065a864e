#include "programs/DiagramLayout.h"

#include "programs/ProgramOps.h"

#include <algorithm>
#include <cmath>

namespace Diagram {

namespace {
constexpr int ContainerLeft = 10;
constexpr int Top = 30;
constexpr int LabelWidth = 170;
constexpr int RowHeight = 25;
constexpr int RowTop = 15;
constexpr int RowPitch = 50;
constexpr int BottomMargin = 15;

int rowTop(int direction)
{
    return RowTop + RowPitch * direction;
}
} // namespace

ProgramSlots computeSlots(const ProjectBlock &project, const ProgramsBlock &programs, int program)
{
    ProgramSlots result;
    Takts takts;
    takts.bind(project, programs);
    result.phaseCount = takts.phaseCount(program);
    result.directionCount = takts.directionCount();
    for (int f = 0; f < result.phaseCount; ++f) {
        const TransitionTable table =
            takts.computeTransition(program, program, f, takts.nextPhase(program, f));
        result.templateIndex[f] = programs[phaseOffset(program, f) + PhaseLayout::Template];
        for (int d = 0; d < result.directionCount; ++d) {
            auto &row = result.tacts[f][d];
            row[0] = Tact{table.directions[d].mainColour, table.mainTime};
            for (int s = 0; s < IntermediateSlots; ++s)
                row[s + 1] = table.directions[d].tacts[s];
        }
    }
    return result;
}

namespace {
// Zoom has no bound of its own; past this many pixels a bar could overflow the coordinates.
constexpr double MaxPixels = 1'000'000;

int pixels(double value)
{
    return static_cast<int>(std::trunc(std::clamp(value, 0.0, MaxPixels)));
}
} // namespace

int barWidth(int seconds, float scale)
{
    // The product is taken in double precision from the float scale, then truncated toward 0.
    return pixels(double(seconds) * 5.0 * double(scale));
}

Layout layoutDiagram(const ProgramSlots &grid, const ProjectBlock &project, float scale,
                     int currentPhase)
{
    Layout layout;
    const int n = grid.directionCount;
    layout.labels.reserve(n);
    for (int d = 0; d < n; ++d) {
        Label label;
        label.direction = d;
        label.rectInGroup = QRect(0, rowTop(d), LabelWidth, RowHeight);
        label.rect = label.rectInGroup.translated(ContainerLeft, Top);
        label.caption = Progutil::directionCaption(project, d);
        label.hint = QStringLiteral("Направление № ") + QString::number(d + 1);
        layout.labels.push_back(label);
    }
    // The container and the phase panels take their size from the last direction row; a ring
    // without directions has no rows and gets an empty diagram.
    const int rowsBottom = n > 0 ? rowTop(n - 1) + RowHeight + BottomMargin : 0;
    layout.labelContainer = QRect(ContainerLeft, Top, n > 0 ? LabelWidth : 0, rowsBottom);

    layout.bars.reserve(std::size_t(grid.phaseCount) * n * SlotsPerPhase);
    layout.scale = scale;
    int left = layout.labelContainer.x() + layout.labelContainer.width();
    int start = 0;
    for (int f = 0; f < grid.phaseCount; ++f) {
        int rowZero = 0;
        if (n > 0)
            for (const Tact &t : grid.tacts[f][0])
                rowZero += t.duration;
        Phase phase;
        phase.phase = f;
        phase.rect = QRect(left, Top, n > 0 ? barWidth(rowZero, scale) : 0, rowsBottom);
        phase.current = f == currentPhase;
        phase.start = start;
        phase.seconds = rowZero;
        start += rowZero;
        layout.phases.push_back(phase);
        left += phase.rect.width();

        for (int d = 0; d < n; ++d) {
            double x = 0;
            for (int s = 0; s < SlotsPerPhase; ++s) {
                const Tact &t = grid.tacts[f][d][s];
                if (t.duration == 0)
                    continue;
                Bar bar;
                bar.phase = f;
                bar.direction = d;
                bar.slot = s;
                bar.colour = t.colour;
                bar.duration = t.duration;
                bar.rectInPhase = QRect(int(x), rowTop(d), barWidth(t.duration, scale), RowHeight);
                bar.rect = bar.rectInPhase.translated(phase.rect.topLeft());
                if (s == 0 &&
                    (t.colour == TactGreen || t.colour == TactRed || t.colour == TactYellow))
                    bar.text = QStringLiteral("Ф") + QString::number(grid.templateIndex[f] + 1);
                layout.bars.push_back(bar);
                x = pixels(x + double(t.duration) * 5.0 * double(scale));
            }
        }
    }
    int width = layout.labelContainer.right() + 1;
    int height = layout.labelContainer.bottom() + 1;
    for (const Phase &p : layout.phases) {
        width = std::max(width, p.rect.x() + p.rect.width());
        height = std::max(height, p.rect.y() + p.rect.height());
    }
    for (const Bar &b : layout.bars) {
        width = std::max(width, b.rect.x() + b.rect.width());
        height = std::max(height, b.rect.y() + b.rect.height());
    }
    layout.extent = QSize(width, height);
    return layout;
}

namespace {
constexpr int MarkMargin = 3; // the frame stands clear of the bars it marks

// The x of second t of the cycle: within the phase that holds it, as the bars are laid out.
int xOf(const Layout &layout, int t, bool end)
{
    for (const Phase &p : layout.phases)
        if (end ? t > p.start && t <= p.start + p.seconds : t >= p.start && t < p.start + p.seconds)
            return p.rect.x() + barWidth(t - p.start, layout.scale);
    return layout.phases.empty() ? 0 : layout.phases.back().rect.right() + 1;
}
} // namespace

void placeMarks(Layout &layout, const std::vector<MarkSpan> &spans)
{
    layout.marks.clear();
    for (const MarkSpan &s : spans) {
        if (s.direction < 0 || s.direction >= int(layout.labels.size()) || s.end <= s.start)
            continue;
        const int left = xOf(layout, s.start, false);
        const int right = xOf(layout, s.end, true);
        const QRect row(left, Top + rowTop(s.direction), std::max(1, right - left), RowHeight);
        layout.marks.push_back({s.direction, row.adjusted(0, -MarkMargin, 0, MarkMargin), s.hint});
    }
}

Hit hitTest(const Layout &layout, QPoint point)
{
    Hit hit;
    // Later bars lie over earlier ones when a row is wider than its panel, as controls did.
    for (int i = int(layout.bars.size()) - 1; i >= 0; --i) {
        const Bar &b = layout.bars[i];
        const Phase &panel = layout.phases[b.phase];
        // A bar is a child of its phase panel and is clipped by it.
        if (b.rect.contains(point) && panel.rect.contains(point)) {
            hit.kind = Hit::BarHit;
            hit.phase = b.phase;
            hit.direction = b.direction;
            hit.slot = b.slot;
            hit.index = i;
            return hit;
        }
    }
    for (int i = 0; i < int(layout.phases.size()); ++i) {
        if (layout.phases[i].rect.contains(point)) {
            hit.kind = Hit::PhaseHit;
            hit.phase = i;
            hit.index = i;
            return hit;
        }
    }
    for (int i = 0; i < int(layout.labels.size()); ++i) {
        if (layout.labels[i].rect.contains(point)) {
            hit.kind = Hit::LabelHit;
            hit.direction = layout.labels[i].direction;
            hit.index = i;
            return hit;
        }
    }
    return hit;
}

QString hintAt(const Layout &layout, QPoint point)
{
    for (const Mark &m : layout.marks)
        if (m.rect.contains(point))
            return m.hint;
    const Hit hit = hitTest(layout, point);
    if (hit.kind == Hit::BarHit)
        return QString::number(layout.bars[hit.index].duration) + QStringLiteral(" c");
    if (hit.kind == Hit::LabelHit)
        return layout.labels[hit.index].hint;
    return {};
}

} // namespace Diagram
