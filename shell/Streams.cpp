#include "shell/Streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace amiga {

FileDescriptor CreateCaptureFile() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/stovan-shell-XXXXXX";
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) {
        ::unlink(pattern.c_str());
    }
    return FileDescriptor(fd);
}

std::string ReadCaptureFile(int fd, std::size_t maxBytes) {
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) < 0) {
        return {};
    }
    std::string data;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        std::size_t room = maxBytes - data.size();
        data.append(buffer, std::min(room, static_cast<std::size_t>(got)));
        if (data.size() >= maxBytes) {
            break;
        }
    }
    return data;
}

}  // namespace amiga
