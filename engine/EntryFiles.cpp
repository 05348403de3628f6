#include "engine/EntryFiles.h"

#include "platform/Locks.h"
#include "scripts/Placeholders.h"

namespace stovan {

bool ExpandedEntryFiles::Exists(const ApplicationItem& item, std::string_view entry) const {
    const Result<std::string> path = ExpandText(engine_, &item, entry);
    return path && !path->empty() && amiga::Lock(engine_.dos(), *path).ok();
}

}  // namespace stovan
