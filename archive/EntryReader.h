#pragma once
// Reading an archive entry by entry, whatever its format: LhA with our own
// decoder (LhaEntryReader), ZIP and tar through libarchive. Extraction,
// testing and listing all walk an archive through this one interface.

#include <cstdint>
#include <memory>
#include <string>

#include "archive/ArchiveTypes.h"

namespace stovan::archive {

// Bytes read from an archive or a host file at a time.
inline constexpr std::size_t kChunk = 1 << 16;

struct Entry {
    enum class Type { File, Dir, Symlink, Hardlink, Other };
    std::string name;
    // The name as the header stores it, when the reading library cleans
    // names up (liblhasa drops ".." components): checked as well, so that a
    // hostile archive is refused rather than quietly rewritten.
    std::string storedName;
    Type type = Type::File;
    std::string linkTarget;
    std::uint64_t size = 0;
    bool sizeKnown = true;
    std::uint64_t packedSize = 0;
    std::string method;
    ArchiveMetadata metadata;
    std::int64_t hostTime = 0;
    std::uint32_t hostMode = 0;  // permission bits the archive gives, 0 if none
};

class EntryReader {
  public:
    virtual ~EntryReader() = default;
    // false at the end of the archive.
    virtual Expected<bool, ArchiveError> next(Entry& entry) = 0;
    // 0 at the end of the current entry's data.
    virtual Expected<std::size_t, ArchiveError> read(std::uint8_t* buffer, std::size_t size) = 0;
    // After all data was read: checks length and CRC.
    virtual Expected<bool, ArchiveError> verify(const Entry& entry) = 0;
};

// A reader for the archive at path, chosen by its first bytes
// (DetectArchiveFormat): UnknownFormat for anything else.
Expected<std::unique_ptr<EntryReader>, ArchiveError> OpenReader(const std::string& path);

}  // namespace stovan::archive
