#include "archive/LhaHeader.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "archive/Crc16.h"

namespace stovan::archive {

using amiga::DateStampFromHostTime;
using amiga::DateStampToSeconds;
using amiga::kAmigaEpochDays;

namespace {

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t Le64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}

void PutLe16(std::vector<std::uint8_t>& out, std::size_t at, unsigned value) {
    out[at] = static_cast<std::uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

Unexpected<ArchiveError> Broken(const std::string& what) {
    return Unexpected{ArchiveError{ArchiveError::Kind::Corrupt, "Damaged LhA header: " + what}};
}

// The name field of levels 0/1: path (level 0 uses '\') then an optional
// comment after a NUL.
void SplitNameField(const std::uint8_t* field, std::size_t length, std::string& name,
                    std::string& comment) {
    const auto* end = field + length;
    const auto* nul = std::find(field, end, std::uint8_t{0});
    name.assign(field, nul);
    if (nul != end) {
        comment.assign(nul + 1, end);
        // Some writers pad the comment with further NULs.
        comment.erase(std::find(comment.begin(), comment.end(), '\0'), comment.end());
    }
    std::replace(name.begin(), name.end(), '\\', '/');
}

}  // namespace

Expected<LhaHeaderInfo, ArchiveError> ParseLhaHeader(const std::uint8_t* data, std::size_t size) {
    LhaHeaderInfo info;
    if (size >= 1 && data[0] == 0) {
        return info;  // end of archive
    }
    if (size < 22) {
        return Broken("truncated");
    }
    info.level = data[20];
    if (info.level > 2) {
        return Unexpected{
            ArchiveError{ArchiveError::Kind::Unsupported,
                         "LhA header level " + std::to_string(info.level) + " is not supported."}};
    }
    info.method.assign(reinterpret_cast<const char*>(data + 2), 5);
    if (info.method[0] != '-' || info.method[4] != '-') {
        return Broken("no compression method");
    }
    std::uint32_t packed = Le32(data + 7);
    info.originalSize = Le32(data + 11);
    info.rawTime = Le32(data + 15);
    info.attribute = data[19];

    std::string directory;
    std::string name;
    std::size_t extOffset = 0;  // where the size of the first extended header is
    std::size_t baseLength = 0;
    if (info.level == 0 || info.level == 1) {
        baseLength = static_cast<std::size_t>(data[0]) + 2;
        if (size < baseLength) {
            return Broken("truncated");
        }
        const std::size_t nameLength = data[21];
        const std::size_t minimum = 22 + nameLength + 2 + (info.level == 1 ? 3 : 0);
        if (baseLength < minimum) {
            return Broken("name longer than the header");
        }
        SplitNameField(data + 22, nameLength, name, info.comment);
        info.crc = Le16(data + 22 + nameLength);
        if (info.level == 1) {
            info.osType = data[22 + nameLength + 2];
            extOffset = baseLength - 2;
        }
        info.headerLength = baseLength;
    } else {
        baseLength = Le16(data);
        if (baseLength < 26) {
            return Broken("level-2 header too short");
        }
        if (size < baseLength) {
            return Broken("truncated");
        }
        info.crc = Le16(data + 21);
        info.osType = data[23];
        extOffset = 24;
        info.headerLength = baseLength;
    }

    // Extended headers: inside the header for level 2, after it for level 1
    // (where their bytes are counted in the packed size).
    std::size_t extendedBytes = 0;
    if (extOffset != 0) {
        std::size_t at = extOffset;
        std::size_t next = Le16(data + at);
        at += 2;
        int guard = 0;
        while (next != 0) {
            if (++guard > 4096 || next < 3) {
                return Broken("bad extended header size");
            }
            if (info.level == 2 && at + next > baseLength) {
                return Broken("extended header beyond the header");
            }
            if (at + next > size) {
                return Broken("truncated");
            }
            const std::uint8_t type = data[at];
            const std::uint8_t* body = data + at + 1;
            const std::size_t bodyLength = next - 3;
            switch (type) {
                case 0x01:
                    name.assign(body, body + bodyLength);
                    break;
                case 0x02: {
                    directory.assign(body, body + bodyLength);
                    std::replace(directory.begin(), directory.end(), '\xFF', '/');
                    std::replace(directory.begin(), directory.end(), '\\', '/');
                    break;
                }
                case 0x3F:
                case 0x71:
                    info.comment.assign(body, body + bodyLength);
                    info.comment.erase(std::find(info.comment.begin(), info.comment.end(), '\0'),
                                       info.comment.end());
                    break;
                case 0x42:
                    if (bodyLength >= 16) {
                        info.dataSize = Le64(body);
                        info.originalSize = Le64(body + 8);
                        info.hasLargeSizes = true;
                    }
                    break;
                default:
                    break;
            }
            if (info.level == 1) {
                extendedBytes += next;
            }
            at += next;
            next = Le16(data + at - 2);
        }
        if (info.level == 1) {
            info.headerLength = baseLength + extendedBytes;
        }
    }
    if (!info.hasLargeSizes) {
        if (info.level == 1) {
            if (packed < extendedBytes) {
                return Broken("packed size smaller than its extended headers");
            }
            info.dataSize = packed - extendedBytes;
        } else {
            info.dataSize = packed;
        }
    }
    if (!directory.empty() && directory.back() != '/') {
        directory += '/';
    }
    info.path = directory + name;
    return info;
}

ArchiveMetadata LhaMetadata(const LhaHeaderInfo& header, std::int64_t hostTime) {
    ArchiveMetadata metadata;
    if (header.level == 0 || header.osType == 'A') {
        metadata.protection = header.attribute;
    }
    metadata.comment = header.comment;
    metadata.date = DateStampFromHostTime(static_cast<std::time_t>(hostTime));
    return metadata;
}

std::uint32_t DosTimeFromDateStamp(const DateStamp& date) {
    // The DateStamp is local time already: break it down without a zone.
    const std::time_t local =
        static_cast<std::time_t>(DateStampToSeconds(date) + kAmigaEpochDays * 86400);
    std::tm fields{};
    gmtime_r(&local, &fields);
    int year = fields.tm_year + 1900;
    if (year < 1980) {
        return (1u << 5 | 1u) << 16;  // 1 January 1980, 00:00
    }
    if (year > 2107) {
        fields = std::tm{};
        fields.tm_mon = 11;
        fields.tm_mday = 31;
        fields.tm_hour = 23;
        fields.tm_min = 59;
        fields.tm_sec = 58;
        year = 2107;
    }
    const std::uint32_t dosDate = static_cast<std::uint32_t>(
        ((year - 1980) << 9) | ((fields.tm_mon + 1) << 5) | fields.tm_mday);
    const std::uint32_t dosTime = static_cast<std::uint32_t>(
        (fields.tm_hour << 11) | (fields.tm_min << 5) | (fields.tm_sec / 2));
    return (dosDate << 16) | dosTime;
}

std::vector<std::uint8_t> BuildLevel1Header(const Level1HeaderFields& fields) {
    // Base header: 22 fixed bytes, the name field, CRC, OS id and the size of
    // the first extended header. Its size byte counts from offset 2, so the
    // name field holds at most 255 - 25 bytes.
    constexpr std::size_t kMaxNameField = 255 - 25;
    std::string nameField = fields.name;
    bool nameInExtension = false;
    bool commentInExtension = false;
    if (!fields.comment.empty()) {
        if (nameField.size() + 1 + fields.comment.size() <= kMaxNameField) {
            nameField += '\0';
            nameField += fields.comment;
        } else {
            commentInExtension = true;
        }
    }
    if (nameField.size() > kMaxNameField) {
        nameInExtension = true;
        nameField.clear();
    }

    std::vector<std::vector<std::uint8_t>> extensions;
    auto addExtension = [&extensions](std::uint8_t type, const std::string& body) {
        std::vector<std::uint8_t> ext;
        ext.push_back(type);
        ext.insert(ext.end(), body.begin(), body.end());
        extensions.push_back(std::move(ext));
    };
    if (nameInExtension) {
        addExtension(0x01, fields.name);
    }
    if (!fields.directory.empty()) {
        std::string directory = fields.directory;
        std::replace(directory.begin(), directory.end(), '/', '\xFF');
        directory += '\xFF';
        addExtension(0x02, directory);
    }
    if (commentInExtension) {
        addExtension(0x71, fields.comment);
    }

    const std::size_t baseLength = 22 + nameField.size() + 5;
    std::vector<std::uint8_t> out(baseLength, 0);
    out[0] = static_cast<std::uint8_t>(baseLength - 2);
    std::memcpy(out.data() + 2, fields.method.data(), 5);
    std::size_t extendedBytes = 0;
    for (const auto& ext : extensions) {
        extendedBytes += ext.size() + 2;
    }
    PutLe32(out, 7, static_cast<std::uint32_t>(fields.dataSize + extendedBytes));
    PutLe32(out, 11, fields.originalSize);
    PutLe32(out, 15, DosTimeFromDateStamp(fields.date));
    out[19] = static_cast<std::uint8_t>(fields.protection & 0xFF);
    out[20] = 1;
    out[21] = static_cast<std::uint8_t>(nameField.size());
    std::memcpy(out.data() + 22, nameField.data(), nameField.size());
    PutLe16(out, 22 + nameField.size(), fields.crc);
    out[24 + nameField.size()] = 'A';
    // Each extended header's size word precedes it: the base header ends with
    // the first one, every extension with the next (0 after the last).
    PutLe16(out, baseLength - 2, extensions.empty() ? 0 : extensions[0].size() + 2);
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        out.insert(out.end(), extensions[i].begin(), extensions[i].end());
        const std::size_t next = i + 1 < extensions.size() ? extensions[i + 1].size() + 2 : 0;
        out.push_back(static_cast<std::uint8_t>(next & 0xFF));
        out.push_back(static_cast<std::uint8_t>(next >> 8));
    }
    unsigned sum = 0;
    for (std::size_t i = 2; i < baseLength; ++i) {
        sum += out[i];
    }
    out[1] = static_cast<std::uint8_t>(sum & 0xFF);
    return out;
}

}  // namespace stovan::archive
