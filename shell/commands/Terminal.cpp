#include "shell/commands/Terminal.h"

#include <fcntl.h>
#include <unistd.h>

namespace amiga {

FileDescriptor OpenTerminal(const Streams& io) {
    if (::isatty(io.in) == 0) {
        return FileDescriptor();
    }
    // The terminal the input comes from, which need not be the controlling
    // terminal of this process (a shell started on a pseudo-terminal).
    const char* name = ::ttyname(io.in);
    return FileDescriptor(::open(name != nullptr ? name : "/dev/tty", O_RDWR | O_CLOEXEC));
}

}  // namespace amiga
