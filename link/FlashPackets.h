#pragma once

#include "model/Structures.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>

// How the two ring blocks are cut into packets and spelled as flash commands. Pure functions:
// the transfer and its tests share them.
namespace FlashPackets {

// Which commands the controller understands; found out by the version probe.
enum class CommandSet { None = 0, Old = 1, RingAware = 2 };
enum class Block { Project, Programs };

struct Packet
{
    std::size_t offset = 0;
    std::size_t length = 0;
};

[[nodiscard]] std::size_t blockSize(Block block);
// 22 for the project block, 209 for the programs block.
[[nodiscard]] int packetCount(Block block);
// Packet `index` of the block; the last one holds the rest.
[[nodiscard]] Packet packet(Block block, int index);
[[nodiscard]] inline int ringPackets()
{
    return packetCount(Block::Project) + packetCount(Block::Programs);
}

// The flash address of a block offset, upper-case hexadecimal with at least four digits.
[[nodiscard]] QString address(CommandSet set, Block block, int ring, std::size_t offset);
[[nodiscard]] QString writeCommand(CommandSet set, Block block, int ring, std::size_t offset,
                                   std::span<const std::uint8_t> data);
[[nodiscard]] QString readCommand(CommandSet set, Block block, int ring, Packet packet);

// Two upper-case hexadecimal digits per byte, high nibble first.
[[nodiscard]] QByteArray toHex(std::span<const std::uint8_t> bytes);
// A read answer's payload for a packet of `out.size()` bytes: its length rounded down to an
// even number must be twice the packet length (one trailing character, a line end, is
// tolerated), and every pair must be hexadecimal in either case. Nothing is written to `out`
// unless the whole payload is good.
[[nodiscard]] bool decodeReadPayload(const QByteArray &payload, std::span<std::uint8_t> out);

} // namespace FlashPackets
