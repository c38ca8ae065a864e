#include "sim/RingRunner.h"

#include <algorithm>
#include <limits>

namespace {
constexpr qint64 kSecond = 1000;

Signal fromTact(std::uint8_t colour)
{
    switch (colour) {
    case TactGreen:
        return Signal::Green;
    case TactGreenBlink:
        return Signal::GreenBlink;
    case TactRed:
        return Signal::Red;
    case TactRedYellow:
        return Signal::RedYellow;
    case TactYellow:
        return Signal::Yellow;
    default:
        return Signal::Off;
    }
}

QDateTime clockTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}
} // namespace

QString signalName(Signal signal)
{
    switch (signal) {
    case Signal::Green:
        return QStringLiteral("green");
    case Signal::GreenBlink:
        return QStringLiteral("green-blinking");
    case Signal::Red:
        return QStringLiteral("red");
    case Signal::RedYellow:
        return QStringLiteral("red-yellow");
    case Signal::Yellow:
        return QStringLiteral("yellow");
    case Signal::YellowFlash:
        return QStringLiteral("yellow-flashing");
    case Signal::Off:
        break;
    }
    return QStringLiteral("off");
}

RingRunner::RingRunner(int ring) : m_ring(ring) {}

void RingRunner::load(const RingData *blocks)
{
    m_blocks = blocks ? std::make_unique<RingData>(*blocks) : nullptr;
    if (m_blocks)
        m_takts.bind(m_blocks->project, m_blocks->programs);
    m_work = Work::BadFlash;
}

int RingRunner::directionCount() const
{
    return m_blocks ? m_takts.directionCount() : 0;
}

void RingRunner::report(qint64 ms, const QString &text) const
{
    if (m_events)
        m_events(ms, QStringLiteral("Кольцо %1: %2").arg(m_ring + 1).arg(text));
}

void RingRunner::start(qint64 ms)
{
    m_now = ms;
    if (!m_blocks) {
        m_work = Work::BadFlash;
        report(ms, QStringLiteral("ошибка проекта во FLASH, жёлтое мигание"));
        return;
    }
    m_work = Work::Flashing; // nothing ran before: no lead-in
    enter(ScheduleResolver::entryInForce(m_blocks->project, clockTime(ms)), ms, false);
}

bool RingRunner::runnable(int program) const
{
    const int stored = m_blocks->programs[programOffset(program) + ProgramLayout::PhaseCount];
    return stored >= 1 && stored <= MaxPhases && m_takts.cycleLength(program) > 0;
}

void RingRunner::enter(const ScheduleResolver::PlanEntry &entry, qint64 ms, bool fromCycleEnd)
{
    using ScheduleResolver::Mode;
    m_entry = entry;
    m_badProgram = false;
    m_periodStart = ms;
    switch (entry.mode) {
    case Mode::Program: {
        const int from = m_work == Work::Program ? m_program : -1;
        if (!runnable(entry.program)) {
            // A program without phases or without time would never leave its first second.
            m_work = Work::Flashing;
            m_badProgram = true;
            report(ms, QStringLiteral("программа %1 не может работать, жёлтое мигание")
                           .arg(entry.program + 1));
            return;
        }
        m_work = Work::Program;
        m_program = entry.program;
        report(ms, QStringLiteral("переход на программу %1").arg(m_program + 1));
        if (fromCycleEnd && from >= 0 && from != m_program)
            startLeadIn(from, ms);
        else
            startPeriod(0, ms);
        return;
    }
    case Mode::Flashing:
        m_work = Work::Flashing;
        report(ms, QStringLiteral("жёлтое мигание по плану"));
        return;
    case Mode::SignalsOff:
        m_work = Work::SignalsOff;
        report(ms, QStringLiteral("светофоры выключены по плану"));
        return;
    case Mode::AllRed:
        m_work = Work::AllRed;
        report(ms, QStringLiteral("кругом красный по плану"));
        return;
    }
}

void RingRunner::startPeriod(int phase, qint64 ms)
{
    m_phase = phase;
    m_leadIn = false;
    m_table =
        m_takts.computeTransition(m_program, m_program, phase, m_takts.nextPhase(m_program, phase));
    m_mainTime = m_table.mainTime;
    m_periodStart = ms;
    setBoundaries();
}

