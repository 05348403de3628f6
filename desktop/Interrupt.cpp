#include "desktop/Interrupt.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

namespace stovan {

namespace {

std::atomic<int> gReadEnd{-1};
std::atomic<int> gWriteEnd{-1};
std::once_flag gPipeOnce;

void MakePipe() {
    std::call_once(gPipeOnce, [] {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
            gReadEnd = ends[0];
            gWriteEnd = ends[1];
        }
    });
}

void OnInterrupt(int) {
    RaiseInterrupt();
}

}  // namespace

void InstallInterruptHandler() {
    MakePipe();
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    ::sigaction(SIGINT, &action, nullptr);
}

void RaiseInterrupt() {
    const int saved = errno;
    const int fd = gWriteEnd.load();
    if (fd >= 0) {
        const char byte = 1;
        // A full pipe already holds a pending break.
        (void)!::write(fd, &byte, 1);
    }
    errno = saved;
}

int InterruptDescriptor() {
    MakePipe();
    return gReadEnd.load();
}

bool TakeInterrupts() {
    const int fd = InterruptDescriptor();
    if (fd < 0) {
        return false;
    }
    bool any = false;
    char buffer[64];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            any = true;
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return any;
    }
}

}  // namespace stovan
