#include "schedules/DayPlans.h"

#include "model/ByteIO.h"

#include <algorithm>
#include <array>

namespace DL = DayPlanLayout;

namespace Dayplans {

DayPlanView::DayPlanView(const ProjectBlock &block, int plan)
    : m_block(block), m_plan(clampIndex(plan, MaxDayPlans))
{
}

int DayPlanView::entryCount() const
{
    return std::clamp<int>(m_block[dayPlanOffset(m_plan) + DL::EntryCount], 1, MaxDayPlanEntries);
}

int DayPlanView::program(int e) const
{
    return m_block[dayPlanEntryOffset(m_plan, e) + DL::EntryProgram];
}

int DayPlanView::kind(int e) const
{
    return m_block[dayPlanEntryOffset(m_plan, e) + DL::EntryKind];
}

std::uint32_t DayPlanView::start(int e) const
{
    return readU32(m_block, dayPlanEntryOffset(m_plan, e) + DL::EntryStart);
}

std::optional<int> DayPlanView::firstIncorrectEntry() const
{
    const int count = entryCount();
    for (int e = 0; e < count; ++e) {
        if (start(e) > LastSecond)
            return e;
        if (e > 0 && start(e) <= start(e - 1))
            return e;
    }
    return std::nullopt;
}

bool DayPlanView::storedEmpty() const
{
    return m_block[dayPlanOffset(m_plan) + DL::EntryCount] == 0;
}

DayPlanEdit::DayPlanEdit(ProjectBlock &block, int plan) : DayPlanView(block, plan), m_data(block) {}

void DayPlanEdit::setProgram(int e, int program)
{
    const std::size_t at = dayPlanEntryOffset(this->plan(), e);
    m_data[at + DL::EntryProgram] = static_cast<std::uint8_t>(clampIndex(program, MaxPrograms));
    m_data[at + DL::EntryKind] = static_cast<std::uint8_t>(Kind::Program);
}

void DayPlanEdit::setKind(int e, Kind kind)
{
    m_data[dayPlanEntryOffset(this->plan(), e) + DL::EntryKind] = static_cast<std::uint8_t>(kind);
}

void DayPlanEdit::setStart(int e, std::uint32_t seconds)
{
    writeU32(m_data, dayPlanEntryOffset(this->plan(), e) + DL::EntryStart, seconds);
}

bool DayPlanEdit::addEntry()
{
    const int count = entryCount();
    if (count >= MaxDayPlanEntries)
        return false;
    const std::uint32_t last = start(count - 1);
    if (last >= LastSecond)
        return false;
    m_data[dayPlanOffset(plan()) + DL::EntryCount] = static_cast<std::uint8_t>(count + 1);
    setStart(count, std::min(last + AddedEntryStep, LastSecond));
    return true;
}

bool DayPlanEdit::removeLastEntry()
{
    const int count = entryCount();
    if (count <= 1)
        return false;
    m_data[dayPlanOffset(plan()) + DL::EntryCount] = static_cast<std::uint8_t>(count - 1);
    return true;
}

bool DayPlanEdit::correct()
{
    const int count = entryCount();
    // Wide enough that a pushed 0xFFFFFFFF cannot wrap round to an early time.
    std::array<std::uint64_t, MaxDayPlanEntries> times{};
    for (int e = 0; e < count; ++e)
        times[e] = start(e);
    for (int e = 1; e < count; ++e) {
        if (times[e] <= times[e - 1])
            times[e] = times[e - 1] + 1;
    }
    // A plan pushed past midnight is pulled back so that it ends by 23:59:59; with at most 32
    // entries there is always room.
    std::uint64_t limit = LastSecond;
    for (int e = count - 1; e >= 0; --e) {
        times[e] = std::min(times[e], limit);
        limit = times[e] - 1;
    }
    bool changed = false;
    for (int e = 0; e < count; ++e) {
        if (times[e] != start(e)) {
            setStart(e, static_cast<std::uint32_t>(times[e]));
            changed = true;
        }
    }
    return changed;
}

void DayPlanEdit::normaliseCount()
{
    m_data[dayPlanOffset(plan()) + DL::EntryCount] = static_cast<std::uint8_t>(entryCount());
}

bool allPlansCorrect(const ProjectBlock &block)
{
    for (int n = 0; n < MaxDayPlans; ++n) {
        if (!DayPlanView(block, n).isCorrect())
            return false;
    }
    return true;
}

void correctAllPlans(ProjectBlock &block)
{
    for (int n = 0; n < MaxDayPlans; ++n)
        DayPlanEdit(block, n).correct();
}

void normaliseAllCounts(ProjectBlock &block)
{
    for (int n = 0; n < MaxDayPlans; ++n)
        DayPlanEdit(block, n).normaliseCount();
}

QString programText(int kind, int program)
{
    switch (static_cast<Kind>(kind)) {
    case Kind::Program:
        return QString::number(program + 1);
    case Kind::Flashing:
        return QStringLiteral("ЖМ");
    case Kind::SignalsOff:
        return QStringLiteral("ОС");
    case Kind::AllRed:
        return QStringLiteral("КК");
    }
    // A kind the controller does not define: show its code rather than guess a meaning.
    return QStringLiteral("?%1").arg(kind);
}

QString startTimeText(std::uint32_t seconds)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, zero)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

} // namespace Dayplans
