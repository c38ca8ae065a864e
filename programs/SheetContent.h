#pragma once

#include "model/Structures.h"

#include <QDate>
#include <QString>

#include <vector>

// What a signal-plan sheet says about one program, in words and numbers: the title block
// and the phase table. The drawing itself comes from the diagram layout.
struct SheetPhaseRow
{
    int number = 0; // 1-based
    QString type;
    int mainTime = 0;
    int minTime = 0;
    int templateNumber = 0; // 1-based
};

struct SheetContent
{
    QString description;
    int ring = 0;       // 1-based
    int program = 0;    // 1-based
    QString phaseTypes; // the type names of its phases, each once, in the order they appear
    int cycle = 0;      // seconds
    QDate date;
    std::vector<SheetPhaseRow> phases;

    [[nodiscard]] QString dateText() const;
    [[nodiscard]] QString cycleText() const; // "32 c", as the window shows it
};

// `ring` and `program` are 0-based indices; the blocks are those of that ring.
[[nodiscard]] SheetContent sheetContent(const ProjectBlock &project, const ProgramsBlock &programs,
                                        int ring, int program, QDate date);
