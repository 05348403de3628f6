#pragma once
// The file test of localised lists whose entries are paths (the changelog):
// an entry counts when its expansion for the item names an existing file
// or drawer of the managed system.

#include "database/Engine.h"
#include "database/Item.h"

namespace stovan {

class ExpandedEntryFiles final : public EntryFileTest {
  public:
    explicit ExpandedEntryFiles(Engine& engine) : engine_(engine) {}
    bool Exists(const ApplicationItem& item, std::string_view entry) const override;

  private:
    Engine& engine_;
};

}  // namespace stovan
