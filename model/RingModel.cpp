#include "model/RingModel.h"

#include "model/ByteIO.h"
#include "model/Crc32.h"

#include <algorithm>

namespace PL = ProjectLayout;
namespace DL = DirectionLayout;

namespace {
// Second rows are green channels whatever their first row is.
void setSecondRowsGreen(ProjectBlock &p)
{
    for (int d = 0; d < MaxDirections; ++d) {
        const std::size_t at = directionOffset(d);
        for (const std::size_t row : {DL::Red2, DL::Yellow2, DL::Green2})
            p[at + row + DL::BindingColour] = LampColour::Green;
    }
    for (int n = 0; n < TramSignals; ++n)
        p[tramSignalOffset(n) + TramSignalLayout::Lower2 + DL::BindingColour] = LampColour::Green;
}
} // namespace

RingModel::RingModel(QObject *parent)
    : QObject(parent), m_stores(std::make_unique<std::array<RingData, MaxRings>>()),
      m_work(std::make_unique<RingData>())
{
}

RingModel::~RingModel() = default;

void RingModel::setRingCount(int count)
{
    m_ringCount = std::clamp(count, 1, MaxRings);
    m_fileDamage = {};
}

void RingModel::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void RingModel::storeWorkingCopy()
{
    store(m_currentRing) = *m_work;
}

void RingModel::SwitchRing(int ring)
{
    storeWorkingCopy();
    m_currentRing = clampIndex(ring, MaxRings);
    *m_work = store(m_currentRing);
    emit currentRingReplaced();
    emit navigated();
}

void RingModel::ReloadRing(int ring)
{
    m_currentRing = clampIndex(ring, MaxRings);
    *m_work = store(m_currentRing);
    emit currentRingReplaced();
}

void RingModel::SelectProgram(int program)
{
    m_currentProgram = clampIndex(program, MaxPrograms);
    const auto from = m_work->programs.begin() + programOffset(m_currentProgram);
    std::copy(from, from + ProgramLayout::Size, m_work->project.begin() + PL::CurrentProgram);
    emit navigated();
}

void RingModel::applyEdit(const QString &step)
{
    setModified(true);
    recordStep(step);
    emit edited();
}

void RingModel::restoreState(int ringCount, int currentRing, int currentProgram)
{
    setRingCount(ringCount);
    m_currentProgram = clampIndex(currentProgram, MaxPrograms);
    ReloadRing(currentRing);
}

void RingModel::NewProjectDefaults()
{
    m_currentRing = 0;
    m_ringCount = 1;
    m_fileDamage = {};
    auto &p = m_work->project;
    auto &g = m_work->programs;
    p.fill(0);
    g.fill(0);

    p[PL::DirectionCount] = 2;
    p[PL::ReservedByte] = 2;
    p[PL::MinRed] = 2;
    p[PL::Yellow] = 3;
    p[PL::RedYellow] = 2;
    p[PL::GreenBlink] = 3;
    p[PL::MinGreen] = 5;
    writeU16(p, PL::MaxPhaseDuration, 3600);
    p[PL::RestartInterval] = 5;
    p[PL::RestartAttempts] = 5;
    p[PL::FailureClearMinutes] = 5;
    p[PL::AllRedDuration] = 1;
    p[PL::JournalPowerOn] = 1;
    p[PL::JournalFailures] = 1;
    p[PL::GpsUtcOffset] = 3;

    p[templateMarkOffset(0, 0)] = 1;
    p[templateMarkOffset(1, 1)] = 1;
    for (int d = 0; d < MaxDirections; ++d) {
        const std::size_t at = directionOffset(d);
        p[at + DL::Red1 + DL::BindingColour] = LampColour::Red;
        p[at + DL::Yellow1 + DL::BindingColour] = LampColour::Yellow;
        p[at + DL::Green1 + DL::BindingColour] = LampColour::Green;
    }
    setSecondRowsGreen(p);

    for (int prog = 0; prog < MaxPrograms; ++prog) {
        g[programOffset(prog) + ProgramLayout::PhaseCount] = 2;
        for (int f = 0; f < MaxPhases; ++f)
            writeU16(g, phaseOffset(prog, f) + PhaseLayout::MinTime, 3);
        for (int f = 0; f < 2; ++f) {
            writeU16(g, phaseOffset(prog, f) + PhaseLayout::MainTime, 10);
            g[phaseOffset(prog, f) + PhaseLayout::Template] = static_cast<std::uint8_t>(f);
        }
    }

    for (int n = 0; n < MaxDayPlans; ++n)
        p[dayPlanOffset(n) + DayPlanLayout::EntryCount] = 1;

    for (auto &ring : *m_stores)
        ring = *m_work;

    // Only ring 1 gets wired directions; the other rings start with the bare defaults.
    for (int d = 0; d < 2; ++d) {
        const std::size_t at = directionOffset(d);
        const auto group = static_cast<std::uint8_t>(d + 1);
        for (const std::size_t row : {DL::Red1, DL::Yellow1, DL::Green1})
            p[at + row + DL::BindingGroup] = group;
    }
    store(0).project = p;

    m_currentProgram = 0;
    ReloadRing(0);
    SelectProgram(0);
}

void RingModel::LoadFixup()
{
    for (auto &ring : *m_stores) {
        auto &p = ring.project;
        setSecondRowsGreen(p);
        if (readU16(p, PL::Marker) != PL::MarkerValue)
            std::fill_n(p.begin() + PL::RingCount, PL::MarkedSize, 0);
    }
}

void RingModel::SealForFile(RingData &ring)
{
    auto &p = ring.project;
    auto &g = ring.programs;
    writeU16(p, PL::BlockSize, PL::Size);
    writeU16(p, PL::Marker, PL::MarkerValue);
    writeU32(p, PL::Crc, Crc32(std::span(p).first(PL::Crc)));
    writeU32(g, ProgramsLayout::Crc, Crc32(std::span(g).first(ProgramsLayout::Crc)));
}

void RingModel::SealForController(RingData &ring)
{
    auto &p = ring.project;
    auto &g = ring.programs;
    writeU16(p, PL::BlockSize, PL::Size);
    writeU32(g, ProgramsLayout::BlockSize, ProgramsLayout::Size);
    const std::uint32_t programsCrc = Crc32(std::span(g).first(ProgramsLayout::Crc));
    writeU32(p, PL::ProgramsCrcCopy, programsCrc);
    writeU32(g, ProgramsLayout::Crc, programsCrc);
    writeU32(p, PL::Crc, Crc32(std::span(p).first(PL::Crc)));
}
