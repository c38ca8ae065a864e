#pragma once

// The lamps of a ring's directions as the running controller lights them, derived from one
// poll's output channels and the open project's bindings.

#include "config/Directions.h"
#include "model/Structures.h"

#include <QMap>
#include <QString>

#include <span>
#include <vector>

namespace LiveLamps {

// What a direction shows. A green blink is not told apart from a steady green: one poll every
// 400 ms cannot see a 1 Hz blink reliably, so a blinking green reads as green or off.
enum class Lamp { Off, Red, Yellow, RedYellow, Green };

// The poll's key=value pairs, as StateMonitor keeps them.
using State = QMap<QString, QString>;

// Each output colour's channel string: character g-1 is '1' when group g is on.
struct Channels
{
    QString red;
    QString yellow;
    QString green;
};
[[nodiscard]] Channels channels(const State &state);

// The binding rows whose outputs light a direction type's red, yellow and green lamps. The
// virtual controller drives the outputs through the same rule the monitor reads them back by.
struct LampRows
{
    std::span<const Napr::Row> red;
    std::span<const Napr::Row> yellow;
    std::span<const Napr::Row> green;
};
[[nodiscard]] LampRows lampRows(int type);

// Whether output (group, colour) of a binding is on. Group 0 and values beyond the tables
// stand for "not bound" and are never on.
[[nodiscard]] bool channelOn(const Channels &channels, int group, int colour);

// The lamp of direction d. Red with yellow is the red-yellow before green; any other pair the
// controller should never show is read with red first, then yellow, so that a fault never
// looks like a green.
[[nodiscard]] Lamp directionLamp(const ProjectBlock &block, int d, const Channels &channels);

struct DirectionLamp
{
    int number = 0; // 1-based
    int type = 0;
    Lamp lamp = Lamp::Off;
    bool operator==(const DirectionLamp &) const = default;
};
[[nodiscard]] std::vector<DirectionLamp> directionLamps(const ProjectBlock &block,
                                                        const Channels &channels);

[[nodiscard]] QString lampName(Lamp lamp);

// True when the running program or its phase cannot exist in the open ring's programs.
[[nodiscard]] bool projectDiffers(const ProgramsBlock &programs, const State &state);

inline const QString ProjectDiffersText = QStringLiteral("Проект в ДК отличается от открытого");

} // namespace LiveLamps
