// Wait: waits the given number of seconds (1 by default), minutes with MIN,
// or until a time of day with UNTIL hh:mm. A break ends the wait with 5.
// Template: /N,SEC=SECS/S,MIN=MINS/S,UNTIL/K

#include <ctime>
#include <thread>

#include "platform/StrToLong.h"
#include "shell/Break.h"
#include "shell/Command.h"

namespace amiga {

namespace {

// Seconds from now until the next hh:mm, or -1 for a malformed time.
long SecondsUntil(std::string_view text) {
    std::size_t colon = text.find(':');
    std::int32_t hours = 0;
    std::int32_t minutes = 0;
    if (colon == std::string_view::npos ||
        StrToLong(text.substr(0, colon), hours) != static_cast<int>(colon) ||
        StrToLong(text.substr(colon + 1), minutes) != static_cast<int>(text.size() - colon - 1) ||
        hours < 0 || hours > 23 || minutes < 0 || minutes > 59) {
        return -1;
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    long nowSeconds = local.tm_hour * 3600L + local.tm_min * 60L + local.tm_sec;
    long target = hours * 3600L + minutes * 60L;
    return target > nowSeconds ? target - nowSeconds : target + 86400 - nowSeconds;
}

int RunWait(CommandContext& context) {
    const ParsedArgs& args = context.args;
    long seconds = 1;
    if (args.Has("UNTIL")) {
        seconds = SecondsUntil(args.Text("UNTIL"));
        if (seconds < 0) {
            context.PrintError("Wait: time should be HH:MM\n");
            context.result2 = ERROR_BAD_NUMBER;
            return RETURN_ERROR;
        }
    } else if (auto count = args.Number("")) {
        seconds = *count < 0 ? 0 : *count;
        if (args.Switch("MIN")) {
            seconds *= 60;
        }
    }
    // Polls the break flag ten times a second.
    for (long tenths = seconds * 10; tenths > 0; --tenths) {
        if (BreakRequested()) {
            context.result2 = ERROR_BREAK;
            return RETURN_WARN;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kWaitCommand{"Wait", "/N,SEC=SECS/S,MIN=MINS/S,UNTIL/K", RunWait};

}  // namespace amiga
