#include "database/Engine.h"

#include "platform/DateStamp.h"

namespace stovan {

namespace {

// (days << 16) ^ ticks ^ (minutes << 8) ^ (ticks << 24), from the clock at
// creation.
std::uint32_t SeedFromClock() {
    const amiga::DateStamp now = amiga::CurrentDateStamp();
    const auto days = static_cast<std::uint32_t>(now.days);
    const auto minutes = static_cast<std::uint32_t>(now.minute);
    const auto ticks = static_cast<std::uint32_t>(now.tick);
    return (days << 16) ^ ticks ^ (minutes << 8) ^ (ticks << 24);
}

}  // namespace

Engine::Engine(amiga::DosList& dos, Preferences& preferences, Log& log)
    : dos_(dos), preferences_(preferences), log_(log) {
    scratchNumber = SeedFromClock();
    serverRotor = scratchNumber;
}

}  // namespace stovan
