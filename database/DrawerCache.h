#pragma once
// Drawer look-ups remembered for the length of one database load. Every
// entry names its install drawer and each is compared with its type's
// default drawer; with 100,000 entries sharing a handful of drawers a fresh
// Lock() for each costs a reload seconds of host calls. While a load runs
// (Begin() to End()) the result of Lock() of each path text is kept; outside
// a load nothing is kept, so a drawer made or removed later is seen.

#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/Locks.h"

namespace stovan {

class DrawerCache {
  public:
    using LockResult = amiga::Expected<amiga::FileLock, amiga::DosError>;

    // Starts remembering (forgetting what an earlier load kept).
    void Begin();
    // Stops remembering and forgets.
    void End();
    bool active() const { return active_; }

    // amiga::Lock(dos, path), from the cache while a load runs. Keyed by the
    // path's text as written: two spellings of one drawer are two look-ups.
    LockResult Lock(const amiga::DosList& dos, std::string_view path);

    // Host look-ups made since Begin() (for tests).
    std::size_t lookups() const { return lookups_; }

  private:
    bool active_ = false;
    std::size_t lookups_ = 0;
    std::unordered_map<std::string, LockResult> locks_;
};

// Begin() on construction, End() on destruction: one load.
class DrawerCacheScope {
  public:
    explicit DrawerCacheScope(DrawerCache& cache) : cache_(cache) { cache_.Begin(); }
    ~DrawerCacheScope() { cache_.End(); }
    DrawerCacheScope(const DrawerCacheScope&) = delete;
    DrawerCacheScope& operator=(const DrawerCacheScope&) = delete;

  private:
    DrawerCache& cache_;
};

}  // namespace stovan
