#include "engine/ArchiveFetch.h"

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/Downloads.h"
#include "net/DownloadFile.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"

namespace stovan {

bool IsNetworkUrl(std::string_view url) {
    return amiga::StartsWithNoCase(url, "http://") || amiga::StartsWithNoCase(url, "https://");
}

Status FetchLocalArchive(Engine& engine, std::string_view path, const std::string& drawer,
                         std::string& storedPath) {
    storedPath.clear();
    engine.log().AddLogEntry(msg::DownloadingFile, path);
    const std::string name(amiga::FilePart(path));
    auto source = amiga::Lock(engine.dos(), path);
    if (name.empty() || !source.ok() || source->drawer) {
        engine.log().AddLogEntry(msg::CannotFind, name);
        return Status(msg::CannotFind);
    }
    const std::string target = drawer + name;
    if (!amiga::CopyFile(engine.dos(), path, target).ok()) {
        // A partial copy; the failure logged below is what the user hears.
        (void)amiga::DeleteFile(engine.dos(), target);
        engine.log().AddLogEntry(msg::CannotFind, name);
        return Status(msg::CannotFind);
    }
    storedPath = target;
    return Status::Ok();
}

namespace {

// A transfer's progress on the front end's gauge.
class FrontendGauge final : public TransferProgress {
  public:
    explicit FrontendGauge(Frontend& frontend) : frontend_(frontend) {}
    void progressChanged(const ProgressUpdate& update) override {
        frontend_.ShowProgress(
            update.message == msg::ProgressPreparingDownload
                ? MessageText(update.message, {update.name})
                : MessageText(update.message, {update.name, update.doneKb, update.totalKb}));
        if (update.totalKb > 0) {
            frontend_.SetGauge(static_cast<std::uint32_t>(update.doneKb),
                               static_cast<std::uint32_t>(update.totalKb));
        }
    }
    void gaugeVisible(bool visible) override { frontend_.ShowGauge(visible); }

  private:
    Frontend& frontend_;
};

}  // namespace

Status FetchNetworkArchive(Engine& engine, Frontend& frontend, std::string_view url,
                           const std::string& drawer, std::string& storedPath,
                           std::function<bool()> aborted) {
    storedPath.clear();
    FrontendGauge gauge(frontend);
    DownloadContext download = MakeDownloadContext(engine, std::move(aborted));
    download.progress = &gauge;
    download.drawer = drawer;
    DownloadOutcome outcome;
    const Status result = DownloadFile(download, url, "", DL_PROGRESS, false, &outcome);
    if (result.ok()) {
        storedPath = outcome.path;
    }
    return result;
}

ArchiveFetcher MakeArchiveFetcher(Engine& engine, ArchiveFetcher network) {
    return [&engine, network = std::move(network)](const ApplicationItem& item,
                                                   std::string_view url, const std::string& drawer,
                                                   std::string& storedPath) -> Status {
        if (!IsNetworkUrl(url)) {
            return FetchLocalArchive(engine, url, drawer, storedPath);
        }
        if (network) {
            return network(item, url, drawer, storedPath);
        }
        engine.log().AddLogEntry(msg::UnknownHost);
        return Status(msg::UnknownHost);
    };
}

}  // namespace stovan
