#pragma once

// The one place where the offsets of the ring blocks live. The two blocks are an external
// format shared by project files and the controller's flash: every offset here binds both.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int MaxDirections = 32;
inline constexpr int MaxTemplates = 32;
inline constexpr int MaxPrograms = 32;
inline constexpr int MaxPhases = 32;
inline constexpr int MaxDayPlans = 16;
inline constexpr int MaxDayPlanEntries = 32;
inline constexpr int MaxWeekPlans = 16;
inline constexpr int YearWeeks = 54;
inline constexpr int WeekDays = 7;
inline constexpr int MaxRings = 4;
inline constexpr int TramSignals = 4;

// Value ranges of the block's fields.
inline constexpr int ByteFieldMax = 0xFF;
inline constexpr int WordFieldMax = 0xFFFF; // u16 fields
inline constexpr int DirectionTypes = 7;    // 0..6; trams are 4..6
inline constexpr int FirstTramType = 4, LastTramType = 6;
inline constexpr int OutputGroups = 8; // 1..8, 0 = none
inline constexpr int LampColours = 3;
namespace LampColour {
inline constexpr std::uint8_t Red = 0, Yellow = 1, Green = 2;
} // namespace LampColour
inline constexpr int PhaseTypes = 3;            // fixed, combined, pedestrian call
inline constexpr int PedestrianCallChoices = 2; // none, call
inline constexpr int MaxGpsUtcOffset = 12;      // hours either side of UTC

namespace ProjectLayout {
inline constexpr std::size_t Size = 10878;
inline constexpr std::size_t BlockSize = 0; // u16
inline constexpr std::size_t DirectionCount = 2;
inline constexpr std::size_t Directions = 3;
inline constexpr std::size_t TramSignalRecords = 611;
inline constexpr std::size_t ReservedByte = 683;
inline constexpr std::size_t Templates = 684; // 32 x 32 marks, template-major
inline constexpr std::size_t DayPlans = 1708;
inline constexpr std::size_t WeekPlans = 4796;
inline constexpr std::size_t YearPlan = 4908;
inline constexpr std::size_t CurrentProgram = 4962;
inline constexpr std::size_t ConflictTimes = 8291; // 32 x 32, row = direction losing green
inline constexpr std::size_t ConflictFlags = 9315;
inline constexpr std::size_t MinRed = 10339;
inline constexpr std::size_t Yellow = 10340;
inline constexpr std::size_t RedYellow = 10341;
inline constexpr std::size_t GreenBlink = 10342;
inline constexpr std::size_t MinGreen = 10343;
inline constexpr std::size_t MaxPhaseDuration = 10344; // u16
inline constexpr std::size_t FillMode = 10346;
inline constexpr std::size_t RestartInterval = 10347;
inline constexpr std::size_t RestartAttempts = 10348;
inline constexpr std::size_t FailureClearMinutes = 10349;
inline constexpr std::size_t SafetyReserved = 10350;
inline constexpr std::size_t AllRedDuration = 10351;
inline constexpr std::size_t Description = 10352;
inline constexpr std::size_t DescriptionSize = 128;
inline constexpr std::size_t Marker = 10480; // u16, 0xABBA when the MarkedSize bytes are valid
inline constexpr std::uint16_t MarkerValue = 0xABBA;
inline constexpr std::size_t RingCount = 10482;
inline constexpr std::size_t SyncFlag = 10483;
inline constexpr std::size_t SyncShift = 10484; // u16
inline constexpr std::size_t MarkedSize = 4;    // RingCount .. SyncShift
inline constexpr std::size_t Reserved = 10486;
inline constexpr std::size_t ReservedSize = 378;
inline constexpr std::size_t JournalPowerOn = 10864;
inline constexpr std::size_t JournalPowerOff = 10865;
inline constexpr std::size_t JournalInputs = 10866;
inline constexpr std::size_t GpsUtcOffset = 10867; // s8
inline constexpr std::size_t JournalPhases = 10868;
inline constexpr std::size_t JournalFailures = 10869;
inline constexpr std::size_t JournalAndGps = 10864; // the six bytes copied as one unit
inline constexpr std::size_t JournalAndGpsSize = 6;
inline constexpr std::size_t ProgramsCrcCopy = 10870; // u32
inline constexpr std::size_t Crc = 10874;             // u32 over bytes 0..10873
} // namespace ProjectLayout

namespace DirectionLayout {
inline constexpr std::size_t Size = 19;
inline constexpr std::size_t Type = 0;
inline constexpr std::size_t Red1 = 1, Red2 = 4, Yellow1 = 7, Yellow2 = 10, Green1 = 13,
                             Green2 = 16;
// An output binding is three bytes: group (0 = none, 1..8), colour (0 red, 1 yellow, 2 green),
// control off.
inline constexpr std::size_t BindingGroup = 0, BindingColour = 1, BindingControlOff = 2;
inline constexpr std::size_t BindingSize = 3;
} // namespace DirectionLayout

