#pragma once

#include "model/Structures.h"
#include "programs/Tacts.h"
#include "sim/ScheduleResolver.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// What one direction shows while the ring runs. A blinking signal is one state here; which half
// of the blink the lamp is in is a matter of the clock (SimLamps).
enum class Signal : std::uint8_t { Off, Green, GreenBlink, Red, RedYellow, Yellow, YellowFlash };

[[nodiscard]] QString signalName(Signal signal);

// Runs one ring as the controller does: the schedule picks the program, the phases follow each
// other with their main time and then the intermediate tacts that the configurator's own tact
// computation gives, cycle after cycle. Time is the controller clock in milliseconds; the ring
// moves only when it is stepped, so a test steps it through a day without waiting.
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

    // Begins with what the schedule puts in force at `ms`, from its first phase.
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
    // The "get state" answer of this ring.
    [[nodiscard]] QByteArray stateText() const;

private:
    void enter(const ScheduleResolver::PlanEntry &entry, qint64 ms, bool fromCycleEnd);
    void startPeriod(int phase, qint64 ms);
    void startLeadIn(int fromProgram, qint64 ms);
    void endPeriod();
    [[nodiscard]] bool runnable(int program) const;
    void setBoundaries();
    [[nodiscard]] qint64 periodEnd() const;
    void report(qint64 ms, const QString &text) const;

    int m_ring;
    std::unique_ptr<RingData> m_blocks;
    Takts m_takts;
    Events m_events;

    Work m_work = Work::BadFlash;
    ScheduleResolver::PlanEntry m_entry;
    bool m_badProgram = false;
    int m_program = 0;
    int m_phase = 0;
    bool m_leadIn = false;
    // The running period: the main time of m_phase and the interval that follows it; a lead-in
    // into a new program has no main time.
    TransitionTable m_table;
    int m_mainTime = 0;
    qint64 m_periodStart = 0;
    std::vector<int> m_boundaries; // seconds into the period at which a signal changes
    qint64 m_now = 0;
};
