#include "link/FlashPackets.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace FlashPackets {

std::size_t blockSize(Block block)
{
    return block == Block::Project ? ProjectLayout::Size : ProgramsLayout::Size;
}

int packetCount(Block block)
{
    const std::size_t size = blockSize(block);
    return static_cast<int>((size + FlashLayout::PacketSize - 1) / FlashLayout::PacketSize);
}

Packet packet(Block block, int index)
{
    const std::size_t size = blockSize(block);
    const std::size_t offset =
        std::min(size, static_cast<std::size_t>(std::max(index, 0)) * FlashLayout::PacketSize);
    return {offset, std::min(FlashLayout::PacketSize, size - offset)};
}

QString address(CommandSet set, Block block, int ring, std::size_t offset)
{
    std::size_t base = 0;
    if (set == CommandSet::Old) {
        base = block == Block::Project ? FlashLayout::OldProjectBase : FlashLayout::OldProgramsBase;
    } else {
        base = static_cast<std::size_t>(std::clamp(ring, 0, MaxRings - 1)) * blockSize(block);
    }
    return QString::number(static_cast<qulonglong>(base + offset), 16)
        .toUpper()
        .rightJustified(FlashLayout::AddressDigits, QLatin1Char('0'));
}

namespace {
QString verb(CommandSet set, Block block, bool write)
{
    if (set == CommandSet::Old)
        return write ? QStringLiteral("pflashwr ") : QStringLiteral("flashrd ");
    if (block == Block::Project)
        return write ? QStringLiteral("proj_flashwr ") : QStringLiteral("proj_flashrd ");
    return write ? QStringLiteral("progs_flashwr ") : QStringLiteral("progs_flashrd ");
}

// The value of each hexadecimal digit, -1 for any other character.
constexpr std::array<std::int8_t, 256> kNibbles = [] {
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (int c = 0; c < 10; ++c)
        table[std::size_t('0' + c)] = std::int8_t(c);
    for (int c = 0; c < 6; ++c) {
        table[std::size_t('A' + c)] = std::int8_t(10 + c);
        table[std::size_t('a' + c)] = std::int8_t(10 + c);
    }
    return table;
}();

int nibble(char c)
{
    return kNibbles[std::size_t(static_cast<unsigned char>(c))];
}
} // namespace

QString writeCommand(CommandSet set, Block block, int ring, std::size_t offset,
                     std::span<const std::uint8_t> data)
{
    return verb(set, block, true) + address(set, block, ring, offset) + QLatin1Char(' ') +
           QString::number(data.size()) + QLatin1Char(' ') + QString::fromLatin1(toHex(data));
}

QString readCommand(CommandSet set, Block block, int ring, Packet packet)
{
    return verb(set, block, false) + address(set, block, ring, packet.offset) + QLatin1Char(' ') +
           QString::number(packet.length);
}

QByteArray toHex(std::span<const std::uint8_t> bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    QByteArray text(static_cast<qsizetype>(bytes.size() * 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[static_cast<qsizetype>(2 * i)] = digits[bytes[i] >> 4];
        text[static_cast<qsizetype>(2 * i + 1)] = digits[bytes[i] & 0x0F];
    }
    return text;
}

bool decodeReadPayload(const QByteArray &payload, std::span<std::uint8_t> out)
{
    const auto wanted = static_cast<qsizetype>(out.size() * 2);
    if ((payload.size() & ~qsizetype(1)) != wanted)
        return false;
    // Decoded into a copy first, so that a bad answer leaves `out` as it was; one look-up per
    // digit, as every answer of a fleet's backup comes through here.
    std::array<std::uint8_t, FlashLayout::PacketSize> packetBytes;
    std::vector<std::uint8_t> moreBytes;
    std::span<std::uint8_t> bytes = packetBytes;
    if (out.size() > packetBytes.size()) {
        moreBytes.resize(out.size());
        bytes = moreBytes;
    }
    const char *const text = payload.constData();
    int bad = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int high = nibble(text[2 * i]);
        const int low = nibble(text[2 * i + 1]);
        bad |= high | low;
        bytes[i] = static_cast<std::uint8_t>(unsigned(high) << 4 | unsigned(low));
    }
    if (bad < 0)
        return false;
    std::copy_n(bytes.begin(), out.size(), out.begin());
    return true;
}

} // namespace FlashPackets
