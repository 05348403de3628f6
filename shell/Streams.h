#pragma once
// The three streams of a running command as host file descriptors: input,
// output and the error stream (OS 4's "*>" redirection target). Built-in
// commands write through these helpers; a host program started by the shell
// gets the same descriptors as its stdin/stdout/stderr.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace amiga {

struct Streams {
    int in = 0;
    int out = 1;
    int err = 2;
};

// An owned descriptor, closed when it goes.
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
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

// Writes all of text (retrying short writes and EINTR). False on an I/O error.
bool WriteAll(int fd, std::string_view text);

// Reads one line (without its line feed) byte by byte, so that nothing past
// the line is consumed from a shared descriptor. Lines are cut at maxLength.
// None at end of input with nothing read.
std::optional<std::string> ReadLine(int fd, std::size_t maxLength = 4096);

// Reads everything from the descriptor's current position, at most maxBytes.
// None on a read error or when the data is longer than maxBytes.
std::optional<std::string> ReadAll(int fd, std::size_t maxBytes);

// An anonymous temporary file for capturing a command's output.
FileDescriptor CreateCaptureFile();
// The whole content of a capture file (seeks to its start first).
std::string ReadCaptureFile(int fd, std::size_t maxBytes);

}  // namespace amiga
