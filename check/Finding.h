#pragma once

#include <QString>

#include <iterator>
#include <vector>

// One thing wrong with a project, found by the whole-project check: what kind of fault, how
// grave, where it is mended and a sentence for the engineer.
namespace ProjectCheck {

enum class Kind {
    TramSignal,
    TemplateConflict,
    OutputTwice,
    DayPlanOrder,
    DayPlanEmptyProgram,
    WeekPlanEmptyDayPlan,
    YearUnfilledWeekPlan,
    PhaseBelowMinimum,
    PhaseAboveMaximum,
    DirectionWithoutOutput,
    TemplateMark,
    OneWayConflict,
    ZeroConflictTime,
    ZeroTransitionTime,
    GreenConflict,
    ShortClearance,
    MissingTransition,
    SignalWithoutTime,
    SignalBelowMinimum,
    IntervalTooLong,
    OutputLitTogether,
    FileCutRing,
    FileChecksum,
};

enum class Severity { Warning, Error };

// The editor a finding is mended in, opened at the finding's place on a double-click.
// None: the file itself is damaged, no editor mends it.
enum class Editor { Directions, Templates, Safety, DayPlans, WeekPlans, YearPlan, Program, None };

// Everything about a kind, written once: the report, the upload, velt-cli's ids and help and
// the navigation all read this table. Adding a kind is one enumerator and one row.
struct KindInfo
{
    Kind kind;
    const char *id;      // fixed name for scripts
    Severity severity;   // errors stop an upload
    Editor editor;       // where it is mended
    const char *summary; // velt-cli's help, in the engineer's words
};

inline constexpr KindInfo Kinds[] = {
    {Kind::TramSignal, "tram-signal", Severity::Error, Editor::Directions,
     "трамвайный светофор задан не полностью"},
    {Kind::TemplateConflict, "template-conflict", Severity::Error, Editor::Templates,
     "шаблон фаз против матрицы конфликтов"},
    {Kind::OutputTwice, "output-twice", Severity::Error, Editor::Directions,
     "выход ДК занят дважды"},
    {Kind::DayPlanOrder, "day-plan-order", Severity::Warning, Editor::DayPlans,
     "времена дневного плана не возрастают"},
    {Kind::DayPlanEmptyProgram, "day-plan-empty-program", Severity::Error, Editor::DayPlans,
     "запись дневного плана с программой, которая не может работать"},
    {Kind::WeekPlanEmptyDayPlan, "week-plan-empty-day-plan", Severity::Error, Editor::WeekPlans,
     "недельный план с дневным планом без записей"},
    {Kind::YearUnfilledWeekPlan, "year-unfilled-week-plan", Severity::Warning, Editor::YearPlan,
     "недели годового плана на незаполненном недельном плане"},
    {Kind::PhaseBelowMinimum, "phase-below-minimum", Severity::Warning, Editor::Program,
     "Тосн меньше Тмин"},
    {Kind::PhaseAboveMaximum, "phase-above-maximum", Severity::Error, Editor::Program,
     "Тосн больше максимальной длительности фазы"},
    {Kind::DirectionWithoutOutput, "direction-without-output", Severity::Warning,
     Editor::Directions, "направление без выходов"},
    {Kind::TemplateMark, "template-mark", Severity::Error, Editor::Templates,
     "отметка шаблона фаз не 0 и не 1"},
    {Kind::OneWayConflict, "one-way-conflict", Severity::Warning, Editor::Safety,
     "флаг конфликта задан только в одну сторону"},
    {Kind::ZeroConflictTime, "zero-conflict-time", Severity::Warning, Editor::Safety,
     "флаг конфликта с временем конфликта 0"},
    {Kind::ZeroTransitionTime, "zero-transition-time", Severity::Warning, Editor::Safety,
     "длительность желтого, красно-желтого или зеленого мигающего 0"},
    {Kind::GreenConflict, "green-conflict", Severity::Error, Editor::Program,
     "конфликтующие направления зелены одновременно"},
    {Kind::ShortClearance, "short-clearance", Severity::Error, Editor::Program,
     "промежуток между конфликтующими зелеными меньше времени конфликта"},
    {Kind::MissingTransition, "missing-transition", Severity::Error, Editor::Program,
     "зеленый без красно-желтого перед ним или без желтого после него"},
    {Kind::SignalWithoutTime, "signal-without-time", Severity::Error, Editor::Program,
     "0 c зеленого или 0 c красного между сменами"},
    {Kind::SignalBelowMinimum, "signal-below-minimum", Severity::Warning, Editor::Program,
     "зеленый короче минимального или красный короче минимального"},
    {Kind::IntervalTooLong, "interval-too-long", Severity::Error, Editor::Program,
     "промежуточный интервал длиннее 255 c"},
    {Kind::OutputLitTogether, "output-lit-together", Severity::Error, Editor::Program,
     "выход ДК горит красным и зеленым сразу или зеленым от двух конфликтующих"},
    {Kind::FileCutRing, "file-cut-ring", Severity::Error, Editor::None,
     "файл проекта обрывается внутри кольца"},
    {Kind::FileChecksum, "file-checksum", Severity::Error, Editor::None,
     "контрольная сумма кольца в файле не совпадает"},
};
inline constexpr int KindCount = int(std::size(Kinds));
static_assert(KindCount == int(Kind::FileChecksum) + 1, "one row per kind");

constexpr bool kindsInOrder()
{
    for (int i = 0; i < KindCount; ++i)
        if (Kinds[i].kind != Kind(i))
            return false;
    return true;
}
static_assert(kindsInOrder(), "the rows follow the enumerators");

[[nodiscard]] constexpr const KindInfo &kindInfo(Kind kind)
{
    return Kinds[std::size_t(kind)];
}

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
