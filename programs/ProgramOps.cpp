#include "programs/ProgramOps.h"

#include "model/ByteIO.h"
#include "programs/Tacts.h"

#include <algorithm>

namespace FL = PhaseLayout;

namespace Progutil {

QString directionTypeName(int type)
{
    static const char *const names[] = {"транспорт", "пешеход",    "поворот",   "реверс",
                                        "трам-лево", "трам-право", "трам-прямо"};
    if (type < 0 || type >= int(std::size(names)))
        return {};
    return QString::fromUtf8(names[type]);
}

QString phaseTypeName(int type)
{
    static const char *const names[] = {"Фиксированная", "Комбинированная", "ТВП"};
    if (type < 0 || type >= int(std::size(names)))
        return {};
    return QString::fromUtf8(names[type]);
}

namespace {

bool isTram(int type)
{
    return type >= FirstTramType && type <= LastTramType;
}

int directionType(const ProjectBlock &project, int d)
{
    return project[directionOffset(d) + DirectionLayout::Type];
}

} // namespace

int tramSignalNumber(const ProjectBlock &project, int direction)
{
    const int type = directionType(project, direction);
    int number = 1;
    for (int d = 0; d < std::min(direction, MaxDirections); ++d)
        if (directionType(project, d) == type)
            ++number;
    return number;
}

QString directionCaption(const ProjectBlock &project, int direction)
{
    const int type = directionType(project, direction);
    QString caption = QString::number(direction + 1) + QLatin1Char(' ') + directionTypeName(type);
    if (isTram(type))
        caption += QStringLiteral(" (") + QString::number(tramSignalNumber(project, direction)) +
                   QLatin1Char(')');
    return caption;
}

PhaseValues readPhase(const ProgramsBlock &programs, int program, int phase, int direction)
{
    const std::size_t at = phaseOffset(program, phase);
    const std::size_t add = at + phaseAdditionOffset(direction);
    PhaseValues v;
    v.type = programs[at + FL::Type];
    v.mainTime = readU16(programs, at + FL::MainTime);
    v.minTime = readU16(programs, at + FL::MinTime);
    v.templateIndex = programs[at + FL::Template];
    v.earlyGreen = programs[add + FL::EarlyGreen];
    v.greenExtension = programs[add + FL::GreenExtension];
    v.extraRed = programs[add + FL::ExtraRed];
    v.call1 = programs[at + FL::PedestrianCall1];
    v.call2 = programs[at + FL::PedestrianCall2];
    return v;
}

std::optional<int> parseNumber(const QString &text, int min, int max)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return int(value);
}

namespace {

void setByte(ProgramsBlock &programs, std::size_t at, std::optional<int> value, bool &changed)
{
    if (!value || programs[at] == *value)
        return;
    programs[at] = static_cast<std::uint8_t>(*value);
    changed = true;
}

void setWord(ProgramsBlock &programs, std::size_t at, std::optional<int> value, bool &changed)
{
    if (!value || readU16(programs, at) == *value)
        return;
    writeU16(programs, at, static_cast<std::uint16_t>(*value));
    changed = true;
}

std::optional<int> item(int index, int count)
{
    if (index < 0 || index >= count)
        return std::nullopt;
    return index;
}

} // namespace

bool applyPhaseEdit(ProgramsBlock &programs, int program, int phase, int direction,
                    const PhaseEditInput &input)
{
    const std::size_t at = phaseOffset(program, phase);
    const std::size_t add = at + phaseAdditionOffset(direction);
    bool changed = false;
    setWord(programs, at + FL::MainTime, parseNumber(input.mainTime, 1, WordFieldMax), changed);
    setByte(programs, add + FL::EarlyGreen, parseNumber(input.earlyGreen, 0, ByteFieldMax),
            changed);
    setByte(programs, add + FL::GreenExtension, parseNumber(input.greenExtension, 0, ByteFieldMax),
            changed);
    setByte(programs, add + FL::ExtraRed, parseNumber(input.extraRed, 0, ByteFieldMax), changed);
    setWord(programs, at + FL::MinTime, parseNumber(input.minTime, 1, WordFieldMax), changed);
    setByte(programs, at + FL::Type, item(input.type, PhaseTypes), changed);
    setByte(programs, at + FL::Template, item(input.templateIndex, MaxTemplates), changed);
    setByte(programs, at + FL::PedestrianCall1, item(input.call1, PedestrianCallChoices), changed);
    setByte(programs, at + FL::PedestrianCall2, item(input.call2, PedestrianCallChoices), changed);
    return changed;
}

namespace {

void writeDefaultPhase(ProgramsBlock &programs, int program, int phase)
{
    const auto at = programs.begin() + phaseOffset(program, phase);
    std::fill(at, at + FL::Size, std::uint8_t{0});
    writeU16(programs, phaseOffset(program, phase) + FL::MainTime, 10);
    writeU16(programs, phaseOffset(program, phase) + FL::MinTime, 3);
}

} // namespace

bool insertPhase(ProgramsBlock &programs, int program, int current)
{
    const std::size_t countAt = programOffset(program) + ProgramLayout::PhaseCount;
    const int count = effectivePhaseCount(programs[countAt]);
    if (count >= MaxPhases)
        return false;
    const int after = clampIndex(current, count);
    // Phases after the selected one move down one record; the record past the old end is
    // overwritten, which is inside the program (count < 32).
    const auto first = programs.begin() + phaseOffset(program, after + 1);
    const auto last = programs.begin() + phaseOffset(program, count - 1) + FL::Size;
    std::copy_backward(first, last, last + FL::Size);
    writeDefaultPhase(programs, program, after + 1);
    programs[countAt] = static_cast<std::uint8_t>(count + 1);
    return true;
}

bool removePhase(ProgramsBlock &programs, int program, int current)
{
    const std::size_t countAt = programOffset(program) + ProgramLayout::PhaseCount;
    const int count = effectivePhaseCount(programs[countAt]);
    if (count <= 1 || current < 0 || current >= count)
        return false;
    // Taken from the removed record's own offset: the offset helper would hold "the record
    // after the last of 32" to record 31, which would copy the last phase over the one before.
    const auto removed = programs.begin() + phaseOffset(program, current);
    const auto last = programs.begin() + phaseOffset(program, count - 1) + FL::Size;
    std::copy(removed + FL::Size, last, removed);
    programs[countAt] = static_cast<std::uint8_t>(count - 1);
    return true;
}

bool additionsEditable(const ProjectBlock &project, const ProgramsBlock &programs, int program,
                       int phase, int direction)
{
    const int templ = programs[phaseOffset(program, phase) + FL::Template];
    return project[templateMarkOffset(templ, direction)] != 0;
}

bool phaseTypeSelectable(const ProjectBlock &project, int phaseType)
{
    return project[ProjectLayout::SyncFlag] == 0 || phaseType != 0;
}

} // namespace Progutil
