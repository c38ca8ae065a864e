#pragma once

#include "programs/DiagramLayout.h"

#include <vector>

namespace Diagram {

// The seconds scale over the diagram, counted from the start of the program's first phase.
// Ticks are placed through the phase panels, so a tick sits on a phase border exactly where
// the panel is drawn, however the bar widths were truncated on the way.
struct TimeAxis
{
    static constexpr int TickStep = 5;   // seconds between ticks
    static constexpr int LabelStep = 10; // seconds between numbered ticks
    static constexpr int MinorTick = 4;  // tick lengths in diagram pixels
    static constexpr int MajorTick = 8;

    struct Tick
    {
        int seconds = 0;
        int x = 0;
        bool labelled = false;
        bool operator==(const Tick &) const = default;
    };

    int left = 0;     // x of the cycle start
    int right = 0;    // x of the cycle end
    int baseline = 0; // y of the axis line, just above the phase panels
    int seconds = 0;  // the cycle as drawn
    std::vector<Tick> ticks;

    [[nodiscard]] bool isEmpty() const { return ticks.empty(); }
};

// Empty when the diagram has no rows: its phase panels then have no width to measure time by.
[[nodiscard]] TimeAxis layoutTimeAxis(const Layout &layout);

// Where `seconds` from the cycle start lies on the diagram's x axis.
[[nodiscard]] int timeToX(const Layout &layout, int seconds);

} // namespace Diagram