namespace TramSignalLayout {
inline constexpr std::size_t Size = 18;
inline constexpr std::size_t Bindings = 6; // at +0, +3, ... +15
// The lower signal: row 1 is a full binding; row 2 has its group and colour at +3/+4 and its
// control-off box kept in the flag byte of the fifth binding (+14), where the controller's
// files have always had it. Byte +5 is never written by the editor.
inline constexpr std::size_t Lower1 = 0;
inline constexpr std::size_t Lower2 = 3;
inline constexpr std::size_t Lower2ControlOff = 14;
} // namespace TramSignalLayout

namespace DayPlanLayout {
inline constexpr std::size_t Size = 193;
inline constexpr std::size_t EntryCount = 0;
inline constexpr std::size_t Entries = 1;
inline constexpr std::size_t EntrySize = 6;
inline constexpr std::size_t EntryProgram = 0, EntryKind = 1, EntryStart = 2; // start: u32
} // namespace DayPlanLayout

inline constexpr std::size_t WeekPlanSize = WeekDays; // day plan index, Sunday first

namespace ProgramLayout {
inline constexpr std::size_t Size = 3329;
inline constexpr std::size_t PhaseCount = 0;
inline constexpr std::size_t Phases = 1;
} // namespace ProgramLayout

namespace PhaseLayout {
inline constexpr std::size_t Size = 104;
inline constexpr std::size_t Type = 0;
inline constexpr std::size_t MainTime = 1; // u16, Тосн
inline constexpr std::size_t MinTime = 3;  // u16, Тмин
inline constexpr std::size_t Template = 5;
inline constexpr std::size_t Additions = 6; // AdditionSize bytes per direction
inline constexpr std::size_t AdditionSize = 3;
inline constexpr std::size_t EarlyGreen = 0, GreenExtension = 1, ExtraRed = 2;
inline constexpr std::size_t PedestrianCall1 = 102, PedestrianCall2 = 103;
} // namespace PhaseLayout

namespace ProgramsLayout {
inline constexpr std::size_t Size = 106536;
inline constexpr std::size_t BlockSize = 106528; // u32
inline constexpr std::size_t Crc = 106532;       // u32 over bytes 0..106531
} // namespace ProgramsLayout

inline constexpr std::size_t RingRecordSize = ProjectLayout::Size + ProgramsLayout::Size;

// The controller's flash: both blocks of a ring travel in packets of at most this many bytes.
// The ring-aware commands address ring r's blocks at r * block size; the old firmware keeps
// one project at fixed addresses.
namespace FlashLayout {
inline constexpr std::size_t PacketSize = 512;
inline constexpr std::size_t OldProjectBase = 0x1000;
inline constexpr std::size_t OldProgramsBase = 0x33000;
inline constexpr int AddressDigits = 4; // at least, upper-case hexadecimal
} // namespace FlashLayout

// Each table must end exactly where the next one begins; a slip here corrupts files and flash.
static_assert(ProjectLayout::Directions + MaxDirections * DirectionLayout::Size ==
              ProjectLayout::TramSignalRecords);
static_assert(ProjectLayout::TramSignalRecords + TramSignals * TramSignalLayout::Size ==
              ProjectLayout::ReservedByte);
static_assert(ProjectLayout::Templates + MaxTemplates * MaxDirections == ProjectLayout::DayPlans);
static_assert(DayPlanLayout::Entries + MaxDayPlanEntries * DayPlanLayout::EntrySize ==
              DayPlanLayout::Size);
static_assert(ProjectLayout::DayPlans + MaxDayPlans * DayPlanLayout::Size ==
              ProjectLayout::WeekPlans);
static_assert(ProjectLayout::WeekPlans + MaxWeekPlans * WeekPlanSize == ProjectLayout::YearPlan);
static_assert(ProjectLayout::YearPlan + YearWeeks == ProjectLayout::CurrentProgram);
static_assert(ProjectLayout::CurrentProgram + ProgramLayout::Size == ProjectLayout::ConflictTimes);
static_assert(ProjectLayout::ConflictTimes + MaxDirections * MaxDirections ==
              ProjectLayout::ConflictFlags);
static_assert(ProjectLayout::ConflictFlags + MaxDirections * MaxDirections ==
              ProjectLayout::MinRed);
