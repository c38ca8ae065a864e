#pragma once

#include "model/Structures.h"

#include <QString>

#include <cstdint>
#include <optional>

// Day plans: which program or special mode a ring runs from which second of the day. Every
// access goes through the plan's own 193-byte record, whatever its entry count says.
namespace Dayplans {

enum class Kind : std::uint8_t { Program = 0, Flashing = 1, SignalsOff = 2, AllRed = 3 };

inline constexpr std::uint32_t LastSecond = 24 * 3600 - 1; // 23:59:59
inline constexpr std::uint32_t AddedEntryStep = 3600;
inline constexpr std::size_t TableSize = MaxDayPlans * DayPlanLayout::Size;

// Read access to one plan. A file may hold an entry count of 0 or above 32; the plan is then
// seen with 1 or 32 entries, and the count byte stays as read until the plans are stored.
class DayPlanView
{
public:
    DayPlanView(const ProjectBlock &block, int plan);

    [[nodiscard]] int plan() const { return m_plan; }
    [[nodiscard]] int entryCount() const;
    [[nodiscard]] int program(int e) const;
    [[nodiscard]] int kind(int e) const;
    [[nodiscard]] std::uint32_t start(int e) const;
    // Start times strictly increase and stay inside the day.
    [[nodiscard]] bool isCorrect() const { return !firstIncorrectEntry().has_value(); }
    // The first entry that does not start after its predecessor or starts beyond the day.
    [[nodiscard]] std::optional<int> firstIncorrectEntry() const;
    // The count byte as stored is 0: the controller finds no entry in the plan at all.
    [[nodiscard]] bool storedEmpty() const;

private:
    const ProjectBlock &m_block;
    int m_plan;
};

class DayPlanEdit : public DayPlanView
{
public:
    DayPlanEdit(ProjectBlock &block, int plan);

    void setProgram(int e, int program); // also makes the entry a program entry
    void setKind(int e, Kind kind);
    void setStart(int e, std::uint32_t seconds);
    // "+": one hour after the last entry, capped at 23:59:59; refused at 32 entries or when
    // the last entry leaves no later second. The new slot keeps its program and kind bytes.
    bool addEntry();
    // "-": the removed entry's bytes stay in the record.
    bool removeLastEntry();
    // Pushes each entry that does not start after its predecessor to one second after it,
    // then pulls the tail back inside the day. Returns whether anything changed.
    bool correct();
    // Writes the entry count as it is seen (1..32).
    void normaliseCount();

private:
    ProjectBlock &m_data;
};

[[nodiscard]] bool allPlansCorrect(const ProjectBlock &block);
void correctAllPlans(ProjectBlock &block);
void normaliseAllCounts(ProjectBlock &block);

// Program column text: the program number, or the mode's short name.
[[nodiscard]] QString programText(int kind, int program);
// "HH:mm:ss"; a time read from a file beyond the day shows its hours above 23.
[[nodiscard]] QString startTimeText(std::uint32_t seconds);

} // namespace Dayplans
