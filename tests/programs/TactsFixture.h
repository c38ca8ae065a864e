#pragma once

#include "model/ByteIO.h"
#include "model/Structures.h"

#include <memory>

// A ring built up field by field for the tact tests: everything zero, then what a test sets.
struct Ring
{
    std::unique_ptr<RingData> data = std::make_unique<RingData>();

    ProjectBlock &p() { return data->project; }
    ProgramsBlock &g() { return data->programs; }

    Ring &directions(int n)
    {
        p()[ProjectLayout::DirectionCount] = static_cast<std::uint8_t>(n);
        return *this;
    }
    Ring &type(int d, int type)
    {
        p()[directionOffset(d)] = static_cast<std::uint8_t>(type);
        return *this;
    }
    Ring &times(int y, int ry, int gb, int fill = 0)
    {
        p()[ProjectLayout::Yellow] = static_cast<std::uint8_t>(y);
        p()[ProjectLayout::RedYellow] = static_cast<std::uint8_t>(ry);
        p()[ProjectLayout::GreenBlink] = static_cast<std::uint8_t>(gb);
        p()[ProjectLayout::FillMode] = static_cast<std::uint8_t>(fill);
        return *this;
    }
    Ring &green(int t, int d, int mark = 1)
    {
        p()[templateMarkOffset(t, d)] = static_cast<std::uint8_t>(mark);
        return *this;
    }
    Ring &conflict(int j, int k, int time)
    {
        p()[conflictFlagOffset(j, k)] = 1;
        p()[conflictTimeOffset(j, k)] = static_cast<std::uint8_t>(time);
        return *this;
    }
    Ring &phases(int program, int count)
    {
        g()[programOffset(program)] = static_cast<std::uint8_t>(count);
        return *this;
    }
    Ring &phase(int program, int f, int templ, int mainTime)
    {
        g()[phaseOffset(program, f) + PhaseLayout::Template] = static_cast<std::uint8_t>(templ);
        writeU16(g(), phaseOffset(program, f) + PhaseLayout::MainTime,
                 static_cast<std::uint16_t>(mainTime));
        return *this;
    }
    // kind: PhaseLayout::EarlyGreen, GreenExtension or ExtraRed.
    Ring &addition(int program, int f, int d, std::size_t kind, int seconds)
    {
        g()[phaseOffset(program, f) + PhaseLayout::Additions + 3 * d + kind] =
            static_cast<std::uint8_t>(seconds);
        return *this;
    }
};
