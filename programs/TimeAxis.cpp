#include "programs/TimeAxis.h"

#include <algorithm>

namespace Diagram {

int timeToX(const Layout &layout, int seconds)
{
    if (layout.phases.empty())
        return layout.labelContainer.x() + layout.labelContainer.width();
    // The last phase that has started by then; the cycle end belongs to the last phase.
    auto phase = std::upper_bound(layout.phases.begin(), layout.phases.end(), seconds,
                                  [](int s, const Phase &p) { return s < p.start; });
    if (phase != layout.phases.begin())
        --phase;
    const int into = std::clamp(seconds - phase->start, 0, phase->seconds);
    return phase->rect.x() + std::min(barWidth(into, layout.scale), phase->rect.width());
}

TimeAxis layoutTimeAxis(const Layout &layout)
{
    TimeAxis axis;
    if (layout.labels.empty() || layout.phases.empty())
        return axis;
    const Phase &last = layout.phases.back();
    axis.seconds = last.start + last.seconds;
    axis.left = layout.phases.front().rect.x();
    axis.right = last.rect.x() + last.rect.width();
    axis.baseline = layout.labelContainer.y() - 1;
    axis.ticks.reserve(std::size_t(axis.seconds / TimeAxis::TickStep) + 1);
    for (int s = 0; s <= axis.seconds; s += TimeAxis::TickStep)
        axis.ticks.push_back({s, timeToX(layout, s), s % TimeAxis::LabelStep == 0});
    return axis;
}

} // namespace Diagram
