#include "engine/ServerVersion.h"

#include <memory>
#include <new>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "engine/ArchiveFetch.h"
#include "engine/Downloads.h"
#include "engine/InstalledVersion.h"
#include "net/DownloadFile.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "scripts/Placeholders.h"
#include "version/VersionPattern.h"

namespace stovan {

namespace {

// A quiet fetch (no gauge) with the engine's transfer preferences; through
// the fetches run ahead when the check has them.
Status Fetch(ServerVersionContext& context, ApplicationItem& item, const ServerFetch& fetch,
             DownloadOutcome& outcome) {
    if (context.fetches != nullptr) {
        return context.fetches->Fetch(item, fetch, outcome);
    }
    return DownloadFile(MakeDownloadContext(context.engine, context.aborted), fetch.url, fetch.path,
                        fetch.flags, false, &outcome);
}

// Reads what a fetch stored: the path it was stored under and its outcome.
using ReadFetched = std::function<Status(const std::string& path, const DownloadOutcome& outcome)>;

// Fetches url into "{TEMPDIR}" + name and, when that succeeded, hands the
// file to `read`. The file is deleted before the fetch and after reading.
// The fetch's result, or what `read` returned.
Status FetchAndRead(ServerVersionContext& context, ApplicationItem& item,
                    const std::optional<ServerFetch>& fetch, const ReadFetched& read) {
    Engine& engine = context.engine;
    if (!fetch) {
        return Status(msg::NotEnoughMemory);
    }
    // An earlier fetch's file; the fetch replaces it.
    (void)amiga::DeleteFile(engine.dos(), fetch->path);
    DownloadOutcome outcome;
    Status result = Fetch(context, item, *fetch, outcome);
    if (result.ok()) {
        result = read(fetch->path, outcome);
    }
    // A file in {TEMPDIR}, which the next clean-up of the temporary drawers removes.
    (void)amiga::DeleteFile(engine.dos(), fetch->path);
    return result;
}

// The fetch of a URL text of the item into "{TEMPDIR}" + name; nothing
// when an expansion fails.
std::optional<ServerFetch> TemporaryFetch(Engine& engine, ApplicationItem& item,
                                          std::string_view urlText, std::string_view name,
                                          std::uint32_t flags = 0) {
    auto path = ExpandText(engine, &item, "{TEMPDIR}" + std::string(name));
    auto url = ExpandText(engine, &item, urlText);
    if (!path || !url) {
        return std::nullopt;
    }
    return ServerFetch{std::move(*url), std::move(*path), flags};
}

std::optional<ServerFetch> ReadmeFetch(Engine& engine, ApplicationItem& item) {
    return TemporaryFetch(engine, item, item.urlReadme(), "ParseReadme");
}

std::optional<ServerFetch> PageFetch(Engine& engine, ApplicationItem& item) {
    return TemporaryFetch(engine, item, item.urlWebPage(), "Page");
}

std::optional<ServerFetch> ArchiveDateFetch(Engine& engine, ApplicationItem& item) {
    return TemporaryFetch(engine, item, "{ARCHIVENAME}", "ParseReadme", DL_LENGTH_ONLY);
}

bool HasPage(const ApplicationItem& item) {
    return !item.urlWebPage().empty() && !item.urlPattern().empty();
}

// The read-me: its version, read like an installed file's.
Status FromReadme(ServerVersionContext& context, ApplicationItem& item) {
    Engine& engine = context.engine;
    return FetchAndRead(context, item, ReadmeFetch(engine, item),
                        [&](const std::string& path, const DownloadOutcome&) {
                            VersionTriple triple;
                            const Status result =
                                GetVersionFromFile(engine, context.loop, path, triple);
                            item.serverVersion = triple;
                            return result;
                        });
}

// The page scanned with the pattern, then probed for candidates.
Status FromPage(ServerVersionContext& context, ApplicationItem& item) {
    Engine& engine = context.engine;
    return FetchAndRead(
        context, item, PageFetch(engine, item),
        [&](const std::string& path, const DownloadOutcome&) {
            auto page = ReadFilePart(engine.dos(), path, kMaxServerPage);
            if (!page) {
                return Status::Ok();
            }
            const VersionInfo best = FindBestVersionInPage(item.urlPattern(), *page);
            item.serverVersion = best.triple;
            item.serverDate = best.date;
            if (!item.serverInfo().present()) {
                // The candidates are expanded with the item's placeholders, so
                // the server numbers stand in for the candidate meanwhile.
                const auto expand =
                    [&](const VersionTriple& candidate) -> std::optional<std::string> {
                    item.serverVersion = candidate;
                    auto text = ExpandText(engine, &item, item.urlPattern());
                    if (!text) {
                        return std::nullopt;
                    }
                    return std::move(*text);
                };
                const VersionTriple found =
                    ProbeVersionsInPage(item.installedVersion, *page, expand);
                item.serverVersion = {found.version, found.revision, 0};
            }
            return Status::Ok();
        });
}

// The archive's date, from the response header alone.
Status FromArchiveDate(ServerVersionContext& context, ApplicationItem& item) {
    Engine& engine = context.engine;
    auto url = ExpandText(engine, &item, "{ARCHIVENAME}");
    if (!url) {
        return Status(msg::NotEnoughMemory);
    }
    if (url->empty()) {
        return Status::Ok();
    }
    if (!IsNetworkUrl(*url)) {
        // A local mirror: the file's own date.
        if (auto info = amiga::Examine(engine.dos(), *url); info && !info->drawer) {
            item.serverDate = info->date;
            return Status::Ok();
        }
        engine.log().AddLogEntry(msg::CannotFind, amiga::FilePart(*url));
        return Status(msg::CannotFind);
    }
    return FetchAndRead(context, item, ArchiveDateFetch(engine, item),
                        [&](const std::string&, const DownloadOutcome& outcome) {
                            if (outcome.fileDate) {
                                item.serverDate = *outcome.fileDate;
                            }
                            return Status::Ok();
                        });
}

}  // namespace

Status DetermineServerVersion(ServerVersionContext& context, ApplicationItem& item) {
    try {
        item.serverVersion = {};
        item.serverDate = {};
        context.engine.log().AddLogEntry(msg::CheckingServerVersion, item.displayText());
        Status result;
        if (!item.urlReadme().empty()) {
            result = FromReadme(context, item);
            if (result.message() == msg::ProcessingAborted ||
                result.message() == msg::NotEnoughMemory) {
                return result;
            }
        }
        if (!item.serverInfo().present()) {
            if (HasPage(item)) {
                result = FromPage(context, item);
            } else {
                result = FromArchiveDate(context, item);
            }
        }
        return result;
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

std::function<Status(ApplicationItem&)> MakeServerStep(Engine& engine, EventLoop& loop,
                                                       std::function<bool()> aborted) {
    return [&engine, &loop, aborted = std::move(aborted)](ApplicationItem& item) {
        ServerVersionContext context{engine, loop, aborted};
        return DetermineServerVersion(context, item);
    };
}

std::optional<ServerFetch> FirstServerFetchOf(Engine& engine, ApplicationItem& item) {
    const VersionTriple version = item.serverVersion;
    const amiga::DateStamp date = item.serverDate;
    item.serverVersion = {};
    item.serverDate = {};
    std::optional<ServerFetch> fetch;
    try {
        if (!item.urlReadme().empty()) {
            fetch = ReadmeFetch(engine, item);
        } else if (HasPage(item)) {
            fetch = PageFetch(engine, item);
        } else if (auto url = ExpandText(engine, &item, "{ARCHIVENAME}");
                   url && IsNetworkUrl(*url)) {
            fetch = ArchiveDateFetch(engine, item);
        }
    } catch (const std::bad_alloc&) {
        fetch.reset();
    }
    item.serverVersion = version;
    item.serverDate = date;
    return fetch;
}

void UseServerSteps(VersionCheckContext& check, std::uint32_t jobs, std::function<bool()> aborted) {
    Engine& engine = check.engine;
    EventLoop& loop = check.loop;
    if (jobs <= 1) {
        check.serverStep = MakeServerStep(engine, loop, std::move(aborted));
        check.serverStepsAhead = {};
        return;
    }
    auto fetches = std::make_shared<ServerFetches>(
        engine, jobs, aborted,
        [&engine](ApplicationItem& item) { return FirstServerFetchOf(engine, item); });
    check.serverStep = [&engine, &loop, aborted, fetches](ApplicationItem& item) {
        ServerVersionContext context{engine, loop, aborted, fetches.get()};
        return DetermineServerVersion(context, item);
    };
    check.serverStepsAhead = [fetches](std::span<ApplicationItem* const> items) {
        fetches->Plan(items);
    };
}

}  // namespace stovan
