// The two project-wide checks over the directions: no output channel bound twice in any
// ring, and every tram signal complete.
#include "config/Directions.h"

#include "model/RingModel.h"

#include <algorithm>
#include <array>

namespace DL = DirectionLayout;
namespace TL = TramSignalLayout;

namespace Napr {

namespace {

// Up to three binding rows of a direction.
struct Rows
{
    std::array<std::size_t, 3> rows{};
    int count = 0;
};

// The bindings the output-conflict scan reads for each type. A pedestrian's "ТВП - ЖДИТЕ"
// output and a turn arrow's green are left out on purpose: they may share a channel.
Rows scannedRows(int type)
{
    switch (type) {
    case Vehicle:
    case Reversible:
        return {{DL::Red1, DL::Yellow1, DL::Green1}, 3};
    case Pedestrian:
        return {{DL::Red1, DL::Green1, 0}, 2};
    case TramLeft:
        return {{DL::Red1, DL::Red2, 0}, 2};
    case TramRight:
        return {{DL::Green1, DL::Green2, 0}, 2};
    case TramStraight:
        return {{DL::Yellow1, DL::Yellow2, 0}, 2};
    default:
        return {};
    }
}

// The bindings the dialog edits for each type.
Rows editedRows(int type)
{
    switch (type) {
    case Vehicle:
    case Pedestrian:
    case Reversible:
        return {{DL::Red1, DL::Yellow1, DL::Green1}, 3};
    case TurnArrow:
        return {{DL::Green1, 0, 0}, 1};
    case TramLeft:
        return {{DL::Red1, DL::Red2, 0}, 2};
    case TramRight:
        return {{DL::Green1, DL::Green2, 0}, 2};
    case TramStraight:
        return {{DL::Yellow1, DL::Yellow2, 0}, 2};
    default:
        return {};
    }
}

} // namespace

std::vector<ScannedOutput> scannedOutputs(const ProjectBlock &block)
{
    std::vector<ScannedOutput> outputs;
    const auto add = [&](int d, int n, std::size_t at) {
        const int group = block[at + DL::BindingGroup];
        if (group != 0)
            outputs.push_back({d, n, group, block[at + DL::BindingColour]});
    };
    for (int d = 0; d < directionCount(block); ++d) {
        const Rows scanned = scannedRows(directionType(block, d));
        for (int i = 0; i < scanned.count; ++i)
            add(d, -1, directionOffset(d) + scanned.rows[i]);
    }
    const int signalCount = std::min(tramSignalCount(block), TramSignals);
    for (int n = 0; n < signalCount; ++n)
        for (int b = 0; b < int(TL::Bindings); ++b)
            add(-1, n, tramSignalBindingOffset(n, b));
    return outputs;
}

bool hasBoundOutput(const ProjectBlock &block, int d)
{
    const Rows edited = editedRows(directionType(block, d));
    for (int i = 0; i < edited.count; ++i)
        if (block[directionOffset(d) + edited.rows[i] + DL::BindingGroup] != 0)
            return true;
    return false;
}

OutputConflict CheckOutputConflict(std::span<const ProjectBlock *const> rings, int group,
                                   int colour)
{
    if (group == 0)
        return {};
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const QString ring = QStringLiteral("Конфликт выходов!!! Кольцо=") + QString::number(r + 1);
        for (const ScannedOutput &o : scannedOutputs(*rings[r])) {
            if (o.group != group || o.colour != colour)
                continue;
            if (o.direction >= 0)
                return {true,
                        ring + QStringLiteral(". Направление=") + QString::number(o.direction + 1)};
            return {true, ring + QStringLiteral(". СТОП трамвайя №=") +
                              QString::number(o.tramSignal + 1)};
        }
    }
    return {false, QString()};
}

OutputConflict CheckOutputConflict(const RingModel &model, const ProjectBlock &dialogCopy,
                                   int group, int colour)
{
    const auto blocks = ringBlocks(model, dialogCopy);
    return CheckOutputConflict(blocks, group, colour);
}

std::vector<TramFault> incompleteTramSignals(std::span<const ProjectBlock *const> rings)
{
    // The row-1 binding each tram type drives.
    const std::pair<int, std::size_t> parts[] = {
        {TramLeft, DL::Red1}, {TramRight, DL::Green1}, {TramStraight, DL::Yellow1}};
    std::vector<TramFault> faults;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const ProjectBlock &block = *rings[r];
        const int count = directionCount(block);
        const int signalCount = tramSignalCount(block);
        for (int n = 1; n <= signalCount; ++n) {
            // A signal beyond the fourth has no record for its lower signal: the controller
            // cannot drive it, so it never counts as complete.
            bool complete = n <= TramSignals;
            int first = -1;
            int unbound = -1;
            for (const auto &[type, row] : parts) {
                bool found = false;
                for (int d = 0; d < count && !found; ++d) {
                    if (directionType(block, d) != type || tramSignalNumber(block, d) != n)
                        continue;
                    first = first < 0 ? d : std::min(first, d);
                    found = block[directionOffset(d) + row + DL::BindingGroup] != 0;
                    if (!found && unbound < 0)
                        unbound = d;
                }
                complete = complete && found;
            }
            if (!complete)
                faults.push_back({int(r), n, unbound >= 0 ? unbound : first});
        }
    }
    return faults;
}

std::optional<TramFault> findIncompleteTramSignal(std::span<const ProjectBlock *const> rings)
{
    const std::vector<TramFault> faults = incompleteTramSignals(rings);
    if (faults.empty())
        return std::nullopt;
    return faults.front();
}

bool CheckTramSignals(std::span<const ProjectBlock *const> rings)
{
    return findIncompleteTramSignal(rings).has_value();
}

bool CheckTramSignals(const RingModel &model)
{
    const auto blocks = ringBlocks(model, model.project());
    return CheckTramSignals(blocks);
}

} // namespace Napr
