#pragma once
// LhA header bytes: reading the fields that liblhasa does not expose (Amiga
// file comments, the protection byte, 64-bit sizes) and building the level-1
// headers that our writer produces, laid out as Amiga LhA writes them.
//
// Level 0/1: the name field may carry the file comment after a NUL byte.
// Level 1/2: extended headers; 0x01 file name, 0x02 directory (0xFF between
// components), 0x3F or 0x71 comment, 0x42 64-bit sizes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"
#include "platform/Expected.h"

namespace stovan::archive {

struct LhaHeaderInfo {
    int level = 0;
    std::uint8_t osType = 0;  // 0 for level 0, which has no OS id
    std::uint8_t attribute = 0;
    std::string method;          // "-lh5-" etc.
    std::uint64_t dataSize = 0;  // compressed data after all headers
    std::uint64_t originalSize = 0;
    bool hasLargeSizes = false;  // sizes came from a 0x42 extended header
    std::uint32_t rawTime = 0;   // MS-DOS date/time (level 0/1) or Unix time (level 2)
    std::uint16_t crc = 0;
    std::string path;  // '/'-separated; drawers end with '/'
    std::string comment;
    std::size_t headerLength = 0;  // all header bytes, extended headers included
};

// Parses the header at the start of data. size is what is available; when it
// is too short the error says so (Kind::Corrupt, "truncated"). A first byte
// of 0 is the end-of-archive mark: the result then has headerLength 0.
Expected<LhaHeaderInfo, ArchiveError> ParseLhaHeader(const std::uint8_t* data, std::size_t size);

// The Amiga metadata an LhA header carries: the protection byte of level-0
// headers and of headers written on an Amiga (OS id 'A'), the comment, and
// the date (host time through the local time zone, as the Amiga keeps it).
ArchiveMetadata LhaMetadata(const LhaHeaderInfo& header, std::int64_t hostTime);

// MS-DOS date and time (local) for an Amiga date; dates before 1980 become
// 1 January 1980, after 2107 the last day of 2107.
std::uint32_t DosTimeFromDateStamp(const DateStamp& date);

struct Level1HeaderFields {
    std::string method = "-lh0-";
    std::string directory;  // '/'-separated, no leading or trailing '/'
    std::string name;       // empty for a drawer entry
    std::string comment;
    std::uint32_t protection = 0;
    DateStamp date;
    std::uint32_t dataSize = 0;
    std::uint32_t originalSize = 0;
    std::uint16_t crc = 0;
};

// A level-1 header with OS id 'A': protection in the attribute byte, the
// comment after a NUL in the name field, the drawer in a 0x02 extended
// header. A name and comment too long for the one-byte header size go to
// 0x01 and 0x71 extended headers instead. The result's length depends only
// on the names and comment, so the header can be rewritten in place once
// the sizes are known.
std::vector<std::uint8_t> BuildLevel1Header(const Level1HeaderFields& fields);

}  // namespace stovan::archive
