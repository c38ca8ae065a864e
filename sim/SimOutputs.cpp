#include "sim/SimOutputs.h"

#include <algorithm>
#include <iterator>

namespace {
std::uint8_t bit(int group)
{
    return static_cast<std::uint8_t>(1u << (group - 1));
}
} // namespace

void SimOutputs::setTestMode(bool on)
{
    m_testMode = on;
    if (!on)
        std::fill(std::begin(m_lit), std::end(m_lit), std::uint8_t(0));
}

bool SimOutputs::setChannel(int group, Colour colour, bool on)
{
    if (!isGroup(group) || (on && !m_testMode))
        return false;
    std::uint8_t &lit = m_lit[int(colour)];
    lit = on ? (lit | bit(group)) : (lit & ~bit(group));
    return true;
}

bool SimOutputs::channel(int group, Colour colour) const
{
    return isGroup(group) && (m_lit[int(colour)] & bit(group));
}

void SimOutputs::setDeadLamp(int group)
{
    if (isGroup(group))
        m_dead |= bit(group);
}

QByteArray SimOutputs::lineAdc() const
{
    return tokens(m_lit[int(Colour::Red)] & ~m_dead);
}

QByteArray SimOutputs::linePwm() const
{
    return tokens(m_lit[int(Colour::Green)]);
}

QByteArray SimOutputs::lines() const
{
    return "RED_CHANNEL=" + digits(m_lit[int(Colour::Red)]) +
           " YEL_CHANNEL=" + digits(m_lit[int(Colour::Yellow)]) +
           " GREEN_CHANNEL=" + digits(m_lit[int(Colour::Green)]);
}

QByteArray SimOutputs::tokens(std::uint8_t mask)
{
    QByteArray text;
    for (int group = 1; group <= OutputGroups; ++group) {
        if (group > 1)
            text += ' ';
        text += (mask & bit(group)) ? '1' : '0';
    }
    return text;
}

QByteArray SimOutputs::digits(std::uint8_t mask)
{
    QByteArray text(OutputGroups, '0');
    for (int group = 1; group <= OutputGroups; ++group)
        text[group - 1] = (mask & bit(group)) ? '1' : '0';
    return text;
}
