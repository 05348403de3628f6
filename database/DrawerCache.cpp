#include "database/DrawerCache.h"

namespace stovan {

void DrawerCache::Begin() {
    locks_.clear();
    lookups_ = 0;
    active_ = true;
}

void DrawerCache::End() {
    active_ = false;
    locks_.clear();
}

DrawerCache::LockResult DrawerCache::Lock(const amiga::DosList& dos, std::string_view path) {
    if (!active_) {
        return amiga::Lock(dos, path);
    }
    const std::string key(path);
    if (auto found = locks_.find(key); found != locks_.end()) {
        return found->second;
    }
    ++lookups_;
    return locks_.emplace(key, amiga::Lock(dos, path)).first->second;
}

}  // namespace stovan
