#pragma once

#include <QString>

#include <vector>

// One thing wrong with a project, found by the whole-project check: what kind of fault, how
// grave, where it is mended and a sentence for the engineer.
namespace ProjectCheck {

enum class Kind {
    TramSignal,             // a tram signal lacks a direction or its row-1 output
    TemplateConflict,       // a template makes two conflicting directions green
    OutputTwice,            // one output channel drives two lamps
    DayPlanOrder,           // start times of a day plan do not increase
    DayPlanEmptyProgram,    // a day-plan entry runs a program without phases
    WeekPlanEmptyDayPlan,   // a week plan uses a day plan without entries
    YearUnfilledWeekPlan,   // year-plan weeks use a week plan nobody filled
    PhaseBelowMinimum,      // Тосн below Тмин
    PhaseAboveMaximum,      // Тосн above the maximum phase duration
    DirectionWithoutOutput, // no lamp of a direction is bound to an output
    FileCutRing,            // the project file ends inside a ring
    FileChecksum,           // a ring's CRC-32 in the project file does not match its bytes
};
inline constexpr int KindCount = 12;

enum class Severity { Warning, Error };

// Where a finding is mended; indices are 0-based and -1 where they do not apply.
struct Place
{
    int ring = 0;
    int direction = -1;
    int templateIndex = -1;
    int tramSignal = -1;
    int program = -1;
    int phase = -1;
    int dayPlan = -1;
    int entry = -1; // row of a day plan
    int weekPlan = -1;
    int day = -1; // weekday of a week plan, 0 = Sunday
    int week = -1;
    bool operator==(const Place &) const = default;
};

struct Finding
{
    Kind kind = Kind::TramSignal;
    Place place;
    QString message;

    [[nodiscard]] Severity severity() const;
    [[nodiscard]] bool isError() const { return severity() == Severity::Error; }
};

// Errors stop an upload: the controller would run something unsafe or undefined. Warnings
// are data the controller runs as it stands but that is most likely not what was meant.
[[nodiscard]] Severity severityOf(Kind kind);
// A fixed name for scripts: "tram-signal", "output-twice", ...
[[nodiscard]] QString kindId(Kind kind);
// "ошибка" / "предупреждение"
[[nodiscard]] QString severityText(Severity severity);
// "кольцо 1, программа 3, фаза 2" in the engineer's numbering.
[[nodiscard]] QString placeText(const Place &place);
// "ошибка: кольцо 1, шаблон 3: направления 1 и 2 ..."
[[nodiscard]] QString findingLine(const Finding &finding);

[[nodiscard]] bool hasErrors(const std::vector<Finding> &findings);

// The texts an upload shows: the errors that stop it, or the warnings it asks about. Long
// lists are cut; the report window has them all.
inline const QString WarningCaption = QStringLiteral("Проверка проекта");
[[nodiscard]] QString uploadErrorText(const std::vector<Finding> &findings);
[[nodiscard]] QString uploadWarningText(const std::vector<Finding> &findings);

} // namespace ProjectCheck
