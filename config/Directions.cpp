#include "config/Directions.h"

#include "model/RingModel.h"
#include "programs/ProgramOps.h"

#include <algorithm>
#include <array>

namespace PL = ProjectLayout;
namespace DL = DirectionLayout;
namespace TL = TramSignalLayout;

namespace Napr {

namespace {

int countOfType(const ProjectBlock &block, int type, int below)
{
    int n = 0;
    for (int d = 0; d < below; ++d)
        n += directionType(block, d) == type ? 1 : 0;
    return n;
}

bool tramLimitKept(const ProjectBlock &block)
{
    const int count = directionCount(block);
    for (int type = TramLeft; type <= TramStraight; ++type)
        if (countOfType(block, type, count) > TramSignals)
            return false;
    return true;
}

} // namespace

QString typeName(int type)
{
    const QString name = Progutil::directionTypeName(type);
    return name.isEmpty() ? QStringLiteral("тип %1").arg(type) : name;
}

int directionCount(const ProjectBlock &block)
{
    return std::min<int>(block[PL::DirectionCount], MaxDirections);
}

int directionType(const ProjectBlock &block, int d)
{
    return block[directionOffset(d) + DL::Type];
}

int tramSignalNumber(const ProjectBlock &block, int d)
{
    const int type = directionType(block, d);
    if (!isTramType(type))
        return 0;
    return 1 + countOfType(block, type, clampIndex(d, MaxDirections));
}

int tramSignalCount(const ProjectBlock &block)
{
    const int count = directionCount(block);
    int most = 0;
    for (int type = TramLeft; type <= TramStraight; ++type)
        most = std::max(most, countOfType(block, type, count));
    return most;
}

QString directionListText(const ProjectBlock &block, int d)
{
    QString text =
        QString::number(d + 1) + QStringLiteral(". ") + typeName(directionType(block, d));
    if (const int n = tramSignalNumber(block, d); n > 0)
        text += QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
    return text;
}

BindingPlace bindingPlace(Row row, int d, int tramSignal)
{
    const std::size_t dir = directionOffset(d);
    const auto direction = [dir](std::size_t at) {
        return BindingPlace{dir + at + DL::BindingGroup, dir + at + DL::BindingColour,
                            dir + at + DL::BindingControlOff};
    };
    const std::size_t tram = tramSignalOffset(tramSignal);
    switch (row) {
    case Row::Red1:
        return direction(DL::Red1);
    case Row::Red2:
        return direction(DL::Red2);
    case Row::Yellow1:
        return direction(DL::Yellow1);
    case Row::Yellow2:
        return direction(DL::Yellow2);
    case Row::Green1:
        return direction(DL::Green1);
    case Row::Green2:
        return direction(DL::Green2);
    case Row::Lower1:
        return {tram + TL::Lower1 + DL::BindingGroup, tram + TL::Lower1 + DL::BindingColour,
                tram + TL::Lower1 + DL::BindingControlOff};
    case Row::Lower2:
        return {tram + TL::Lower2 + DL::BindingGroup, tram + TL::Lower2 + DL::BindingColour,
                tram + TL::Lower2ControlOff};
    }
    return direction(DL::Red1);
}

AddResult addDirection(ProjectBlock &block, int type)
{
    const int count = directionCount(block);
    if (count >= MaxDirections)
        return AddResult::Full;
    std::uint8_t &typeByte = block[directionOffset(count) + DL::Type];
    const std::uint8_t previous = typeByte;
    typeByte = static_cast<std::uint8_t>(type);
    if (tramSignalNumber(block, count) > TramSignals) {
        typeByte = previous; // the record keeps what it held while out of use
        return AddResult::TramLimit;
    }
    block[PL::DirectionCount] = static_cast<std::uint8_t>(count + 1);
    return AddResult::Added;
}

bool changeDirectionType(ProjectBlock &block, int d, int type)
{
    std::uint8_t &typeByte = block[directionOffset(d) + DL::Type];
    const std::uint8_t previous = typeByte;
    typeByte = static_cast<std::uint8_t>(type);
    // A change can push a later direction of the same type past the fourth tram signal, so the
    // whole ring is checked, not only the changed direction.
    if (isTramType(type) && !tramLimitKept(block)) {
        typeByte = previous;
        return false;
    }
    return true;
}

bool removeDirection(ProjectBlock &block)
{
    const int count = directionCount(block);
    if (count <= 1)
        return false;
    block[PL::DirectionCount] = static_cast<std::uint8_t>(count - 1);
    return true;
}

std::vector<const ProjectBlock *> ringBlocks(const RingModel &model, const ProjectBlock &current)
{
    const int rings = std::clamp(std::max(model.ringCount(), model.currentRing() + 1), 1, MaxRings);
    std::vector<const ProjectBlock *> blocks;
    for (int r = 0; r < rings; ++r)
        blocks.push_back(r == model.currentRing() ? &current : &model.store(r).project);
    return blocks;
}

} // namespace Napr
