#include "shell/Streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace amiga {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.Release();
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::optional<std::string> ReadLine(int fd, std::size_t maxLength) {
    std::string line;
    bool any = false;
    for (;;) {
        char c = 0;
        ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        any = true;
        if (c == '\n') {
            return line;
        }
        if (line.size() < maxLength) {
            line += c;
        }
    }
    if (!any) {
        return std::nullopt;
    }
    return line;
}

std::optional<std::string> ReadAll(int fd, std::size_t maxBytes) {
    std::string data;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            return data;
        }
        if (data.size() + static_cast<std::size_t>(got) > maxBytes) {
            return std::nullopt;
        }
        data.append(buffer, static_cast<std::size_t>(got));
    }
}

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