void RingRunner::startLeadIn(int fromProgram, qint64 ms)
{
    // The last interval of the old cycle led into its first phase; from there the new program's
    // first phase is reached through the intermediate tacts between the two, as between any
    // two phases, so no conflicting green ever follows another without them.
    m_table = m_takts.computeTransition(fromProgram, m_program, 0, 0);
    if (m_table.interval == 0) {
        startPeriod(0, ms);
        return;
    }
    m_phase = 0;
    m_leadIn = true;
    m_mainTime = 0;
    m_periodStart = ms;
    setBoundaries();
}

void RingRunner::setBoundaries()
{
    m_boundaries.clear();
    const int length = m_mainTime + m_table.interval;
    for (int d = 0; d < directionCount(); ++d) {
        int at = m_mainTime;
        m_boundaries.push_back(at);
        for (const Tact &tact : m_table.directions[d].tacts) {
            if (tact.duration <= 0)
                continue;
            at += tact.duration;
            m_boundaries.push_back(at);
        }
    }
    std::erase_if(m_boundaries, [&](int b) { return b <= 0 || b >= length; });
    std::sort(m_boundaries.begin(), m_boundaries.end());
    m_boundaries.erase(std::unique(m_boundaries.begin(), m_boundaries.end()), m_boundaries.end());
}

qint64 RingRunner::periodEnd() const
{
    return m_periodStart + qint64(m_mainTime + m_table.interval) * kSecond;
}

qint64 RingRunner::nextEvent() const
{
    switch (m_work) {
    case Work::BadFlash:
        return std::numeric_limits<qint64>::max();
    case Work::Program:
        for (const int b : m_boundaries) {
            if (m_periodStart + b * kSecond > m_now)
                return m_periodStart + b * kSecond;
        }
        return periodEnd();
    default:
        // A special mode looks at its schedule every second.
        return (m_now / kSecond + 1) * kSecond;
    }
}

void RingRunner::stepTo(qint64 ms)
{
    m_now = std::max(m_now, ms);
    if (m_work == Work::Program) {
        while (m_work == Work::Program && periodEnd() <= m_now)
            endPeriod();
        return;
    }
    if (m_work == Work::BadFlash)
        return;
    const auto entry = ScheduleResolver::entryInForce(m_blocks->project, clockTime(m_now));
    if (entry != m_entry)
        enter(entry, m_now, false);
}

void RingRunner::endPeriod()
{
    const qint64 end = periodEnd();
    if (m_leadIn) {
        startPeriod(0, end);
        return;
    }
    const int next = m_takts.nextPhase(m_program, m_phase);
    if (next != 0) {
        startPeriod(next, end);
        return;
    }
    // The cycle is over: only here does a new entry of the day plan take over.
    const auto entry = ScheduleResolver::entryInForce(m_blocks->project, clockTime(end));
    if (entry.mode == ScheduleResolver::Mode::Program && entry.program == m_program) {
        m_entry = entry;
        startPeriod(0, end);
        return;
    }
    enter(entry, end, true);
}

Signal RingRunner::signal(int direction) const
{
    if (!m_blocks || direction < 0 || direction >= directionCount())
        return Signal::Off;
    switch (m_work) {
    case Work::Program:
        break;
    case Work::Flashing:
        return Signal::YellowFlash;
    case Work::AllRed:
        return Signal::Red;
    default:
        return Signal::Off;
    }
    const DirectionTacts &tacts = m_table.directions[direction];
    const qint64 into = m_now - m_periodStart;
    qint64 until = qint64(m_mainTime) * kSecond;
    if (into < until)
        return fromTact(tacts.mainColour);
    Signal last = fromTact(tacts.mainColour);
    for (const Tact &tact : tacts.tacts) {
        if (tact.duration <= 0)
            continue;
        last = fromTact(tact.colour);
        until += qint64(tact.duration) * kSecond;
        if (into < until)
            return last;
    }
    return last;
}

QByteArray RingRunner::stateText() const
{
    switch (m_work) {
    case Work::Program:
        return "WORK=PROGRAM PROGRAM=" + QByteArray::number(m_program + 1) +
               " PROG_FAZA=" + QByteArray::number(m_phase + 1) + " LEVEL=PLAN";
    case Work::Flashing:
        // A broken program is a fault of the project, not the plan's wish.
        return m_badProgram ? "WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM"
                            : "WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=PLAN";
    case Work::SignalsOff:
        return "WORK=SPEC_PROG SPEC_PROG=OFF LEVEL=PLAN";
    case Work::AllRed:
        return "WORK=SPEC_PROG SPEC_PROG=KK LEVEL=PLAN";
    case Work::BadFlash:
        break;
    }
    return "WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM";
}
