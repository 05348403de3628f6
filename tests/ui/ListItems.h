#pragma once
// An engine on a throw-away root with items made by the test, for the list
// and window suites.

#include <string>

#include "core/Log.h"
#include "database/Engine.h"
#include "prefs/Preferences.h"
#include "tests/support/TempRoot.h"

namespace stovan::ui::test {

struct ItemSpec {
    std::string name{};
    AppType type = AppType::TOOL;
    ItemState state = ItemState::NOTINSTALLED;
    ItemMode mode = ItemMode::NOTIFY;
    std::string description{};
    std::string author{};
    std::uint32_t archiveSize = 0;
};

// Appends an item to the engine's list with an INSTALL and an UNINSTALL
// block, so every action its state allows is offered.
ApplicationItem& AddItem(Engine& engine, const ItemSpec& spec);

class TestEngine {
  public:
    TestEngine() : engine(root.dos(), preferences, log) {}
    ApplicationItem& Add(const ItemSpec& spec) { return AddItem(engine, spec); }
    // Many items named "App00001"..., states, modes and types spread evenly.
    void AddMany(std::size_t count);

    stovan::test::TempRoot root;
    Preferences preferences;
    Log log;
    Engine engine;
};

}  // namespace stovan::ui::test
