#include "service/LiveLamps.h"

#include "config/Directions.h"

#include <array>
#include <span>

namespace LiveLamps {
namespace {

using Napr::Row;

constexpr std::array kReds = {Row::Red1, Row::Red2};
constexpr std::array kYellows = {Row::Yellow1, Row::Yellow2};
constexpr std::array kGreens = {Row::Green1, Row::Green2};

bool anyOn(const ProjectBlock &block, int d, std::span<const Row> rows, const Channels &channels)
{
    for (const Row row : rows) {
        const Napr::BindingPlace at = Napr::bindingPlace(row, d, 0);
        if (channelOn(channels, block[at.group], block[at.colour]))
            return true;
    }
    return false;
}

} // namespace

// Tram directions are read like vehicles from their own rows; the lower tram signal they
// share is left out, as it belongs to no single direction.
LampRows lampRows(int type)
{
    switch (type) {
    case Napr::Pedestrian:
        // A pedestrian head has no yellow lamp, whatever its yellow rows hold.
        return {kReds, {}, kGreens};
    case Napr::TurnArrow:
        return {{}, {}, kGreens};
    default:
        return {kReds, kYellows, kGreens};
    }
}

Channels channels(const State &state)
{
    return {state.value(QStringLiteral("RED_CHANNEL")), state.value(QStringLiteral("YEL_CHANNEL")),
            state.value(QStringLiteral("GREEN_CHANNEL"))};
}

bool channelOn(const Channels &channels, int group, int colour)
{
    if (group < 1 || group > OutputGroups)
        return false;
    const QString *value = nullptr;
    switch (colour) {
    case LampColour::Red:
        value = &channels.red;
        break;
    case LampColour::Yellow:
        value = &channels.yellow;
        break;
    case LampColour::Green:
        value = &channels.green;
        break;
    default:
        return false;
    }
    return group <= value->size() && value->at(group - 1) == QLatin1Char('1');
}

Lamp directionLamp(const ProjectBlock &block, int d, const Channels &channels)
{
    const LampRows rows = lampRows(Napr::directionType(block, d));
    const bool red = anyOn(block, d, rows.red, channels);
    const bool yellow = anyOn(block, d, rows.yellow, channels);
    if (red)
        return yellow ? Lamp::RedYellow : Lamp::Red;
    if (yellow)
        return Lamp::Yellow;
    return anyOn(block, d, rows.green, channels) ? Lamp::Green : Lamp::Off;
}

std::vector<DirectionLamp> directionLamps(const ProjectBlock &block, const Channels &channels)
{
    std::vector<DirectionLamp> lamps;
    const int count = Napr::directionCount(block);
    for (int d = 0; d < count; ++d)
        lamps.push_back({d + 1, Napr::directionType(block, d), directionLamp(block, d, channels)});
    return lamps;
}

QString lampName(Lamp lamp)
{
    switch (lamp) {
    case Lamp::Red:
        return QStringLiteral("красный");
    case Lamp::Yellow:
        return QStringLiteral("желтый");
    case Lamp::RedYellow:
        return QStringLiteral("красный+желтый");
    case Lamp::Green:
        return QStringLiteral("зеленый");
    case Lamp::Off:
        break;
    }
    return QStringLiteral("выключен");
}

bool projectDiffers(const ProgramsBlock &programs, const State &state)
{
    bool isNumber = false;
    const int program = state.value(QStringLiteral("PROGRAM")).toInt(&isNumber);
    // Without a program number there is nothing to hold against the project.
    if (!isNumber)
        return false;
    if (program < 1 || program > MaxPrograms)
        return true;
    const int phase = state.value(QStringLiteral("PROG_FAZA")).toInt(&isNumber);
    const int phases = programs[programOffset(program - 1) + ProgramLayout::PhaseCount];
    return isNumber && phase > phases;
}

} // namespace LiveLamps
