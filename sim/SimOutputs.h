#pragma once

#include "model/Structures.h"

#include <QByteArray>

#include <cstdint>

// The output test: a technician switches single lamps of the eight groups by hand and reads
// back, per group, whether the red lamp draws current and whether the green output carries
// voltage. Outside test mode lamps can only be switched off, so nothing lights against the
// running program.
class SimOutputs
{
public:
    enum class Colour : std::uint8_t {
        Red = LampColour::Red,
        Yellow = LampColour::Yellow,
        Green = LampColour::Green
    };

    // Groups count from 1, as on the wire.
    [[nodiscard]] static bool isGroup(int group) { return group >= 1 && group <= OutputGroups; }

    [[nodiscard]] bool testMode() const { return m_testMode; }
    // Leaving test mode puts every lamp out, as the program takes the outputs back.
    void setTestMode(bool on);
    // False when refused: a group out of range, or "on" outside test mode.
    bool setChannel(int group, Colour colour, bool on);
    [[nodiscard]] bool channel(int group, Colour colour) const;
    // A burnt-out lamp: its output is driven, but no current flows.
    void setDeadLamp(int group);

    // One "0"/"1" per group: current through the red lamp.
    [[nodiscard]] QByteArray lineAdc() const;
    // One "0"/"1" per group: voltage on the green output.
    [[nodiscard]] QByteArray linePwm() const;
    // The same picture as the running state's lines, for "get lines" during the test.
    [[nodiscard]] QByteArray lines() const;

private:
    [[nodiscard]] static QByteArray tokens(std::uint8_t mask);
    [[nodiscard]] static QByteArray digits(std::uint8_t mask);

    bool m_testMode = false;
    std::uint8_t m_lit[LampColours] = {}; // bit g-1 for group g
    std::uint8_t m_dead = 0;
};
