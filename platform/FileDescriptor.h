#pragma once
// An owned host file descriptor, and the read/write loops every user of a
// raw descriptor needs (short transfers and EINTR retried, limits on what is
// read).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/DosErrors.h"
#include "platform/Expected.h"

namespace amiga {

// Closes its descriptor when it goes; -1 holds nothing. Move-only.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    ~FileDescriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes the held descriptor (if any) and takes fd.
    void Reset(int fd = -1);
    // Closes now and reports the close's own error (a write-back failure on
    // some file systems shows only here): false with errno set.
    [[nodiscard]] bool Close();

  private:
    int fd_ = -1;
};

// The two ends of a pipe, both close-on-exec.
struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};
Expected<Pipe, DosError> CreatePipe();

// Writes all of data (retrying short writes and EINTR). False on an I/O
// error, with errno set.
bool WriteAll(int fd, std::string_view data);
bool WriteAll(int fd, const void* data, std::size_t length);

// Reads everything from the descriptor's current position up to its end, at
// most maxBytes. None on a read error (errno set) or when there is more than
// maxBytes (errno EFBIG).
std::optional<std::string> ReadAll(int fd, std::size_t maxBytes);

// Reads one line (without its line feed) byte by byte, so that nothing past
// the line is consumed from a shared descriptor. Lines are cut at maxLength
// (the rest of the line is read and dropped). None at end of input with
// nothing read.
std::optional<std::string> ReadLine(int fd, std::size_t maxLength = 4096);

}  // namespace amiga
