#pragma once

#include "model/Structures.h"
#include "programs/Tacts.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <vector>

// The diagram of one program in scroll-box coordinates. Painting, hit-testing and the
// placement of the edit panels all read this one layout, so what is clicked is what is drawn.
namespace Diagram {

inline constexpr int SlotsPerPhase = 1 + IntermediateSlots; // slot 0 is the main time

// The tacts of every (phase, direction): slot 0 is the main time, 1..4 the intermediate tacts.
struct ProgramSlots
{
    int phaseCount = 0;
    int directionCount = 0;
    std::array<int, MaxPhases> templateIndex{};
    std::array<std::array<std::array<Tact, SlotsPerPhase>, MaxDirections>, MaxPhases> tacts{};
};
[[nodiscard]] ProgramSlots computeSlots(const ProjectBlock &project, const ProgramsBlock &programs,
                                        int program);

struct Bar
{
    int phase = 0;
    int direction = 0;
    int slot = 0;
    QRect rect;        // in scroll-box coordinates
    QRect rectInPhase; // relative to its phase panel
    std::uint8_t colour = TactNone;
    int duration = 0;
    QString text; // "Ф<n>" on single-colour main bars, else empty
};

struct Label
{
    int direction = 0;
    QRect rect;        // in scroll-box coordinates
    QRect rectInGroup; // relative to the label container
    QString caption;
    QString hint;
};

struct Phase
{
    int phase = 0;
    QRect rect;
    bool current = false;
    int start = 0;   // seconds from the cycle start to the phase's main time
    int seconds = 0; // main time plus the interval to the next phase, as drawn
};

// A safety violation drawn over a row: a stretch of one direction, seconds from the start of
// phase 1's main time, and the words for its tooltip.
struct MarkSpan
{
    int direction = 0;
    int start = 0;
    int end = 0;
    QString hint;
};
// Where the marks of a program come from; the rules live with the project check.
using MarkSource =
    std::function<std::vector<MarkSpan>(const ProjectBlock &, const ProgramsBlock &, int program)>;

struct Mark
{
    int direction = 0;
    QRect rect; // in scroll-box coordinates, framing the row's bars
    QString hint;
};

struct Layout
{
    QRect labelContainer;
    std::vector<Label> labels;
    std::vector<Phase> phases;
    std::vector<Bar> bars;
    std::vector<Mark> marks;
    QSize extent; // everything drawn fits in (0, 0) .. extent
    float scale = 1.0f;
};

// Pixel width of t seconds: t × 5 × scale, truncated, with the scale a 32-bit float.
[[nodiscard]] int barWidth(int seconds, float scale);

[[nodiscard]] Layout layoutDiagram(const ProgramSlots &grid, const ProjectBlock &project,
                                   float scale, int currentPhase);

// Puts the marks over the rows of a laid-out diagram.
void placeMarks(Layout &layout, const std::vector<MarkSpan> &spans);

struct Hit
{
    enum Kind { Nothing, BarHit, LabelHit, PhaseHit };
    Kind kind = Nothing;
    int phase = -1;
    int direction = -1;
    int slot = -1;
    int index = -1; // into Layout::bars / labels / phases
};
// What a click at `point` lands on: a bar lies over its phase panel.
[[nodiscard]] Hit hitTest(const Layout &layout, QPoint point);
// The mark's hint, else the bar hint ("12 c") or label hint at `point`; empty when there is
// none.
[[nodiscard]] QString hintAt(const Layout &layout, QPoint point);

} // namespace Diagram
