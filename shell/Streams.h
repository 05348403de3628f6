#pragma once
// The three streams of a running command as host file descriptors: input,
// output and the error stream (OS 4's "*>" redirection target). Built-in
// commands write through the descriptor helpers of platform/FileDescriptor.h;
// a host program started by the shell gets the same descriptors as its
// stdin/stdout/stderr.

#include <cstddef>
#include <string>

#include "platform/FileDescriptor.h"

namespace amiga {

struct Streams {
    int in = 0;
    int out = 1;
    int err = 2;
};

// An anonymous temporary file for capturing a command's output.
FileDescriptor CreateCaptureFile();
// The whole content of a capture file (seeks to its start first).
std::string ReadCaptureFile(int fd, std::size_t maxBytes);

}  // namespace amiga
