#include "sim/RingRunner.h"

#include <algorithm>
#include <limits>

namespace {
constexpr qint64 kSecond = 1000;
constexpr qint64 kNever = std::numeric_limits<qint64>::max();

QDateTime clockTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

RingMode ringMode(ScheduleResolver::Mode mode)
{
    switch (mode) {
    case ScheduleResolver::Mode::SignalsOff:
        return RingMode::SignalsOff;
    case ScheduleResolver::Mode::AllRed:
        return RingMode::AllRed;
    case ScheduleResolver::Mode::Program:
    case ScheduleResolver::Mode::Flashing:
        break;
    }
    return RingMode::Flashing;
}

RingMode ringMode(RingRunner::Work work)
{
    switch (work) {
    case RingRunner::Work::SignalsOff:
        return RingMode::SignalsOff;
    case RingRunner::Work::AllRed:
        return RingMode::AllRed;
    default:
        return RingMode::Flashing;
    }
}

bool greenFamily(Signal signal)
{
    return signal == Signal::Green || signal == Signal::GreenBlink;
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
    m_playing = false;
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
    m_alarm = false;
    m_playing = false;
    m_decideAt = kNever;
    if (!m_blocks) {
        m_work = Work::BadFlash;
        report(ms, QStringLiteral("ошибка проекта во FLASH, жёлтое мигание"));
        return;
    }
    // Whatever the outputs showed before (an earlier project, or nothing), the ring starts as
    // from dark: all red first, so no green follows a green it cannot know about.
    enterFromMode(ScheduleResolver::entryInForce(m_blocks->project, clockTime(ms)), ms,
                  RingMode::SignalsOff, true);
    settle();
    watch();
}

bool RingRunner::runnable(int program) const
{
    const int stored = m_blocks->programs[programOffset(program) + ProgramLayout::PhaseCount];
    return stored >= 1 && stored <= MaxPhases && m_takts.cycleLength(program) > 0;
}

int RingRunner::firstMainTime(int program) const
{
    return m_takts.computeTransition(program, program, 0, m_takts.nextPhase(program, 0)).mainTime;
}

void RingRunner::setMode(RingMode mode, bool badProgram, qint64 ms)
{
    m_playing = false;
    m_decideAt = kNever;
    m_badProgram = badProgram;
    switch (mode) {
    case RingMode::SignalsOff:
        m_work = Work::SignalsOff;
        report(ms, QStringLiteral("светофоры выключены по плану"));
        return;
    case RingMode::AllRed:
        m_work = Work::AllRed;
        report(ms, QStringLiteral("кругом красный по плану"));
        return;
    case RingMode::Flashing:
    case RingMode::Program:
        break;
    }
    m_work = Work::Flashing;
    if (badProgram)
        report(ms, QStringLiteral("программа %1 не может работать, жёлтое мигание")
                       .arg(m_entry.program + 1));
    else
        report(ms, QStringLiteral("жёлтое мигание по плану"));
}

void RingRunner::enterFromMode(const ScheduleResolver::PlanEntry &entry, qint64 ms, RingMode from,
                               bool powerOn)
{
    using ScheduleResolver::Mode;
    m_entry = entry;
    m_decideAt = kNever;
    if (entry.mode == Mode::Program && !runnable(entry.program)) {
        // A program without phases or without time would never leave its first second: a fault
        // of the project, shown at once as a fault is.
        setMode(RingMode::Flashing, true, ms);
        return;
    }
    if (entry.mode != Mode::Program) {
        if (!powerOn) {
            setMode(ringMode(entry.mode), false, ms);
            return;
        }
        // The start's all-red, then the mode.
        setMode(ringMode(entry.mode), false, ms);
        SwitchTimeline line;
        const int allRed = m_blocks->project[ProjectLayout::AllRedDuration];
        ModeSwitch::appendAll(line, directionCount(), allRed, Lamp::Red);
        m_targetMode = ringMode(entry.mode);
        m_targetBad = false;
        play(std::move(line), ms, allRed, Next::Mode);
        return;
    }
    m_badProgram = false;
    m_work = Work::Program;
    m_program = entry.program;
    m_phase = 0;
    report(ms, QStringLiteral("переход на программу %1").arg(m_program + 1));
    // The timeline begins with one second of the mode left, which lies just behind us.
    SwitchTimeline line = ModeSwitch::leaveMode(m_takts, m_blocks->project, from, m_program);
    const int end = line.length - firstMainTime(m_program);
    play(std::move(line), ms - kSecond, end, Next::FirstPhase);
}

void RingRunner::play(SwitchTimeline line, qint64 zero, int end, Next next)
{
    m_line = std::move(line);
    m_zero = zero;
    m_end = end;
    m_next = next;
    m_playing = true;
    m_boundaries.clear();
    for (int d = 0; d < directionCount(); ++d) {
        for (const LampSpan &span : m_line.directions[d]) {
            if (span.start > 0 && span.start < end)
                m_boundaries.push_back(span.start);
        }
    }
    std::sort(m_boundaries.begin(), m_boundaries.end());
    m_boundaries.erase(std::unique(m_boundaries.begin(), m_boundaries.end()), m_boundaries.end());
}

void RingRunner::startPeriod(int phase, qint64 ms)
{
    m_phase = phase;
    const TransitionTable table =
        m_takts.computeTransition(m_program, m_program, phase, m_takts.nextPhase(m_program, phase));
    SwitchTimeline line;
    ModeSwitch::appendPeriod(line, directionCount(), table, true);
    const int length = line.length;
    play(std::move(line), ms, length, Next::NextPhase);
    // Only at the end of the last phase's main time does a new entry of the day plan take over.
    m_decideAt =
        phase == m_takts.phaseCount(m_program) - 1 ? ms + table.mainTime * kSecond : kNever;
}

void RingRunner::decideAtCycleEnd()
{
    using ScheduleResolver::Mode;
    const qint64 at = m_decideAt;
    m_decideAt = kNever;
    const auto entry = ScheduleResolver::entryInForce(m_blocks->project, clockTime(at));
    m_entry = entry;
    if (entry.mode == Mode::Program && entry.program == m_program)
        return;
    // The switch timelines begin with the last phase's main time, which began at m_zero.
    if (entry.mode == Mode::Program && runnable(entry.program)) {
        SwitchTimeline line = ModeSwitch::programSwitch(m_takts, m_program, entry.program);
        const int end = line.length - firstMainTime(entry.program);
        m_target = entry.program;
        play(std::move(line), m_zero, end, Next::NewProgram);
        return;
    }
    m_targetBad = entry.mode == Mode::Program;
    m_targetMode = ringMode(entry.mode);
    SwitchTimeline line =
        ModeSwitch::enterMode(m_takts, m_blocks->project, m_program, m_targetMode);
    const int end = line.length - 1;
    play(std::move(line), m_zero, end, Next::Mode);
}

void RingRunner::endStretch()
{
    const qint64 end = stretchEnd();
    switch (m_next) {
    case Next::NextPhase:
        startPeriod(m_takts.nextPhase(m_program, m_phase), end);
        return;
    case Next::FirstPhase:
        startPeriod(0, end);
        return;
    case Next::NewProgram:
        m_program = m_target;
        report(end, QStringLiteral("переход на программу %1").arg(m_program + 1));
        startPeriod(0, end);
        return;
    case Next::Mode:
        if (m_work == Work::Program)
            setMode(m_targetMode, m_targetBad, end);
        m_playing = false;
        return;
    }
}

void RingRunner::settle()
{
    for (;;) {
        if (m_decideAt <= m_now)
            decideAtCycleEnd();
        else if (m_playing && stretchEnd() <= m_now)
            endStretch();
        else
            return;
    }
}

qint64 RingRunner::nextEvent() const
{
    if (m_work == Work::BadFlash || m_alarm)
        return kNever;
    if (!m_playing) {
        // A special mode looks at its schedule every second.
        return (m_now / kSecond + 1) * kSecond;
    }
    qint64 next = std::min(stretchEnd(), m_decideAt);
    for (const int b : m_boundaries) {
        if (m_zero + b * kSecond > m_now) {
            next = std::min(next, m_zero + b * kSecond);
            break;
        }
    }
    return next;
}

void RingRunner::stepTo(qint64 ms)
{
    m_now = std::max(m_now, ms);
    if (m_work == Work::BadFlash || m_alarm)
        return;
    if (m_playing) {
        settle();
    } else {
        const auto entry = ScheduleResolver::entryInForce(m_blocks->project, clockTime(m_now));
        if (entry != m_entry) {
            enterFromMode(entry, m_now, ringMode(m_work), false);
            settle();
        }
    }
    watch();
}

void RingRunner::watch()
{
    // The monitor looks at what the outputs show, whatever the tables meant them to show.
    if (m_alarm || !m_playing)
        return;
    const ProjectBlock &p = m_blocks->project;
    const int n = directionCount();
    std::array<bool, MaxDirections> green{};
    for (int d = 0; d < n; ++d)
        green[d] = greenFamily(signal(d));
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n && green[i]; ++j) {
            if (!green[j] || (!p[conflictFlagOffset(i, j)] && !p[conflictFlagOffset(j, i)]))
                continue;
            m_alarm = true;
            m_playing = false;
            m_decideAt = kNever;
            m_work = Work::Flashing;
            report(m_now, QStringLiteral("конфликт зелёных: направления %1 и %2, жёлтое мигание")
                              .arg(i + 1)
                              .arg(j + 1));
            return;
        }
    }
}

Signal RingRunner::signal(int direction) const
{
    if (!m_blocks || direction < 0 || direction >= directionCount())
        return Signal::Off;
    if (m_alarm)
        return Signal::YellowFlash;
    if (m_playing)
        return ModeSwitch::lampAt(m_line.directions[direction], int((m_now - m_zero) / kSecond));
    switch (m_work) {
    case Work::Flashing:
        return Signal::YellowFlash;
    case Work::AllRed:
        return Signal::Red;
    default:
        return Signal::Off;
    }
}

QByteArray RingRunner::stateText() const
{
    if (m_alarm)
        return "WORK=SPEC_PROG SPEC_PROG=FLASH LEVEL=ALARM";
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
