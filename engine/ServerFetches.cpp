#include "engine/ServerFetches.h"

#include <algorithm>
#include <limits>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "engine/Downloads.h"
#include "net/Url.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"

namespace stovan {

namespace {

// DownloadFile looks at the abort check this often while it waits.
constexpr int kAbortPollMilliseconds = 100;

// Fetches ahead move on only while a step waits for its own fetch. A
// transfer's time-outs run on while the run does something else (the
// Version command, a long page scan), so a fetch that failed after such a
// pause may have failed only because of it: it is fetched again when its
// item's turn comes, which is what the one-at-a-time run would have seen.
constexpr auto kLongPause = std::chrono::milliseconds(200);

}  // namespace

struct ServerFetches::Entry {
    ApplicationItem* item = nullptr;
    std::size_t planIndex = 0;
    ServerFetch fetch;
    std::string stagingPath;  // the Amiga path the fetch stores its file under
    std::unique_ptr<Transfer> transfer;
    bool failedAtStart = false;  // ended by Start itself (an unusable URL)
    std::chrono::steady_clock::duration longestPause{};
};

ServerFetches::ServerFetches(Engine& engine, std::uint32_t jobs, std::function<bool()> aborted,
                             FirstServerFetch firstFetch)
    : engine_(engine),
      jobs_(std::max<std::uint32_t>(jobs, 1)),
      aborted_(std::move(aborted)),
      firstFetch_(std::move(firstFetch)),
      lastDriven_(std::chrono::steady_clock::now()) {}

ServerFetches::~ServerFetches() {
    Plan({});
}

void ServerFetches::Plan(std::span<ApplicationItem* const> items) {
    while (!entries_.empty()) {
        Drop(*entries_.back());
    }
    plan_.assign(items.begin(), items.end());
    nextPlanned_ = 0;
    current_ = 0;
    lastDriven_ = std::chrono::steady_clock::now();
    TopUp();
}

ServerFetches::Entry* ServerFetches::Start(ApplicationItem* item, std::size_t planIndex,
                                           const ServerFetch& fetch) {
    const amiga::DosList& dos = engine_.dos();
    auto target = amiga::LockForCreate(dos, fetch.path);
    if (!target) {
        return nullptr;  // DownloadFile itself reports what is wrong with it
    }
    auto entry = std::make_unique<Entry>();
    entry->item = item;
    entry->planIndex = planIndex;
    entry->fetch = fetch;
    // Beside the file the step asks for, so that handing it over is a
    // rename inside one drawer.
    entry->stagingPath = fetch.path + ".ahead" + std::to_string(++counter_);
    // A leftover of another run; the transfer's own rename replaces it.
    (void)amiga::DeleteFile(dos, entry->stagingPath);
    TransferRequest request;
    request.url = fetch.url;
    request.drawerHostPath = target->parent.hostPath;
    request.fileName = std::string(amiga::FilePart(entry->stagingPath));
    request.flags = fetch.flags;
    request.settings = EngineTransferSettings(engine_);
    entry->transfer = std::make_unique<Transfer>(std::move(request));
    // A start that fails finishes the transfer with its result, which
    // Deliver reports.
    (void)set_.Start(*entry->transfer);
    entry->failedAtStart = entry->transfer->finished();
    (void)set_.TakeFinished();  // each entry asks its own transfer whether it is done
    entries_.push_back(std::move(entry));
    return entries_.back().get();
}

void ServerFetches::Drop(Entry& entry) {
    if (entry.transfer && !entry.transfer->finished()) {
        set_.Abort(*entry.transfer);
        (void)set_.TakeFinished();  // the entry goes; nobody asks for its result
    }
    // A fetched page nobody reads any more; it never passes for the page
    // itself, which only a rename makes.
    (void)amiga::DeleteFile(engine_.dos(), entry.stagingPath);
    std::erase_if(entries_,
                  [&](const std::unique_ptr<Entry>& held) { return held.get() == &entry; });
}

void ServerFetches::DropBefore(std::size_t planIndex) {
    for (std::size_t index = entries_.size(); index-- > 0;) {
        if (entries_[index]->planIndex < planIndex) {
            Drop(*entries_[index]);
        }
    }
}

void ServerFetches::TopUp() {
    // Finished fetches wait on disk for their turn; a bound on them keeps a
    // slow step from collecting the files of the whole list.
    while (nextPlanned_ < plan_.size() && set_.active() + (reserving_ ? 1 : 0) < jobs_ &&
           entries_.size() < std::size_t{2} * jobs_) {
        const std::size_t index = nextPlanned_++;
        if (index < current_) {
            continue;
        }
        ApplicationItem* item = plan_[index];
        if (auto fetch = firstFetch_(*item)) {
            // One that cannot start ahead is fetched, and reported, in its turn.
            (void)Start(item, index, *fetch);
        }
    }
}

void ServerFetches::Drive(int waitMilliseconds) {
    const auto now = std::chrono::steady_clock::now();
    const auto pause = now - lastDriven_;
    for (const auto& entry : entries_) {
        if (!entry->transfer->finished()) {
            entry->longestPause = std::max(entry->longestPause, pause);
        }
    }
    set_.Perform();
    (void)set_.TakeFinished();  // each entry asks its own transfer whether it is done
    TopUp();
    if (waitMilliseconds > 0 && set_.active() > 0) {
        (void)set_.Wait(waitMilliseconds);  // no extra descriptors: the count is 0
    }
    lastDriven_ = std::chrono::steady_clock::now();
}

Status ServerFetches::Fetch(ApplicationItem& item, const ServerFetch& fetch,
                            DownloadOutcome& outcome) {
    outcome = DownloadOutcome{};
    // The run has moved on to this item: what was fetched for the items
    // before it is not asked for any more.
    for (std::size_t index = current_; index < plan_.size(); ++index) {
        if (plan_[index] == &item) {
            current_ = index;
            DropBefore(index);
            break;
        }
    }
    Entry* entry = nullptr;
    for (const auto& held : entries_) {
        if (held->item == &item && held->fetch == fetch) {
            entry = held.get();
            break;
        }
    }
    if (entry == nullptr) {
        // A fetch nobody started ahead waits for a free place, and none of
        // the items ahead takes it meanwhile.
        reserving_ = true;
        while (set_.active() >= jobs_) {
            if (aborted_ && aborted_()) {
                reserving_ = false;
                return Status(msg::ProcessingAborted);
            }
            Drive(kAbortPollMilliseconds);
        }
        reserving_ = false;
        entry = Start(&item, current_, fetch);
    }
    if (entry == nullptr) {
        return DownloadFile(MakeDownloadContext(engine_, aborted_), fetch.url, fetch.path,
                            fetch.flags, false, &outcome);
    }
    bool abortedFirst = false;
    for (bool refetched = false;; refetched = true) {
        if (!entry->failedAtStart) {
            // As DownloadFile: the abort is looked at before each step, so a
            // fetch asked for after the user aborted ends with 315 even when
            // it was done ahead.
            for (bool first = true;; first = false) {
                if (aborted_ && aborted_()) {
                    if (first) {
                        abortedFirst = true;
                    }
                    if (!entry->transfer->finished()) {
                        entry->transfer->RequestAbort();
                    }
                }
                Drive(0);
                if (entry->transfer->finished() || abortedFirst) {
                    break;
                }
                (void)set_.Wait(kAbortPollMilliseconds);  // no extra descriptors: the count is 0
                lastDriven_ = std::chrono::steady_clock::now();
            }
        }
        const Status result = entry->transfer->result();
        const bool failed = !result.ok() && result.message() != msg::ProcessingAborted;
        if (abortedFirst || refetched || entry->failedAtStart || !failed ||
            entry->longestPause < kLongPause) {
            break;
        }
        // As at the first start: the new transfer's rename replaces a file that stays.
        (void)amiga::DeleteFile(engine_.dos(), entry->stagingPath);
        entry->transfer = std::make_unique<Transfer>(TransferRequest(entry->transfer->request()));
        entry->longestPause = {};
        (void)set_.Start(*entry->transfer);  // a failed start is the result Deliver reports
        entry->failedAtStart = entry->transfer->finished();
        (void)set_.TakeFinished();  // each entry asks its own transfer whether it is done
    }
    Status result = abortedFirst ? Status(msg::ProcessingAborted) : Deliver(*entry, outcome);
    Drop(*entry);
    TopUp();
    return result;
}

Status ServerFetches::Deliver(Entry& entry, DownloadOutcome& outcome) {
    const amiga::DosList& dos = engine_.dos();
    const Transfer& transfer = *entry.transfer;
    Status result = transfer.result();
    if (result.ok() && !transfer.storedName().empty()) {
        auto target = amiga::LockForCreate(dos, entry.fetch.path);
        if (target && target->exists) {
            // A file that stays fails the rename below, which is reported.
            (void)amiga::DeleteFile(dos, target->name, &target->parent);
        }
        if (!target || !amiga::Rename(dos, entry.stagingPath, entry.fetch.path).ok()) {
            result = Status(msg::RecvFailed);  // the file cannot be stored
        } else {
            std::string path = amiga::NameFromLock(dos, target->parent);
            amiga::AddPart(path, amiga::FilePart(entry.fetch.path), std::string::npos);
            outcome.path = std::move(path);
        }
    }
    outcome.fileDate = transfer.fileDate();
    outcome.announcedLength = transfer.announcedLength();
    if (!result.ok() && result.message() != msg::ProcessingAborted) {
        engine_.log().AddLogEntry(result.message(), UrlFilePart(entry.fetch.url));
    }
    return result;
}

}  // namespace stovan
