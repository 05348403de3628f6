#include "shell/Break.h"

#include <csignal>

namespace amiga {

namespace {

volatile std::sig_atomic_t breakFlag = 0;

void OnInterrupt(int) {
    breakFlag = 1;
}

}  // namespace

void InstallBreakHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
}

bool BreakRequested() {
    return breakFlag != 0;
}

void ClearBreak() {
    breakFlag = 0;
}

void SignalBreak() {
    breakFlag = 1;
}

}  // namespace amiga
