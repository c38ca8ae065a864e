#pragma once

#include <cstdint>
#include <span>

// CRC-32 of IEEE 802.3 (reflected 0xEDB88320, init and final complement): the checksum of both
// ring blocks in files and in the controller's flash.
[[nodiscard]] std::uint32_t Crc32(std::span<const std::uint8_t> bytes);
