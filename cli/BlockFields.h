#pragma once

#include "model/Structures.h"

#include <QString>

#include <cstdint>
#include <span>

// Names the bytes of a ring's two blocks in the engineer's terms, so that a difference can be
// told as "программа 3, фаза 2: Тосн" rather than as an offset.
namespace BlockFields {

enum class Block { Project, Programs };

// How a field's stored value is shown.
enum class Format {
    Number,
    Signed,
    OneBased, // an index stored from 0, shown from 1
    Flag,
    Time,
    DirectionType,
    Group,
    Colour,
    DayPlanKind,
    PhaseType,
    Description,
};

struct Field
{
    std::size_t offset = 0;
    std::size_t size = 1;
    QString place; // "программа 3, фаза 2"; empty for a field of the whole ring
    QString name;  // "Тосн"; empty: the byte has no name and is told by its offset
    Format format = Format::Number;
    // Checksums and size fields follow from the rest of the block and are not compared.
    bool derived = false;
};

// The field that holds the byte at the offset.
[[nodiscard]] Field fieldAt(Block block, std::size_t offset);
// The stored value as the engineer reads it.
[[nodiscard]] QString valueText(const Field &field, std::span<const std::uint8_t> bytes);
[[nodiscard]] QString blockName(Block block);

} // namespace BlockFields
