#pragma once
// An engine over a throw-away system root with the default preferences of
// its system, and one application item to expand texts for.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <string_view>

#include "core/Log.h"
#include "database/Engine.h"
#include "prefs/Preferences.h"
#include "scripts/Placeholders.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {

class PlaceholderWorld {
  public:
    explicit PlaceholderWorld(amiga::SystemKind kind = amiga::SystemKind::AmigaOS4,
                              std::string version = "4.1")
        : root(amiga::SystemProfile{kind, std::move(version)}) {
        setDefaultPreferences(preferences, kind);
        preferences.tempDir = "RAM:T";
        engine = std::make_unique<Engine>(root.dos(), preferences, log);
        engine->scratchNumber = 0x001a2b3c;
        engine->serverRotor = 4;
        // {LANGUAGE} follows the locale of the process.
        ::setenv("LC_ALL", "C", 1);
    }

    // A new item at the tail of the engine's list.
    ApplicationItem& AddItem(std::string_view name) {
        auto added = engine->items().AppendNewItem();
        EXPECT_TRUE(added.ok());
        ApplicationItem& item = **added;
        EXPECT_TRUE(item.SetTextField(ItemField::name, name).ok());
        return item;
    }

    void Set(ApplicationItem& item, ItemField field, std::string_view text) {
        EXPECT_TRUE(item.SetTextField(field, text).ok());
    }

    std::string Expand(const ApplicationItem* item, std::string_view text) {
        auto result = ExpandText(*engine, item, text);
        EXPECT_TRUE(result.ok()) << text;
        return result ? *result : std::string("<none>");
    }

    TempRoot root;
    Preferences preferences;
    Log log;
    std::unique_ptr<Engine> engine;
};

}  // namespace stovan::test
