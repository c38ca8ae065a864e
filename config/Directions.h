#pragma once

// Directions, their output bindings and tram signals of one ring's project block, and the two
// project-wide checks over them: no output channel bound twice in any ring, and every tram
// signal complete.

#include "model/Structures.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

class RingModel;

namespace Napr {

enum DirectionType : int {
    Vehicle = 0,
    Pedestrian = 1,
    TurnArrow = 2,
    Reversible = 3,
    TramLeft = 4,
    TramRight = 5,
    TramStraight = 6,
};
static_assert(TramStraight + 1 == DirectionTypes && TramLeft == FirstTramType &&
              TramStraight == LastTramType);
inline constexpr int TypeCount = DirectionTypes;
inline constexpr int MaxGroup = OutputGroups; // "НЕТ" stands for 0
inline constexpr int ColourCount = LampColours;

[[nodiscard]] QString typeName(int type);
[[nodiscard]] constexpr bool isTramType(int type)
{
    return type >= TramLeft && type <= TramStraight;
}

// The count byte clamped to the table; a file may hold anything there.
[[nodiscard]] int directionCount(const ProjectBlock &block);
[[nodiscard]] int directionType(const ProjectBlock &block, int d);

// 1 + the number of directions of the same tram type with a lower index; 0 for other types.
[[nodiscard]] int tramSignalNumber(const ProjectBlock &block, int d);
// The largest of the three per-type counts among the directions in use.
[[nodiscard]] int tramSignalCount(const ProjectBlock &block);
// "5. трам-лево (1)"
[[nodiscard]] QString directionListText(const ProjectBlock &block, int d);

// The binding rows the directions dialog edits. Lower1/Lower2 belong to the tram signal record,
// the others to the direction record.
enum class Row { Red1, Red2, Yellow1, Yellow2, Green1, Green2, Lower1, Lower2 };

struct BindingPlace
{
    std::size_t group = 0;
    std::size_t colour = 0;
    std::size_t controlOff = 0;
};
// Where a row of direction d (or of tram signal record n, for the lower signal) lives.
[[nodiscard]] BindingPlace bindingPlace(Row row, int d, int tramSignal);

enum class AddResult { Added, Full, TramLimit };
// Writes only the type byte of the record at the count; its old bindings come back with it.
AddResult addDirection(ProjectBlock &block, int type);
// Refused (false) when the new type would make a fifth direction of one tram type.
bool changeDirectionType(ProjectBlock &block, int d, int type);
// Drops the last direction; its record is kept. False when only one is left.
bool removeDirection(ProjectBlock &block);

// The project block of every ring in use, ring order, with `current` standing for the current
// ring: its store is stale while the ring is being edited.
[[nodiscard]] std::vector<const ProjectBlock *> ringBlocks(const RingModel &model,
                                                           const ProjectBlock &current);

// One output binding that the output-conflict scan reads: a direction's row, or one of the
// six bindings of a tram signal record. Only bound channels (group 1..8) are listed.
struct ScannedOutput
{
    int direction = -1;  // 0-based; -1 for a tram signal record
    int tramSignal = -1; // 0-based record; -1 for a direction
    int group = 0;
    int colour = 0;
};
// The bindings the scan reads in one ring, in scan order: directions first, then the records
// of the ring's tram signals.
[[nodiscard]] std::vector<ScannedOutput> scannedOutputs(const ProjectBlock &block);
// Whether any binding the dialog edits for the direction's type names an output group.
[[nodiscard]] bool hasBoundOutput(const ProjectBlock &block, int d);

struct OutputConflict
{
    bool conflict = false;
    // The directions dialog's status bar text; none means the bar keeps its text.
    std::optional<QString> status;
};
// Whether the channel (group, colour) is already bound anywhere in the given rings.
[[nodiscard]] OutputConflict CheckOutputConflict(std::span<const ProjectBlock *const> rings,
                                                 int group, int colour);
// The dialog's form: the current ring is the dialog copy with its unsaved changes.
[[nodiscard]] OutputConflict
CheckOutputConflict(const RingModel &model, const ProjectBlock &dialogCopy, int group, int colour);

struct TramFault
{
    int ring = 0;       // 0-based
    int signal = 0;     // tram signal number, 1-based
    int direction = -1; // the signal's direction to mend: one lacking its output, else its first
};
// Every tram signal that lacks one of its three directions or their row-1 output.
[[nodiscard]] std::vector<TramFault>
incompleteTramSignals(std::span<const ProjectBlock *const> rings);
// The first tram signal that lacks one of its three directions or their row-1 output.
[[nodiscard]] std::optional<TramFault>
findIncompleteTramSignal(std::span<const ProjectBlock *const> rings);
// True when some tram signal of some ring is incomplete.
[[nodiscard]] bool CheckTramSignals(std::span<const ProjectBlock *const> rings);
// Over the data an upload sends: the working copy for the current ring, stores for the others.
[[nodiscard]] bool CheckTramSignals(const RingModel &model);

inline const QString TramLimitText = QStringLiteral("Превышено кол-во трамвайных светофоров");
inline const QString TramCheckText =
    QStringLiteral("Ошибка проекта: некорректное задание ТРАМВАЙНЫХ направлений");

} // namespace Napr
