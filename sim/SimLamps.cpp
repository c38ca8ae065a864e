#include "sim/SimLamps.h"

#include "service/LiveLamps.h"
#include "sim/RingRunner.h"

namespace {
std::uint8_t bit(int group)
{
    return static_cast<std::uint8_t>(1u << (group - 1));
}

QByteArray digits(std::uint8_t mask)
{
    QByteArray text(OutputGroups, '0');
    for (int group = 1; group <= OutputGroups; ++group)
        text[group - 1] = (mask & bit(group)) ? '1' : '0';
    return text;
}
} // namespace

bool SimLamps::blinkLit(qint64 ms)
{
    return ms % 1000 < 500;
}

void SimLamps::light(const ProjectBlock &block, int direction, int colour, bool on)
{
    const LiveLamps::LampRows rows = LiveLamps::lampRows(block[directionOffset(direction)]);
    const auto span = colour == LampColour::Red      ? rows.red
                      : colour == LampColour::Yellow ? rows.yellow
                                                     : rows.green;
    for (const Napr::Row row : span) {
        const Napr::BindingPlace at = Napr::bindingPlace(row, direction, 0);
        const int group = block[at.group];
        const int channel = block[at.colour];
        if (group < 1 || group > OutputGroups || channel >= LampColours)
            continue;
        m_claimed[channel] |= bit(group);
        if (on)
            m_lit[channel] |= bit(group);
    }
}

void SimLamps::add(const RingRunner &ring, qint64 ms)
{
    if (!ring.valid())
        return;
    const ProjectBlock &block = ring.blocks()->project;
    const bool blink = blinkLit(ms);
    for (int d = 0; d < ring.directionCount(); ++d) {
        const Signal signal = ring.signal(d);
        const bool red = signal == Signal::Red || signal == Signal::RedYellow;
        const bool yellow = signal == Signal::Yellow || signal == Signal::RedYellow ||
                            (signal == Signal::YellowFlash && blink);
        const bool green = signal == Signal::Green || (signal == Signal::GreenBlink && blink);
        light(block, d, LampColour::Red, red);
        light(block, d, LampColour::Yellow, yellow);
        light(block, d, LampColour::Green, green);
    }
}

void SimLamps::flashUnclaimed(qint64 ms, bool someRingBroken)
{
    if (someRingBroken && blinkLit(ms))
        m_lit[LampColour::Yellow] |= std::uint8_t(~m_claimed[LampColour::Yellow]);
}

bool SimLamps::lit(int group, int colour) const
{
    return group >= 1 && group <= OutputGroups && colour >= 0 && colour < LampColours &&
           (m_lit[colour] & bit(group));
}

QByteArray SimLamps::lines() const
{
    return "RED_CHANNEL=" + digits(m_lit[LampColour::Red]) +
           " YEL_CHANNEL=" + digits(m_lit[LampColour::Yellow]) +
           " GREEN_CHANNEL=" + digits(m_lit[LampColour::Green]);
}
