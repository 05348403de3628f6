#pragma once
// Big-endian words as AmigaOS files store them (IFF chunks, icons, port
// messages). Readers take a span the caller has already bounds-checked.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace amiga {

inline std::uint16_t ReadBE16(std::string_view data, std::size_t offset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data() + offset);
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

inline std::uint32_t ReadBE32(std::string_view data, std::size_t offset) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data() + offset);
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

inline void AppendBE16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value & 0xFF));
}

inline void AppendBE32(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value >> 24));
    out.push_back(static_cast<char>((value >> 16) & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

inline void WriteBE32(std::string& out, std::size_t offset, std::uint32_t value) {
    out[offset] = static_cast<char>(value >> 24);
    out[offset + 1] = static_cast<char>((value >> 16) & 0xFF);
    out[offset + 2] = static_cast<char>((value >> 8) & 0xFF);
    out[offset + 3] = static_cast<char>(value & 0xFF);
}

}  // namespace amiga
