#pragma once

#include "model/Structures.h"
#include "programs/ModeSwitch.h"
#include "programs/Tacts.h"
#include "sim/ScheduleResolver.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// What one direction shows while the ring runs: the lamps of the switch timelines, so that the
// street and the safety analysis speak of the same thing. A blinking signal is one state here;
// which half of the blink the lamp is in is a matter of the clock (SimLamps).
using Signal = Lamp;

[[nodiscard]] QString signalName(Signal signal);

// Runs one ring as the controller does: the schedule picks the program, the phases follow each
// other with their main time and then the intermediate tacts that the configurator's own tact
// computation gives, cycle after cycle. Every switch (program to program, into and out of the
// special modes, the start) plays the colour sequence ModeSwitch builds for it, and a conflict
// monitor looks at the signals after every change. Time is the controller clock in
// milliseconds; the ring moves only when it is stepped, so a test steps it through a day without
// waiting.
class RingRunner
{
public:
    enum class Work { BadFlash, Program, Flashing, SignalsOff, AllRed };

    // Called with the ring's journal texts as things happen.
    using Events = std::function<void(qint64 ms, const QString &text)>;

    explicit RingRunner(int ring);

    // The ring's blocks as the flash holds them, or nothing when they failed their checks.
    void load(const RingData *blocks);
    [[nodiscard]] bool valid() const { return m_blocks != nullptr; }
    [[nodiscard]] const RingData *blocks() const { return m_blocks.get(); }
    void setEvents(Events events) { m_events = std::move(events); }

    // Begins with what the schedule puts in force at `ms`, after the all-red of the start.
    void start(qint64 ms);
    // The next moment at which something changes; never before the time reached.
    [[nodiscard]] qint64 nextEvent() const;
    // Moves to `ms` (at most nextEvent()), handling the boundary that lies there.
    void stepTo(qint64 ms);

    [[nodiscard]] Work work() const { return m_work; }
    [[nodiscard]] int program() const { return m_program; } // 0-based
    [[nodiscard]] int phase() const { return m_phase; }     // 0-based
    [[nodiscard]] int directionCount() const;
    [[nodiscard]] Signal signal(int direction) const;
    // The conflict monitor saw two conflicting directions green-family together; the ring
    // flashes yellow until it is started again.
    [[nodiscard]] bool conflictAlarm() const { return m_alarm; }
    // The "get state" answer of this ring.
    [[nodiscard]] QByteArray stateText() const;

private:
    // What follows the stretch being played.
    enum class Next { NextPhase, FirstPhase, NewProgram, Mode };

    void enterFromMode(const ScheduleResolver::PlanEntry &entry, qint64 ms, RingMode from,
                       bool powerOn);
    void decideAtCycleEnd();
    void startPeriod(int phase, qint64 ms);
    void play(SwitchTimeline line, qint64 zero, int end, Next next);
    void endStretch();
    void settle();
    void setMode(RingMode mode, bool badProgram, qint64 ms);
    void watch();
    [[nodiscard]] bool runnable(int program) const;
    [[nodiscard]] int firstMainTime(int program) const;
    [[nodiscard]] qint64 stretchEnd() const { return m_zero + qint64(m_end) * 1000; }
    void report(qint64 ms, const QString &text) const;

    int m_ring;
    std::unique_ptr<RingData> m_blocks;
    Takts m_takts;
    Events m_events;

    Work m_work = Work::BadFlash;
    ScheduleResolver::PlanEntry m_entry;
    bool m_badProgram = false;
    bool m_alarm = false;
    int m_program = 0;
    int m_phase = 0;
    // The stretch being played: a phase period (its main time and the interval after it) or a
    // switch, from t=0 at m_zero up to second m_end of its timeline.
    bool m_playing = false;
    SwitchTimeline m_line;
    qint64 m_zero = 0;
    int m_end = 0;
    Next m_next = Next::NextPhase;
    int m_target = 0;
    RingMode m_targetMode = RingMode::Flashing;
    bool m_targetBad = false;
    // The end of the last phase's main time, where the schedule is asked what comes next.
    qint64 m_decideAt = 0;
    std::vector<int> m_boundaries; // seconds into the stretch at which a signal changes
    qint64 m_now = 0;
};
