#pragma once
// One descriptor the event loop polls and what to do when it is ready.
// Sources (the port, workers, the front end) hand the loop a fresh list of
// watches every turn; a callback finds its object again by id, so a nested
// loop that changes the sources never leaves a callback holding a stale one.

#include <chrono>
#include <functional>
#include <vector>

namespace stovan {

using LoopClock = std::chrono::steady_clock;

struct Watch {
    int fd = -1;
    short events = 0;                  // POLLIN, POLLOUT
    std::function<void(short)> ready;  // called with the returned events
};

using Watches = std::vector<Watch>;

}  // namespace stovan
