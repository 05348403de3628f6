#pragma once
// dos.library MatchFirst / MatchNext / MatchEnd: the files and drawers an
// Amiga path with wildcards names. Every name of the path may be a pattern
// (matched without regard to case): "Work:#?" gives the entries of Work:,
// "#?/#?" the entries of every drawer in the current drawer. Names before the
// first pattern are resolved as usual; a pattern that is not the last name
// only matches drawers. Entries come in ListDrawer's order (sorted, sidecars
// hidden).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Locks.h"

namespace amiga {

struct MatchEntry {
    std::string path;  // the pattern's fixed part with the matched names: "Work:Tools/MyApp"
    std::string name;  // the last name ("MyApp")
    bool drawer = false;
    FileLock lock;  // NameFromLock(lock) is the canonical full path
};

// The AnchorPath: what MatchFirst found and where MatchNext stands.
class MatchAnchor {
  public:
    // The current match; only valid after MatchFirst or MatchNext succeeded.
    const MatchEntry& current() const { return entries_[position_]; }
    std::size_t count() const { return entries_.size(); }

  private:
    friend DosStatus MatchFirst(const DosList&, std::string_view, MatchAnchor&, const FileLock*);
    friend DosStatus MatchNext(MatchAnchor&);
    friend void MatchEnd(MatchAnchor&);
    std::vector<MatchEntry> entries_;
    std::size_t position_ = 0;
};

// Finds every match and makes the first one current. ERROR_NO_MORE_ENTRIES
// when a pattern matches nothing; for a path without wildcards the Lock()
// error (ERROR_OBJECT_NOT_FOUND, ...); ERROR_BAD_TEMPLATE for a broken
// pattern. drawer is the current drawer for relative patterns.
DosStatus MatchFirst(const DosList& dos, std::string_view pattern, MatchAnchor& anchor,
                     const FileLock* drawer = nullptr);
// The next match; ERROR_NO_MORE_ENTRIES after the last.
DosStatus MatchNext(MatchAnchor& anchor);
// Forgets the matches.
void MatchEnd(MatchAnchor& anchor);

}  // namespace amiga
