#pragma once

#include "model/Structures.h"

#include <QString>

#include <optional>

// The editing rules of the program editor: what a phase looks like to the edit panel, what
// the panel may write back, inserting and removing phases. Everything here works on the
// programs block of the working copy and never writes outside the program record.
namespace Progutil {

[[nodiscard]] QString directionTypeName(int type);
[[nodiscard]] QString phaseTypeName(int type);

// 1 plus the number of directions of the same tram type with a lower index.
[[nodiscard]] int tramSignalNumber(const ProjectBlock &project, int direction);
// "5 трам-право (2)": the caption of a direction's row label.
[[nodiscard]] QString directionCaption(const ProjectBlock &project, int direction);

// A phase as the edit panel shows it, with the additions of one direction.
struct PhaseValues
{
    int type = 0;
    int mainTime = 0;
    int minTime = 0;
    int templateIndex = 0;
    int earlyGreen = 0;
    int greenExtension = 0;
    int extraRed = 0;
    int call1 = 0;
    int call2 = 0;
};
[[nodiscard]] PhaseValues readPhase(const ProgramsBlock &programs, int program, int phase,
                                    int direction);

// What the panel hands back on "OK": the texts of the number fields and the item indices of
// the selectors (-1 when nothing is selected).
struct PhaseEditInput
{
    QString mainTime;
    QString earlyGreen;
    QString greenExtension;
    QString extraRed;
    QString minTime;
    int type = -1;
    int templateIndex = -1;
    int call1 = -1;
    int call2 = -1;
};
// Writes the accepted values; a text that is not a decimal integer or does not fit its field
// leaves the stored value as it was. Returns whether any byte changed.
bool applyPhaseEdit(ProgramsBlock &programs, int program, int phase, int direction,
                    const PhaseEditInput &input);

// A decimal integer within min..max, or nothing.
[[nodiscard]] std::optional<int> parseNumber(const QString &text, int min, int max);

// Inserts a default phase after `current`. A full program is left as it is: dropping a phase
// the user built would lose work without a word. Returns whether the program changed.
bool insertPhase(ProgramsBlock &programs, int program, int current);
// Removes phase `current` when the program has more than one phase; the old last record stays
// behind the new count.
bool removePhase(ProgramsBlock &programs, int program, int current);

// The additions of a direction are only meaningful where the phase's template makes it green.
[[nodiscard]] bool additionsEditable(const ProjectBlock &project, const ProgramsBlock &programs,
                                     int program, int phase, int direction);
// With the ring synchronised, a fixed phase keeps its type.
[[nodiscard]] bool phaseTypeSelectable(const ProjectBlock &project, int phaseType);

} // namespace Progutil
