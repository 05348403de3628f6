#pragma once
// Runs any number of transfers side by side on libcurl's multi interface,
// in the thread that owns the set, without blocking and without threads:
// the owner's event loop calls Perform() when something is due and waits
// with Wait(), which also watches the loop's own descriptors and ends at
// once on Wake() (from any thread). Each transfer keeps its own tries,
// redirects and file; the set only moves them on.
//
//     TransferSet set;
//     set.Start(transfer);
//     while (set.active() > 0) { set.Wait(200); set.Perform(); }

#include <poll.h>

#include <cstddef>
#include <span>
#include <vector>

#include "core/Status.h"
#include "net/Transfer.h"

namespace stovan {

class TransferSet {
  public:
    TransferSet();
    ~TransferSet();  // ends what still runs with 315
    TransferSet(const TransferSet&) = delete;
    TransferSet& operator=(const TransferSet&) = delete;

    // Starts a transfer (reporting 414 with DL_PROGRESS). It must stay alive
    // until it finished; a failure to start finishes it at once with that
    // result (329, 344 or 345), which is also returned.
    Status Start(Transfer& transfer);

    // Moves every transfer on as far as it goes without waiting: reads what
    // arrived, writes it, starts retries and redirects, ends aborted
    // transfers (RequestAbort) with 315. Finished transfers are collected
    // for TakeFinished().
    void Perform();

    // The transfers that finished since the last call, in the order they
    // finished.
    std::vector<Transfer*> TakeFinished();

    // Waits until a transfer's socket is ready, one of `extra` is ready (its
    // revents are set), Wake() was called, or timeoutMilliseconds passed;
    // never longer than libcurl's next time-out. Returns the number of extra
    // descriptors that are ready.
    int Wait(int timeoutMilliseconds, std::span<pollfd> extra = {});

    // Ends a Wait() at once; safe from any thread.
    void Wake();

    // Ends a transfer that is running with 315 at once.
    void Abort(Transfer& transfer);

    // Transfers started and not finished.
    std::size_t active() const { return running_.size(); }

  private:
    void Remove(Transfer& transfer);

    void* multi_ = nullptr;  // CURLM
    std::vector<Transfer*> running_;
    std::vector<Transfer*> finished_;
};

}  // namespace stovan
