#pragma once
// CRC-16 as LhA uses it for file data and header checks: the "ARC" variant,
// reflected polynomial 0xA001, initial value 0.

#include <cstddef>
#include <cstdint>

namespace stovan::archive {

// Continues a CRC over more data; start with crc = 0.
std::uint16_t UpdateCrc16(std::uint16_t crc, const void* data, std::size_t length);

}  // namespace stovan::archive
