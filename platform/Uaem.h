#pragma once
// FS-UAE compatible ".uaem" sidecar files: the protection bits, date and
// comment of host file X live in "X.uaem" beside it, one line:
//
//   "----rwed 2013-02-12 21:20:52.02 hello\n"
//
// This module only formats and parses that line; HostFiles reads and writes
// the sidecars.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DateStamp.h"

namespace amiga {

// Protection bits as fib_Protection holds them: RWED (bits 3..0) are active
// low (set = not allowed), A P S H (bits 4..7) active high.
inline constexpr std::uint32_t FIBF_DELETE = 1u << 0;
inline constexpr std::uint32_t FIBF_EXECUTE = 1u << 1;
inline constexpr std::uint32_t FIBF_WRITE = 1u << 2;
inline constexpr std::uint32_t FIBF_READ = 1u << 3;
inline constexpr std::uint32_t FIBF_ARCHIVE = 1u << 4;
inline constexpr std::uint32_t FIBF_PURE = 1u << 5;
inline constexpr std::uint32_t FIBF_SCRIPT = 1u << 6;
inline constexpr std::uint32_t FIBF_HOLD = 1u << 7;
// "----rwed": everything allowed, no flags.
inline constexpr std::uint32_t kDefaultProtection = 0;

inline constexpr std::string_view kUaemSuffix = ".uaem";
// The longest comment kept (the FFS limit of 79 characters).
inline constexpr std::size_t kMaxCommentLength = 79;

struct UaemInfo {
    std::uint32_t protection = kDefaultProtection;  // only the low 8 bits are stored
    DateStamp date;
    std::string comment;
};

// True when a host name is a sidecar: longer than ".uaem" and ending in it
// (byte-exact, as FS-UAE compares).
bool IsUaemName(std::string_view hostName);

// The protection string "hsparwed" with "-" for a letter that does not
// apply ("----rwed" for 0).
std::string ProtectionString(std::uint32_t protection);

// The sidecar line for info, with its trailing line feed. The comment is
// escaped as FS-UAE does (%xx for control bytes, bytes above 0x7F, and
// % \ * ? " / | < >, and a trailing dot or space).
std::string FormatUaem(const UaemInfo& info);

// Reads a sidecar's text. Fields missing from a short file keep the values
// of fallback (the host's date, default protection, no comment), as FS-UAE
// does: fewer than 8 bytes keep the default protection, the date needs all
// 22 of its bytes.
UaemInfo ParseUaem(std::string_view text, const UaemInfo& fallback);

}  // namespace amiga
