#include "net/DownloadFile.h"

#include "core/MessageIds.h"
#include "net/TransferSet.h"
#include "net/Url.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"

namespace stovan {
namespace {

// The longest the driver waits before it looks at the abort check again.
constexpr int kAbortPollMilliseconds = 100;

// Resolves where the file goes: the drawer holding it and the name the
// caller chose ("" when the URL names it).
Status ResolveTarget(const DownloadContext& context, std::string_view url,
                     std::string_view localName, amiga::FileLock& drawer, std::string& name) {
    auto current = amiga::Lock(*context.dos, context.drawer);
    if (!current || !current->drawer) {
        return Status(msg::RecvFailed);  // the file cannot be created
    }
    if (localName.empty()) {
        drawer = *current;
        name.clear();
        // The file the URL names is replaced.
        const std::string initial = SafeFileName(UrlFilePart(url));
        // The transfer's rename replaces a file that stays; one that can be
        // neither deleted nor replaced fails the store (RecvFailed).
        (void)amiga::DeleteFile(*context.dos, initial, &drawer);
        return Status::Ok();
    }
    auto target = amiga::LockForCreate(*context.dos, localName, &*current);
    if (!target) {
        return Status(msg::RecvFailed);
    }
    drawer = target->parent;
    if (target->exists) {
        // As above: the store replaces it, or fails and says so.
        (void)amiga::DeleteFile(*context.dos, target->name, &drawer);
    }
    // The new file takes the name as the caller spelt it.
    name = amiga::FilePart(localName);
    return Status::Ok();
}

}  // namespace

Status DownloadFile(const DownloadContext& context, std::string_view url,
                    std::string_view localName, std::uint32_t flags, bool serverName,
                    DownloadOutcome* outcome) {
    if (outcome != nullptr) {
        *outcome = DownloadOutcome{};
    }
    const bool progress = (flags & DL_PROGRESS) != 0 && context.progress != nullptr;
    if (progress) {
        context.progress->gaugeVisible(true);
    }
    amiga::FileLock drawer;
    std::string name;
    Status result = ResolveTarget(context, url, localName, drawer, name);
    if (result.ok()) {
        TransferRequest request;
        request.url = std::string(url);
        request.drawerHostPath = drawer.hostPath;
        request.fileName = name;
        request.nameFromServer = serverName;
        request.flags = flags;
        request.settings = context.settings;
        request.progress = context.progress;
        Transfer transfer(std::move(request));
        TransferSet set;
        (void)set.Start(transfer);  // a failed start finishes it: its result is read below
        while (set.active() > 0) {
            if (context.aborted && context.aborted()) {
                transfer.RequestAbort();
            }
            set.Perform();
            if (set.active() > 0) {
                set.Wait(kAbortPollMilliseconds);
            }
        }
        result = transfer.result();
        if (outcome != nullptr) {
            if (!transfer.storedName().empty()) {
                std::string path = amiga::NameFromLock(*context.dos, drawer);
                amiga::AddPart(path, transfer.storedName(), std::string::npos);
                outcome->path = std::move(path);
            }
            outcome->fileDate = transfer.fileDate();
            outcome->announcedLength = transfer.announcedLength();
        }
    }
    if (!result.ok() && result.message() != msg::ProcessingAborted && context.log != nullptr) {
        context.log->AddLogEntry(result.message(), UrlFilePart(url));
    }
    if (progress) {
        context.progress->gaugeVisible(false);
    }
    return result;
}

}  // namespace stovan
