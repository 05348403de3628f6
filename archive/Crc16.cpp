#include "archive/Crc16.h"

#include <array>

namespace stovan::archive {

namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) != 0 ? (value >> 1) ^ 0xA001u : value >> 1;
        }
        table[i] = static_cast<std::uint16_t>(value);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

}  // namespace

std::uint16_t UpdateCrc16(std::uint16_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    unsigned value = crc;
    for (std::size_t i = 0; i < length; ++i) {
        value = kTable[(value ^ bytes[i]) & 0xFF] ^ (value >> 8);
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace stovan::archive
