#pragma once
// The safety checks on the names an archive gives its entries: an entry may
// only land inside the drawer it is extracted to. Absolute names, ".."
// components and device or volume names ("SYS:foo", "C:") are refused; a
// symbolic link may only point inside the drawer too.

#include <cstddef>
#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"

namespace stovan::archive {

// The components of an entry name ('/'-separated; empty and "." components
// dropped) below the target drawer, or UnsafeEntry naming why it is refused.
// A name of only "." components gives no components: the drawer itself.
Expected<std::vector<std::string>, ArchiveError> SplitEntryName(const std::string& name);

// True when a symbolic link stored at `at` (the components of its own name,
// at least one) with this target stays inside the target drawer and, for a
// link below a drawer of the archive ("App/..."), inside that top drawer,
// and points at none of the drawers that hold it (no loops).
bool LinkStaysInside(const std::vector<std::string>& at, const std::string& target);

// The first count components joined with '/'.
std::string JoinComponents(const std::vector<std::string>& components, std::size_t count);

}  // namespace stovan::archive