static_assert(ProjectLayout::AllRedDuration + 1 == ProjectLayout::Description);
static_assert(ProjectLayout::Description + ProjectLayout::DescriptionSize == ProjectLayout::Marker);
static_assert(ProjectLayout::Reserved + ProjectLayout::ReservedSize ==
              ProjectLayout::JournalPowerOn);
static_assert(ProjectLayout::Crc + 4 == ProjectLayout::Size);
static_assert(PhaseLayout::Additions + PhaseLayout::AdditionSize * MaxDirections ==
              PhaseLayout::PedestrianCall1);
static_assert(ProjectLayout::RingCount + ProjectLayout::MarkedSize == ProjectLayout::Reserved);
static_assert(PhaseLayout::PedestrianCall2 + 1 == PhaseLayout::Size);
static_assert(ProgramLayout::Phases + MaxPhases * PhaseLayout::Size == ProgramLayout::Size);
static_assert(MaxPrograms * ProgramLayout::Size == ProgramsLayout::BlockSize);
static_assert(ProgramsLayout::Crc + 4 == ProgramsLayout::Size);
static_assert(RingRecordSize == 117414);

using ProjectBlock = std::array<std::uint8_t, ProjectLayout::Size>;
using ProgramsBlock = std::array<std::uint8_t, ProgramsLayout::Size>;

// One ring: its project block and programs block, as stored in a file record or in flash.
struct RingData
{
    ProjectBlock project{};
    ProgramsBlock programs{};
    bool operator==(const RingData &) const = default;
};

// Offsets of indexed records. Indices are clamped to the block's own tables, so a value read
// from a file can never reach outside them.
[[nodiscard]] constexpr int clampIndex(int index, int count)
{
    return index < 0 ? 0 : (index >= count ? count - 1 : index);
}
[[nodiscard]] constexpr std::size_t directionOffset(int d)
{
    return ProjectLayout::Directions + DirectionLayout::Size * clampIndex(d, MaxDirections);
}
[[nodiscard]] constexpr std::size_t tramSignalOffset(int n)
{
    return ProjectLayout::TramSignalRecords + TramSignalLayout::Size * clampIndex(n, TramSignals);
}
[[nodiscard]] constexpr std::size_t tramSignalBindingOffset(int n, int b)
{
    return tramSignalOffset(n) +
           DirectionLayout::BindingSize * clampIndex(b, int(TramSignalLayout::Bindings));
}
[[nodiscard]] constexpr std::size_t templateMarkOffset(int t, int d)
{
    return ProjectLayout::Templates + MaxDirections * clampIndex(t, MaxTemplates) +
           clampIndex(d, MaxDirections);
}
[[nodiscard]] constexpr std::size_t conflictTimeOffset(int from, int to)
{
    return ProjectLayout::ConflictTimes + MaxDirections * clampIndex(from, MaxDirections) +
           clampIndex(to, MaxDirections);
}
[[nodiscard]] constexpr std::size_t conflictFlagOffset(int from, int to)
{
    return ProjectLayout::ConflictFlags + MaxDirections * clampIndex(from, MaxDirections) +
           clampIndex(to, MaxDirections);
}
[[nodiscard]] constexpr std::size_t dayPlanOffset(int n)
{
    return ProjectLayout::DayPlans + DayPlanLayout::Size * clampIndex(n, MaxDayPlans);
}
[[nodiscard]] constexpr std::size_t dayPlanEntryOffset(int n, int e)
{
    return dayPlanOffset(n) + DayPlanLayout::Entries +
           DayPlanLayout::EntrySize * clampIndex(e, MaxDayPlanEntries);
}
[[nodiscard]] constexpr std::size_t weekPlanOffset(int w)
{
    return ProjectLayout::WeekPlans + WeekPlanSize * clampIndex(w, MaxWeekPlans);
}
[[nodiscard]] constexpr std::size_t weekPlanDayOffset(int w, int day)
{
    return weekPlanOffset(w) + clampIndex(day, WeekDays);
}
[[nodiscard]] constexpr std::size_t phaseAdditionOffset(int d)
{
    return PhaseLayout::Additions + PhaseLayout::AdditionSize * clampIndex(d, MaxDirections);
}
[[nodiscard]] constexpr std::size_t yearWeekOffset(int week)
{
    return ProjectLayout::YearPlan + clampIndex(week, YearWeeks);
}
// Program and phase offsets are relative to the programs block.
[[nodiscard]] constexpr std::size_t programOffset(int p)
{
    return ProgramLayout::Size * clampIndex(p, MaxPrograms);
}
[[nodiscard]] constexpr std::size_t phaseOffset(int p, int f)
{
    return programOffset(p) + ProgramLayout::Phases + PhaseLayout::Size * clampIndex(f, MaxPhases);
}
