#include "programs/SheetContent.h"

#include "model/ByteIO.h"
#include "model/Description.h"
#include "programs/ProgramOps.h"
#include "programs/Tacts.h"

QString SheetContent::dateText() const
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString SheetContent::cycleText() const
{
    return QString::number(cycle) + QStringLiteral(" c");
}

SheetContent sheetContent(const ProjectBlock &project, const ProgramsBlock &programs, int ring,
                          int program, QDate date)
{
    program = clampIndex(program, MaxPrograms);
    SheetContent content;
    content.description = projectDescription(project);
    content.ring = ring + 1;
    content.program = program + 1;
    content.date = date;
    Takts takts;
    takts.bind(project, programs);
    content.cycle = takts.cycleLength(program);
    QStringList types;
    for (int f = 0; f < takts.phaseCount(program); ++f) {
        const std::size_t at = phaseOffset(program, f);
        SheetPhaseRow row;
        row.number = f + 1;
        const int type = programs[at + PhaseLayout::Type];
        row.type = Progutil::phaseTypeName(type);
        if (row.type.isEmpty()) // a code from a file that no name belongs to
            row.type = QString::number(type);
        row.mainTime = readU16(programs, at + PhaseLayout::MainTime);
        row.minTime = readU16(programs, at + PhaseLayout::MinTime);
        row.templateNumber = programs[at + PhaseLayout::Template] + 1;
        if (!types.contains(row.type))
            types.append(row.type);
        content.phases.push_back(row);
    }
    content.phaseTypes = types.join(QStringLiteral(", "));
    return content;
}
