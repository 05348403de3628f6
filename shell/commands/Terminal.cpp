#include "shell/commands/Terminal.h"

#include <fcntl.h>
#include <unistd.h>

namespace amiga {

FileDescriptor OpenTerminal(const Streams& io) {
    if (::isatty(io.in) == 0) {
        return FileDescriptor();
    }
    return FileDescriptor(::open("/dev/tty", O_RDWR | O_CLOEXEC));
}

}  // namespace amiga
