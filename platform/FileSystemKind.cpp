#include "platform/FileSystemKind.h"

#include <sys/vfs.h>

#include <cstdint>

namespace amiga {

namespace {

// The f_type words of statfs for the limited kinds.
constexpr std::uint64_t kMsdosMagic = 0x4d44;  // msdos and vfat
constexpr std::uint64_t kExfatMagic = 0x2011BAB0;
constexpr std::uint64_t kNtfsMagic = 0x5346544e;   // the old ntfs driver
constexpr std::uint64_t kNtfs3Magic = 0x7366746e;  // ntfs3

}  // namespace

bool OnLimitedFileSystem(const std::string& hostPath) {
    struct statfs info {};
    if (::statfs(hostPath.c_str(), &info) != 0) {
        return false;
    }
    const auto type = static_cast<std::uint64_t>(info.f_type) & 0xFFFFFFFFu;
    return type == kMsdosMagic || type == kExfatMagic || type == kNtfsMagic || type == kNtfs3Magic;
}

}  // namespace amiga
