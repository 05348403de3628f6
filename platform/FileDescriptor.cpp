#include "platform/FileDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace amiga {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Reset(other.Release());
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    Reset();
}

void FileDescriptor::Reset(int fd) {
    if (fd_ >= 0 && fd_ != fd) {
        // close() on Linux frees the descriptor even when it reports EINTR:
        // retrying could close one another thread has just opened.
        ::close(fd_);
    }
    fd_ = fd;
}

bool FileDescriptor::Close() {
    if (fd_ < 0) {
        return true;
    }
    return ::close(Release()) == 0;
}

Expected<Pipe, DosError> CreatePipe() {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return Unexpected{DosErrorFromErrno(errno)};
    }
    return Pipe{FileDescriptor(ends[0]), FileDescriptor(ends[1])};
}

bool WriteAll(int fd, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool WriteAll(int fd, std::string_view data) {
    return WriteAll(fd, data.data(), data.size());
}

std::optional<std::string> ReadAll(int fd, std::size_t maxBytes) {
    std::string data;
    std::string buffer(65536, '\0');
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            return data;
        }
        if (static_cast<std::size_t>(got) > maxBytes - data.size()) {
            errno = EFBIG;
            return std::nullopt;
        }
        data.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

std::optional<std::string> ReadLine(int fd, std::size_t maxLength) {
    std::string line;
    bool any = false;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
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

}  // namespace amiga
