#pragma once
// The fetches of a version check's server steps, run side by side. The
// check still takes its items one after the other; what runs ahead is only
// the network: while one item's step runs, the first fetch of the items
// that follow (their read-me, page or archive header) is already under way
// on the same TransferSet, into a name of its own beside the file the step
// will ask for. When an item's turn comes, its step asks for the fetch as
// DownloadFile would and gets the finished one: the file moved into place,
// the same result, the same log line for a failure, at the same point of
// the log. So the log and the results are those of the run that fetches
// one item at a time; only the waiting overlaps.
//
// A fetch the step asks for that was not started ahead (the page after a
// read-me gave nothing, a URL whose placeholders changed meanwhile) is
// started then, and the others move on while it is waited for. Fetches of
// items the run passed by are dropped.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"
#include "net/DownloadFile.h"
#include "net/TransferSet.h"

namespace stovan {

// One quiet fetch of a server step: url into the Amiga path `path`.
struct ServerFetch {
    std::string url;
    std::string path;
    std::uint32_t flags = 0;  // DL_LENGTH_ONLY or none
    bool operator==(const ServerFetch&) const = default;
};

// The fetch an item's server step will start with; nothing when it starts
// none (a local archive, no URL at all).
using FirstServerFetch = std::function<std::optional<ServerFetch>(ApplicationItem&)>;

class ServerFetches {
  public:
    // jobs: how many fetches run at a time (at least 1). `aborted` is
    // polled only while a step waits for its own fetch, as DownloadFile
    // polls it.
    ServerFetches(Engine& engine, std::uint32_t jobs, std::function<bool()> aborted,
                  FirstServerFetch firstFetch);
    ~ServerFetches();  // ends what still runs, removes what was not taken
    ServerFetches(const ServerFetches&) = delete;
    ServerFetches& operator=(const ServerFetches&) = delete;

    // The items whose server steps follow, in the order the run takes
    // them; replaces an earlier plan (its fetches are dropped). An empty
    // plan ends everything.
    void Plan(std::span<ApplicationItem* const> items);

    // DownloadFile(url, path, flags) for the item's step, with the same
    // result, outcome and log line.
    Status Fetch(ApplicationItem& item, const ServerFetch& fetch, DownloadOutcome& outcome);

    // How many fetches are under way or finished and not yet taken.
    std::size_t pending() const { return entries_.size(); }

  private:
    struct Entry;

    Entry* Start(ApplicationItem* item, std::size_t planIndex, const ServerFetch& fetch);
    void Drop(Entry& entry);
    void DropBefore(std::size_t planIndex);
    void TopUp();
    void Drive(int waitMilliseconds);
    Status Deliver(Entry& entry, DownloadOutcome& outcome);

    Engine& engine_;
    std::uint32_t jobs_;
    std::function<bool()> aborted_;
    FirstServerFetch firstFetch_;
    TransferSet set_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<ApplicationItem*> plan_;
    std::size_t nextPlanned_ = 0;  // the next item whose fetch may start ahead
    std::size_t current_ = 0;      // the item whose step runs
    std::uint64_t counter_ = 0;    // names the files fetched ahead
    bool reserving_ = false;       // a step waits for a place for its own fetch
    std::chrono::steady_clock::time_point lastDriven_;
};

}  // namespace stovan
