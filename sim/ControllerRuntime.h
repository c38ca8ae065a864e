#pragma once

#include "model/Structures.h"
#include "sim/RingRunner.h"

#include <QByteArray>

#include <array>
#include <functional>
#include <memory>
#include <vector>

// The running side of the virtual controller: a RingRunner for each ring of its flash, moved on
// to the controller clock's time whenever someone looks, with each lamp change handed to a
// trace and each event to the journal.
class ControllerRuntime
{
public:
    using Trace = std::function<void(qint64 ms, int ring, int direction, Signal signal)>;
    using Events = RingRunner::Events;

    // The flash areas of all rings, ring r's blocks at r times the block size.
    ControllerRuntime(const std::vector<std::uint8_t> &projectFlash,
                      const std::vector<std::uint8_t> &programsFlash);

    void setTrace(Trace trace) { m_trace = std::move(trace); }
    void setEvents(Events events);

    // The flash changed: each ring looks at its blocks again at the next move.
    void flashChanged() { m_flashDirty = true; }
    // Every ring starts afresh at `ms` (power-on, or the clock was set).
    void restart(qint64 ms);
    // Runs every ring up to `ms`, change by change.
    void advanceTo(qint64 ms);

    [[nodiscard]] const RingRunner &ring(int ring) const
    {
        return *m_rings[clampIndex(ring, MaxRings)];
    }
    [[nodiscard]] QByteArray stateText(int ring) const { return this->ring(ring).stateText(); }
    // "RED_CHANNEL=… YEL_CHANNEL=… GREEN_CHANNEL=…" as the outputs stand at `ms`.
    [[nodiscard]] QByteArray lines(qint64 ms) const;

    // Both blocks of a ring pass their checksums.
    [[nodiscard]] static bool ringValid(const RingData &ring);

private:
    void readFlash(qint64 ms, bool startAll);
    void traceChanges(qint64 ms);

    const std::vector<std::uint8_t> &m_projectFlash;
    const std::vector<std::uint8_t> &m_programsFlash;
    std::array<std::unique_ptr<RingRunner>, MaxRings> m_rings;
    std::array<std::array<Signal, MaxDirections>, MaxRings> m_shown{};
    std::array<int, MaxRings> m_shownCount{};
    std::array<bool, MaxRings> m_erased{};
    Trace m_trace;
    Events m_events;
    bool m_started = false;
    bool m_flashDirty = true;
    qint64 m_now = 0;
};
