#include "archive/Detect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/FileDescriptor.h"

namespace stovan::archive {

using amiga::FileDescriptor;

namespace {

// Bytes looked at for a self-extracting archive's LhA header.
constexpr std::size_t kSniffSize = 1 << 16;

bool LooksLikeLhaHeader(const std::uint8_t* p, std::size_t available) {
    if (available < 22) {
        return false;
    }
    // "-lh?-", "-lz?-", "-pm?-" at offset 2, header level 0..2 at offset 20.
    if (p[2] != '-' || p[6] != '-') {
        return false;
    }
    const bool knownFamily =
        (p[3] == 'l' && (p[4] == 'h' || p[4] == 'z')) || (p[3] == 'p' && p[4] == 'm');
    if (!knownFamily || p[20] > 2) {
        return false;
    }
    return p[20] == 2 || p[0] >= 22;
}

}  // namespace

Expected<ArchiveFormat, ArchiveError> DetectArchiveFormat(const std::string& archiveHostPath) {
    FileDescriptor fd(::open(archiveHostPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return Unexpected{
            Error(errno == ENOENT ? ArchiveError::Kind::NotFound : ArchiveError::Kind::ReadFailed,
                  "Cannot open archive \"" + archiveHostPath + "\": " + ErrnoText() + ".")};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return Unexpected{
            Error(ArchiveError::Kind::ReadFailed, "\"" + archiveHostPath + "\" is not a file.")};
    }
    std::vector<std::uint8_t> head(kSniffSize);
    std::size_t have = 0;
    while (have < head.size()) {
        const ssize_t got = ::read(fd.get(), head.data() + have, head.size() - have);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Unexpected{
                Error(ArchiveError::Kind::ReadFailed,
                      "Cannot read archive \"" + archiveHostPath + "\": " + ErrnoText() + ".")};
        }
        if (got == 0) {
            break;
        }
        have += static_cast<std::size_t>(got);
    }
    const std::uint8_t* p = head.data();
    auto starts = [&](std::initializer_list<std::uint8_t> magic) {
        return have >= magic.size() && std::equal(magic.begin(), magic.end(), p);
    };
    if (LooksLikeLhaHeader(p, have)) {
        return ArchiveFormat::Lha;
    }
    if (starts({'P', 'K', 3, 4}) || starts({'P', 'K', 5, 6}) || starts({'P', 'K', 7, 8})) {
        return ArchiveFormat::Zip;
    }
    if (starts({0x1F, 0x8B}) || starts({'B', 'Z', 'h'}) ||
        starts({0xFD, '7', 'z', 'X', 'Z', 0x00})) {
        return ArchiveFormat::Tar;
    }
    if (have >= 262 && std::memcmp(p + 257, "ustar", 5) == 0) {
        return ArchiveFormat::Tar;
    }
    // Self-extracting LhA: a program with the archive somewhere after it.
    for (std::size_t at = 1; at + 22 <= have; ++at) {
        if (p[at + 2] == '-' && LooksLikeLhaHeader(p + at, have - at)) {
            return ArchiveFormat::Lha;
        }
    }
    return ArchiveFormat::Unknown;
}

}  // namespace stovan::archive
