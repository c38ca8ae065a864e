#include "sim/ControllerRuntime.h"

#include "model/ByteIO.h"
#include "model/Crc32.h"
#include "sim/SimLamps.h"

#include <algorithm>
#include <cstring>
#include <limits>

ControllerRuntime::ControllerRuntime(const std::vector<std::uint8_t> &projectFlash,
                                     const std::vector<std::uint8_t> &programsFlash)
    : m_projectFlash(projectFlash), m_programsFlash(programsFlash)
{
    for (int r = 0; r < MaxRings; ++r)
        m_rings[r] = std::make_unique<RingRunner>(r);
}

void ControllerRuntime::setEvents(Events events)
{
    m_events = std::move(events);
    for (auto &ring : m_rings)
        ring->setEvents(m_events);
}

bool ControllerRuntime::ringValid(const RingData &ring)
{
    const std::span<const std::uint8_t> project(ring.project);
    const std::span<const std::uint8_t> programs(ring.programs);
    return readU32(project, ProjectLayout::Crc) == Crc32(project.first(ProjectLayout::Crc)) &&
           readU32(programs, ProgramsLayout::Crc) == Crc32(programs.first(ProgramsLayout::Crc));
}

void ControllerRuntime::readFlash(qint64 ms, bool startAll)
{
    m_flashDirty = false;
    auto image = std::make_unique<RingData>();
    for (int r = 0; r < MaxRings; ++r) {
        const auto project = m_projectFlash.begin() + qsizetype(r) * ProjectLayout::Size;
        const auto programs = m_programsFlash.begin() + qsizetype(r) * ProgramsLayout::Size;
        std::copy(project, project + ProjectLayout::Size, image->project.begin());
        std::copy(programs, programs + ProgramsLayout::Size, image->programs.begin());
        RingRunner &runner = *m_rings[r];
        const bool valid = ringValid(*image);
        // Every byte equals the next and the first is 0xFF, as a fresh controller's flash is;
        // or the first packet is all zeros, as an upload's erase pass leaves a ring it does not
        // use. One memcmp over the bytes rather than a loop per byte: the fuzz targets make a
        // controller per input, where a byte loop over every ring took half of their time.
        const auto erased = [](const auto &block) {
            const std::size_t head = FlashLayout::PacketSize;
            return (block.front() == 0xFF &&
                    std::memcmp(block.data(), block.data() + 1, block.size() - 1) == 0) ||
                   (block.front() == 0 &&
                    std::memcmp(block.data(), block.data() + 1, head - 1) == 0);
        };
        m_erased[r] = !valid && erased(image->project) && erased(image->programs);
        const bool same = valid ? runner.valid() && *runner.blocks() == *image : !runner.valid();
        if (same && !startAll)
            continue;
        if (!same) {
            runner.load(valid ? image.get() : nullptr);
            if (valid && m_started && m_events)
                m_events(ms, QStringLiteral("Кольцо %1: проект записан во FLASH").arg(r + 1));
        }
        runner.start(ms);
    }
}

void ControllerRuntime::restart(qint64 ms)
{
    m_now = ms;
    readFlash(ms, true);
    m_started = true;
    traceChanges(ms);
}

void ControllerRuntime::advanceTo(qint64 ms)
{
    // A clock that went back (the host's was set) cannot be run up to: start from there.
    if (!m_started || ms < m_now) {
        restart(ms);
        return;
    }
    for (;;) {
        RingRunner *first = nullptr;
        qint64 at = std::numeric_limits<qint64>::max();
        for (auto &ring : m_rings) {
            const qint64 next = ring->nextEvent();
            if (next < at) {
                at = next;
                first = ring.get();
            }
        }
        if (!first || at > ms)
            break;
        first->stepTo(at);
        m_now = at;
        traceChanges(at);
    }
    m_now = ms;
    for (auto &ring : m_rings)
        ring->stepTo(ms);
    if (m_flashDirty)
        readFlash(ms, false);
    traceChanges(ms);
}

void ControllerRuntime::traceChanges(qint64 ms)
{
    for (int r = 0; r < MaxRings; ++r) {
        const RingRunner &runner = *m_rings[r];
        const int count = runner.directionCount();
        for (int d = 0; d < count; ++d) {
            const Signal now = runner.signal(d);
            if (d < m_shownCount[r] && m_shown[r][d] == now)
                continue;
            m_shown[r][d] = now;
            if (m_trace)
                m_trace(ms, r, d, now);
        }
        // A ring that lost its project has no directions left to show.
        for (int d = count; d < m_shownCount[r]; ++d) {
            if (m_trace && m_shown[r][d] != Signal::Off)
                m_trace(ms, r, d, Signal::Off);
        }
        m_shownCount[r] = count;
    }
}

QByteArray ControllerRuntime::lines(qint64 ms) const
{
    SimLamps lamps;
    for (const auto &ring : m_rings)
        lamps.add(*ring, ms);
    // An upload erases the rings beyond the project's count, so erased rings after the last
    // valid one are not in use. Any other ring without a valid project is, and so is every ring
    // of a flash that holds no valid one.
    int used = MaxRings;
    while (used > 0 && !m_rings[used - 1]->valid())
        --used;
    bool broken = used == 0;
    for (int r = 0; r < MaxRings; ++r)
        broken = broken || (!m_rings[r]->valid() && (r < used || !m_erased[r]));
    lamps.flashUnclaimed(ms, broken);
    return lamps.lines();
}
