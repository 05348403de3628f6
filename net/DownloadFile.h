#pragma once
// DownloadFile: one fetch into a file, waited for. It is the driver that
// the command line, the version check and the image cache use; it serves
// nothing else while it waits, but looks at the abort check every 100 ms.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/Log.h"
#include "core/Status.h"
#include "net/Transfer.h"
#include "platform/Volumes.h"

namespace stovan {

// What a fetch needs around it.
struct DownloadContext {
    const amiga::DosList* dos = nullptr;
    TransferSettings settings;
    Log* log = nullptr;                    // failures are logged here
    TransferProgress* progress = nullptr;  // the gauge, with DL_PROGRESS
    // True when the user aborted; polled while the transfer runs.
    std::function<bool()> aborted;
    // The current drawer: where a file without a drawer of its own goes.
    std::string drawer = "T:";
};

// What a fetch stored.
struct DownloadOutcome {
    std::string path;  // the Amiga path of the stored file; empty when none was stored
    std::optional<amiga::DateStamp> fileDate;  // the date the file was given
    std::int64_t announcedLength = 0;
};

// Fetches url into a file. The file is localName (an Amiga path, relative
// to the context's drawer), or, without one, the last part of the URL made
// safe in the context's drawer; an existing file of that name is deleted
// first. With serverName set, an attachment name the server sends (made
// safe) names the file instead, in the same drawer. The result is 0 or a
// transfer result (net/Transfer.h); every result but 0 and 315 is logged
// (with the last part of the URL for "Unable to find '%s'!"). With
// DL_PROGRESS the gauge is shown, fed and hidden.
Status DownloadFile(const DownloadContext& context, std::string_view url,
                    std::string_view localName, std::uint32_t flags, bool serverName = false,
                    DownloadOutcome* outcome = nullptr);

}  // namespace stovan
