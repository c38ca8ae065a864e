#pragma once

// Safety parameters of one ring: the conflict matrix (flags and times) and the transition and
// failure settings, with the rules by which typed text reaches the block.

#include "model/Structures.h"

#include <QString>

#include <functional>
#include <optional>

namespace Guard {

// The ten number fields of the dialog, in the order of its edit boxes.
enum class Field {
    MinRed,
    Yellow,
    RedYellow,
    GreenBlink,
    MinGreen,
    MaxPhaseDuration,
    AllRedDuration,
    RestartInterval,
    RestartAttempts,
    FailureClearMinutes,
};
inline constexpr int FieldCount = 10;

[[nodiscard]] bool conflictFlag(const ProjectBlock &block, int i, int j);
// Toggles flag (i, j) only; the mirror cell is a separate setting. The diagonal is never set.
void toggleConflictFlag(ProjectBlock &block, int i, int j);
// The time shown in the times grid: empty while the flag is clear.
[[nodiscard]] QString conflictTimeText(const ProjectBlock &block, int i, int j);

[[nodiscard]] int fieldValue(const ProjectBlock &block, Field field);
[[nodiscard]] int fieldMaximum(Field field);
// Stores typed text into a field. Text that is not a decimal integer, a negative number or a
// number wider than the field is refused and the field keeps its value (false).
bool applyField(ProjectBlock &block, Field field, const QString &text);

[[nodiscard]] int fillMode(const ProjectBlock &block);
void setFillMode(ProjectBlock &block, int mode);

// Stores typed conflict times for every off-diagonal cell of the first n directions whose flag
// is set. Text that is not a non-negative integer keeps the time; above 255 stores 255.
void applyConflictTimes(ProjectBlock &block, int n, const std::function<QString(int, int)> &text);
bool applyConflictTime(ProjectBlock &block, int i, int j, const QString &text);

// The bytes "Сохранить" writes back: times, flags and the parameter fields.
inline constexpr std::size_t StoredOffset = ProjectLayout::ConflictTimes;
inline constexpr std::size_t StoredSize =
    ProjectLayout::AllRedDuration + 1 - ProjectLayout::ConflictTimes;
static_assert(StoredOffset + StoredSize == ProjectLayout::Description);

} // namespace Guard
