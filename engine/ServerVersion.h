#pragma once
// What an application's web site offers: the server version of an item,
// learned from the first source that gives one: its read-me (URLREADME,
// read like an installed file), its web page scanned with URLPATTERN, or,
// when no page and pattern are given, the date of the archive itself (the
// response header only, nothing downloaded).

#include <cstddef>
#include <functional>
#include <optional>

#include "core/EventLoop.h"
#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"
#include "engine/ServerFetches.h"
#include "engine/VersionCheck.h"

namespace stovan {

// The largest part of a web page or read-me that is read and scanned.
inline constexpr std::size_t kMaxServerPage = std::size_t{16} << 20;

struct ServerVersionContext {
    Engine& engine;
    EventLoop& loop;  // runs the Version command on a fetched read-me
    // True when the user aborted; polled while a fetch runs.
    std::function<bool()> aborted;
    // The fetches run ahead by the check; null: each fetch is made when
    // the step asks for it (DownloadFile).
    ServerFetches* fetches = nullptr;
};

// Clears the item's server triple and date, logs 308, then tries the
// sources in order: the read-me ("{TEMPDIR}ParseReadme"), when that gave
// nothing the page ("{TEMPDIR}Page") with FindBestVersionInPage and, when
// that finds nothing, ProbeVersionsInPage; without a page and pattern the
// archive's date (a network URL fetched with DL_LENGTH_ONLY; any other
// URLARCHIVE is an Amiga path whose file date is taken). The temporary
// files are deleted before each fetch and after reading. Returns the last
// result: 0, msg::NotEnoughMemory, msg::ProcessingAborted or the failure
// of the last fetch (already logged).
Status DetermineServerVersion(ServerVersionContext& context, ApplicationItem& item);

// The version check's server step (VersionCheckContext::serverStep) made
// of DetermineServerVersion; engine and loop must outlive it.
std::function<Status(ApplicationItem&)> MakeServerStep(Engine& engine, EventLoop& loop,
                                                       std::function<bool()> aborted);

// The first fetch DetermineServerVersion will make for the item as it
// stands (the read-me, else the page, else a network archive's header),
// its URL expanded with the server information cleared, as the step
// clears it; nothing when it makes none or an expansion fails.
std::optional<ServerFetch> FirstServerFetchOf(Engine& engine, ApplicationItem& item);

// Gives the check its server step (DetermineServerVersion). With jobs
// above 1 the steps' fetches run ahead, `jobs` at a time
// (engine/ServerFetches.h); the log and the results stay those of the run
// that fetches one at a time. The context's engine and loop must outlive
// its use.
void UseServerSteps(VersionCheckContext& check, std::uint32_t jobs, std::function<bool()> aborted);

}  // namespace stovan
