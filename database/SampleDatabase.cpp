#include "database/SampleDatabase.h"

#include <filesystem>
#include <system_error>

#include "database/Loader.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/HostFiles.h"
#include "platform/Locks.h"

namespace stovan {

namespace {
// Database files are small; anything larger in the folder is not one.
constexpr std::size_t kMaxSampleFileSize = std::size_t{16} << 20;
}  // namespace

std::size_t SeedSampleDatabase(const amiga::DosList& dos, const std::string& hostFolder,
                               std::string_view target) {
    auto drawer = amiga::Lock(dos, target.empty() ? std::string_view(kInternalDrawer) : target);
    if (!drawer || !drawer->drawer) {
        return 0;
    }
    auto entries = amiga::ListDrawer(*drawer);
    if (!entries || !entries->empty()) {
        return 0;
    }
    std::error_code error;
    std::size_t copied = 0;
    for (const auto& entry : std::filesystem::directory_iterator(hostFolder, error)) {
        if (!entry.is_regular_file(error)) {
            continue;
        }
        const std::string name = entry.path().filename().string();
        auto content = amiga::HostReadFile(entry.path().string(), kMaxSampleFileSize, true);
        if (!content || !amiga::IsValidName(name)) {
            continue;
        }
        if (amiga::WriteFile(dos, name, *content, &*drawer).ok()) {
            ++copied;
        }
    }
    return copied;
}

}  // namespace stovan
