#include "cli/BlockFields.h"

#include "config/Directions.h"
#include "model/ByteIO.h"
#include "model/Description.h"
#include "programs/ProgramOps.h"
#include "schedules/DayPlans.h"
#include "schedules/WeekPlans.h"

#include <algorithm>

namespace PL = ProjectLayout;
namespace DL = DirectionLayout;
namespace FL = PhaseLayout;

namespace BlockFields {

namespace {

QString numbered(const char *what, std::size_t index)
{
    return QString::fromUtf8(what) + QLatin1Char(' ') + QString::number(index + 1);
}

Field make(std::size_t offset, std::size_t size, const QString &place, const char *name,
           Format format = Format::Number)
{
    return Field{offset, size, place, QString::fromUtf8(name), format, false};
}

Field derived(std::size_t offset, std::size_t size)
{
    Field field;
    field.offset = offset;
    field.size = size;
    field.derived = true;
    return field;
}

Field unnamed(std::size_t offset)
{
    return Field{offset, 1, QString(), QString(), Format::Number, false};
}

// The three bytes of an output binding; `start` is where the binding begins.
Field bindingField(std::size_t start, std::size_t offset, const QString &place, const QString &row)
{
    const std::size_t part = offset - start;
    const QString name = part == DL::BindingGroup    ? QStringLiteral("группа ")
                         : part == DL::BindingColour ? QStringLiteral("цвет ")
                                                     : QStringLiteral("контроль откл. ");
    const Format format = part == DL::BindingGroup    ? Format::Group
                          : part == DL::BindingColour ? Format::Colour
                                                      : Format::Flag;
    return Field{offset, 1, place, name + row, format, false};
}

Field directionField(std::size_t offset)
{
    const std::size_t d = (offset - PL::Directions) / DL::Size;
    const std::size_t rel = offset - directionOffset(int(d));
    const QString place = numbered("направление", d);
    if (rel == DL::Type)
        return make(offset, 1, place, "тип", Format::DirectionType);
    static const char *const rows[] = {"красного", "красного (строка 2)",
                                       "желтого",  "желтого (строка 2)",
                                       "зеленого", "зеленого (строка 2)"};
    const std::size_t row = (rel - DL::Red1) / DL::BindingSize;
    const std::size_t start = directionOffset(int(d)) + DL::Red1 + row * DL::BindingSize;
    return bindingField(start, offset, place, QString::fromUtf8(rows[row]));
}

Field tramSignalField(std::size_t offset)
{
    const std::size_t n = (offset - PL::TramSignalRecords) / TramSignalLayout::Size;
    const std::size_t b = (offset - tramSignalOffset(int(n))) / DL::BindingSize;
    const QString place = numbered("трамвайный сигнал", n);
    return bindingField(tramSignalBindingOffset(int(n), int(b)), offset, place,
                        numbered("привязки", b));
}

Field dayPlanField(std::size_t offset)
{
    const std::size_t n = (offset - PL::DayPlans) / DayPlanLayout::Size;
    const std::size_t rel = offset - dayPlanOffset(int(n));
    QString place = numbered("дневной план", n);
    if (rel == DayPlanLayout::EntryCount)
        return make(offset, 1, place, "число записей");
    const std::size_t e = (rel - DayPlanLayout::Entries) / DayPlanLayout::EntrySize;
    const std::size_t entry = dayPlanEntryOffset(int(n), int(e));
    place += QStringLiteral(", ") + numbered("запись", e);
    const std::size_t part = offset - entry;
    if (part == DayPlanLayout::EntryProgram)
        return make(offset, 1, place, "программа", Format::OneBased);
    if (part == DayPlanLayout::EntryKind)
        return make(offset, 1, place, "режим", Format::DayPlanKind);
    return make(entry + DayPlanLayout::EntryStart, 4, place, "начало", Format::Time);
}

Field safetyField(std::size_t offset)
{
    struct Named
    {
        std::size_t offset;
        std::size_t size;
        const char *name;
    };
    static const Named names[] = {
        {PL::MinRed, 1, "минимальная длительность красного"},
        {PL::Yellow, 1, "длительность желтого"},
        {PL::RedYellow, 1, "длительность красно-желтого"},
        {PL::GreenBlink, 1, "длительность зеленого мигающего"},
        {PL::MinGreen, 1, "минимальная длительность зеленого"},
        {PL::MaxPhaseDuration, 2, "максимальная длительность фазы"},
        {PL::FillMode, 1, "заполнение пром. тактов"},
        {PL::RestartInterval, 1, "интервал перезапуска ДК"},
        {PL::RestartAttempts, 1, "кол-во попыток перезапуска"},
        {PL::FailureClearMinutes, 1, "время очистки аварий"},
        {PL::SafetyReserved, 1, "резерв параметров безопасности"},
        {PL::AllRedDuration, 1, "длительность режима КК"},
        {PL::Marker, 2, "маркер"},
        {PL::RingCount, 1, "число колец"},
        {PL::SyncFlag, 1, "синхронизация колец"},
        {PL::SyncShift, 2, "сдвиг синхронизации"},
        {PL::JournalPowerOn, 1, "журнал: включение питания"},
        {PL::JournalPowerOff, 1, "журнал: выключение питания"},
        {PL::JournalInputs, 1, "журнал: входы"},
        {PL::JournalPhases, 1, "журнал: фазы"},
        {PL::JournalFailures, 1, "журнал: аварии"},
    };
    for (const Named &named : names)
        if (offset >= named.offset && offset < named.offset + named.size)
            return make(named.offset, named.size, QString(), named.name);
    if (offset == PL::GpsUtcOffset)
        return make(offset, 1, QString(), "смещение GPS от UTC, ч", Format::Signed);
    return unnamed(offset);
}

// One program record; `base` is where it begins in its block.
Field programField(std::size_t base, std::size_t offset, const QString &program)
{
    const std::size_t rel = offset - base;
    if (rel == ProgramLayout::PhaseCount)
        return make(offset, 1, program, "число фаз");
    const std::size_t f = (rel - ProgramLayout::Phases) / FL::Size;
    const std::size_t phase = base + ProgramLayout::Phases + f * FL::Size;
    const QString place = program + QStringLiteral(", ") + numbered("фаза", f);
    const std::size_t q = offset - phase;
    if (q == FL::Type)
        return make(offset, 1, place, "тип фазы", Format::PhaseType);
    if (q >= FL::MainTime && q < FL::MinTime)
        return make(phase + FL::MainTime, 2, place, "Тосн");
    if (q >= FL::MinTime && q < FL::Template)
        return make(phase + FL::MinTime, 2, place, "Тмин");
    if (q == FL::Template)
        return make(offset, 1, place, "шаблон", Format::OneBased);
    if (q == FL::PedestrianCall1)
        return make(offset, 1, place, "№ ТВП 1");
    if (q == FL::PedestrianCall2)
        return make(offset, 1, place, "№ ТВП 2");
    const std::size_t d = (q - FL::Additions) / FL::AdditionSize;
    const std::size_t k = q - phaseAdditionOffset(int(d));
    const QString where = place + QStringLiteral(", ") + numbered("направление", d);
    const char *name = k == FL::EarlyGreen       ? "зеленый доп. 1"
                       : k == FL::GreenExtension ? "зеленый доп. 2"
                                                 : "красный доп.";
    return make(offset, 1, where, name);
}

QString pairText(std::size_t cell)
{
    return QStringLiteral("конфликт %1-%2")
        .arg(cell / MaxDirections + 1)
        .arg(cell % MaxDirections + 1);
}

Field projectField(std::size_t offset)
{
    if (offset < PL::DirectionCount)
        return derived(PL::BlockSize, 2);
    if (offset == PL::DirectionCount)
        return make(offset, 1, QString(), "число направлений");
    if (offset < PL::TramSignalRecords)
        return directionField(offset);
    if (offset < PL::ReservedByte)
        return tramSignalField(offset);
    if (offset == PL::ReservedByte)
        return make(offset, 1, QString(), "резервный байт");
    if (offset < PL::DayPlans) {
        const std::size_t cell = offset - PL::Templates;
        return make(offset, 1,
                    numbered("шаблон", cell / MaxDirections) + QStringLiteral(", ") +
                        numbered("направление", cell % MaxDirections),
                    "метка", Format::Flag);
    }
    if (offset < PL::WeekPlans)
        return dayPlanField(offset);
    if (offset < PL::YearPlan) {
        const std::size_t rel = offset - PL::WeekPlans;
        return Field{offset,
                     1,
                     numbered("недельный план", rel / WeekPlanSize),
                     Weeksplans::dayName(int(rel % WeekPlanSize)),
                     Format::OneBased,
                     false};
    }
    if (offset < PL::CurrentProgram)
        return Field{offset,
                     1,
                     QStringLiteral("годовой план"),
                     numbered("неделя", offset - PL::YearPlan),
                     Format::OneBased,
                     false};
    if (offset < PL::ConflictTimes)
        return programField(PL::CurrentProgram, offset, QStringLiteral("текущая программа"));
    if (offset < PL::ConflictFlags)
        return make(offset, 1, pairText(offset - PL::ConflictTimes), "время");
    if (offset < PL::MinRed)
        return make(offset, 1, pairText(offset - PL::ConflictFlags), "флаг", Format::Flag);
    if (offset >= PL::Description && offset < PL::Description + PL::DescriptionSize)
        return make(PL::Description, PL::DescriptionSize, QString(), "описание",
                    Format::Description);
    if (offset >= PL::ProgramsCrcCopy)
        return offset < PL::Crc ? derived(PL::ProgramsCrcCopy, 4) : derived(PL::Crc, 4);
    return safetyField(offset);
}

} // namespace

Field fieldAt(Block block, std::size_t offset)
{
    if (block == Block::Project)
        return projectField(offset);
    if (offset >= ProgramsLayout::BlockSize)
        return offset < ProgramsLayout::Crc ? derived(ProgramsLayout::BlockSize, 4)
                                            : derived(ProgramsLayout::Crc, 4);
    const std::size_t p = offset / ProgramLayout::Size;
    return programField(programOffset(int(p)), offset, numbered("программа", p));
}

QString valueText(const Field &field, std::span<const std::uint8_t> bytes)
{
    if (field.format == Format::Description) {
        ProjectBlock project{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), project.size()), project.begin());
        return QStringLiteral("«%1»").arg(projectDescription(project));
    }
    const std::uint32_t value = field.size == 4   ? readU32(bytes, field.offset)
                                : field.size == 2 ? readU16(bytes, field.offset)
                                                  : bytes[field.offset];
    switch (field.format) {
    case Format::Signed:
        return QString::number(static_cast<std::int8_t>(value));
    case Format::OneBased:
        return QString::number(value + 1);
    case Format::Flag:
        return value ? QStringLiteral("есть") : QStringLiteral("нет");
    case Format::Time:
        return Dayplans::startTimeText(value);
    case Format::DirectionType:
        return Napr::typeName(int(value));
    case Format::Group:
        return value ? QString::number(value) : QStringLiteral("НЕТ");
    case Format::Colour: {
        static const char *const colours[] = {"красный", "желтый", "зеленый"};
        return value < std::size(colours) ? QString::fromUtf8(colours[value])
                                          : QString::number(value);
    }
    case Format::DayPlanKind:
        return value == std::uint32_t(Dayplans::Kind::Program)
                   ? QStringLiteral("программа")
                   : Dayplans::programText(int(value), 0);
    case Format::PhaseType: {
        const QString name = Progutil::phaseTypeName(int(value));
        return name.isEmpty() ? QString::number(value) : name;
    }
    default:
        return QString::number(value);
    }
}

QString blockName(Block block)
{
    return block == Block::Project ? QStringLiteral("блок проекта")
                                   : QStringLiteral("блок программ");
}

} // namespace BlockFields
