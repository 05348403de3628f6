#include "engine/ServerVersion.h"

#include <new>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "engine/ArchiveFetch.h"
#include "engine/InstalledVersion.h"
#include "net/DownloadFile.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "scripts/Placeholders.h"
#include "version/VersionPattern.h"

namespace stovan {

namespace {

// A quiet fetch (no gauge) with the engine's transfer preferences.
Status Fetch(ServerVersionContext& context, std::string_view url, const std::string& path,
             std::uint32_t flags, DownloadOutcome& outcome) {
    Engine& engine = context.engine;
    DownloadContext download;
    download.dos = &engine.dos();
    const Preferences& preferences = engine.preferences();
    download.settings.connectTimeout = preferences.connectTimeout;
    download.settings.transferTimeout = preferences.transferTimeout;
    download.settings.connectRetries = preferences.connectRetries;
    download.settings.system = engine.dos().profile().kind;
    download.log = &engine.log();
    download.aborted = context.aborted;
    return DownloadFile(download, url, path, flags, false, &outcome);
}

// The read-me: its version, read like an installed file's.
Status FromReadme(ServerVersionContext& context, ApplicationItem& item) {
    Engine& engine = context.engine;
    auto path = ExpandText(engine, &item, "{TEMPDIR}ParseReadme");
    auto url = ExpandText(engine, &item, item.urlReadme());
    if (!path || !url) {
        return Status(msg::NotEnoughMemory);
    }
    (void)amiga::DeleteFile(engine.dos(), *path);
    DownloadOutcome outcome;
    Status result = Fetch(context, *url, *path, 0, outcome);
    if (result.ok()) {
        VersionTriple triple;
        result = GetVersionFromFile(engine, context.loop, *path, triple);
        item.serverVersion = triple;
    }
    (void)amiga::DeleteFile(engine.dos(), *path);
    return result;
}

// The page scanned with the pattern, then probed for candidates.
Status FromPage(ServerVersionContext& context, ApplicationItem& item) {
    Engine& engine = context.engine;
    auto path = ExpandText(engine, &item, "{TEMPDIR}Page");
    auto url = ExpandText(engine, &item, item.urlWebPage());
    if (!path || !url) {
        return Status(msg::NotEnoughMemory);
    }
    (void)amiga::DeleteFile(engine.dos(), *path);
    DownloadOutcome outcome;
    Status result = Fetch(context, *url, *path, 0, outcome);
    if (result.ok()) {
        if (auto page = ReadFilePart(engine.dos(), *path, kMaxServerPage)) {
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
        }
    }
    (void)amiga::DeleteFile(engine.dos(), *path);
    return result;
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
    auto path = ExpandText(engine, &item, "{TEMPDIR}ParseReadme");
    if (!path) {
        return Status(msg::NotEnoughMemory);
    }
    (void)amiga::DeleteFile(engine.dos(), *path);
    DownloadOutcome outcome;
    const Status result = Fetch(context, *url, *path, DL_LENGTH_ONLY, outcome);
    if (result.ok() && outcome.fileDate) {
        item.serverDate = *outcome.fileDate;
    }
    (void)amiga::DeleteFile(engine.dos(), *path);
    return result;
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
            if (!item.urlWebPage().empty() && !item.urlPattern().empty()) {
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

}  // namespace stovan
