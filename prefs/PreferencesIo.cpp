#include "prefs/PreferencesIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/MessageIds.h"
#include "prefs/PreferencesFile.h"

namespace stovan {
namespace {

bool ReadSmallFile(const std::string& path, std::string& content) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    content.clear();
    char buffer[8192];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() > kMaxPreferencesFileSize) {
            ok = false;  // no preferences file is this big
            break;
        }
    }
    ::close(descriptor);
    return ok;
}

bool WriteAll(int descriptor, std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = ::write(descriptor, data.data(), data.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

// Writes data to a temporary file in the same drawer, flushes it to the
// disk and renames it over path: readers see the old or the new file whole.
bool WriteFileAtomic(const std::string& path, std::string_view data) {
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    temporary.assign(name.data());
    bool ok =
        ::fchmod(descriptor, 0644) == 0 && WriteAll(descriptor, data) && ::fsync(descriptor) == 0;
    ok = ::close(descriptor) == 0 && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace

Status loadPreferences(Preferences& record, std::string_view path, SystemProfile profile) {
    if (path.empty()) {
        return Status::Ok();
    }
    std::string content;
    if (ReadSmallFile(std::string(path), content)) {
        auto decoded = DecodePreferences(content);
        if (decoded.ok()) {
            record = std::move(*decoded);
            return Status::Ok();
        }
    }
    setDefaultPreferences(record, profile);
    return Status(msg::PrefsInvalidUsingDefaults);
}

Status savePreferences(Preferences& record, std::string_view path) {
    if (path.empty()) {
        return Status::Ok();
    }
    record.stringsOffset = kPreferencesFixedSize;
    if (!WriteFileAtomic(std::string(path), EncodePreferences(record))) {
        return Status(msg::CannotOpen);
    }
    return Status::Ok();
}

}  // namespace stovan
