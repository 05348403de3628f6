#include "archive/Crc16.h"

#include <array>
#include <bit>
#include <cstring>

namespace stovan::archive {

namespace {

// Slicing by eight: kTables[0] is the classic byte table; kTables[k][b] is
// the CRC of byte b followed by k zero bytes, so eight bytes are folded in
// with eight independent look-ups instead of a chain of eight.
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables tables{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) != 0 ? (value >> 1) ^ 0xA001u : value >> 1;
        }
        tables[0][i] = static_cast<std::uint16_t>(value);
    }
    for (unsigned i = 0; i < 256; ++i) {
        for (std::size_t k = 1; k < tables.size(); ++k) {
            const unsigned previous = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
        }
    }
    return tables;
}

constexpr Tables kTables = MakeTables();

}  // namespace

std::uint16_t UpdateCrc16(std::uint16_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    unsigned value = crc;
    while (length >= 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        if constexpr (std::endian::native == std::endian::big) {
            word = __builtin_bswap64(word);
        }
        word ^= value;
        value = kTables[7][word & 0xFF] ^ kTables[6][(word >> 8) & 0xFF] ^
                kTables[5][(word >> 16) & 0xFF] ^ kTables[4][(word >> 24) & 0xFF] ^
                kTables[3][(word >> 32) & 0xFF] ^ kTables[2][(word >> 40) & 0xFF] ^
                kTables[1][(word >> 48) & 0xFF] ^ kTables[0][word >> 56];
        bytes += 8;
        length -= 8;
    }
    for (std::size_t i = 0; i < length; ++i) {
        value = kTables[0][(value ^ bytes[i]) & 0xFF] ^ (value >> 8);
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace stovan::archive
