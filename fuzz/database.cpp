// Fuzzes the database reader: any text must be read without a crash, leave
// only items that keep the list's rules, and the configuration records
// written for those items must read back to the same modes and drawers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/Log.h"
#include "database/ConfigFiles.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "prefs/Preferences.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace stovan;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    amiga::DosList dos;
    Preferences preferences;
    Log log;
    Engine engine(dos, preferences, log);
    const ParseTotals totals = ParseDatabaseText(engine, "Fuzz.db", text);
    Check(totals.errors >= 0 && totals.rejected >= 0 && totals.rejected <= totals.errors);

    // Every item passed validation and is found by its own key.
    for (const ApplicationItem& item : engine.items()) {
        Check(!item.name().empty() && item.name().find_first_of("/:") == std::string::npos);
        Check(!item.urlArchive().empty() && !item.installCheck().empty());
        const bool byDupe = item.HasFlags(HAS_DUPENAME) && !item.dupeName().empty();
        Check(engine.items().FindItem(item.key(), byDupe) == &item);
        if (item.itemFlags() & (INSTALLDIR_FOLLOWS | HAS_APPDIRECTORY)) {
            Check(item.HasFlags(INSTALLDIR_DISABLED));
        }
    }

    // The configuration records of these items read back unchanged.
    std::string config(kDatabaseFileHeader);
    std::vector<std::pair<ItemMode, std::string>> saved;
    for (ApplicationItem& item : engine.items()) {
        config += FormatConfigurationRecord(item);
        const bool ownDrawer = !(item.itemFlags() & (INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS));
        saved.emplace_back(item.mode, ownDrawer ? item.installDir() : std::string());
        item.mode = item.type == AppType::STOVAN ? ItemMode::INSTALL : ItemMode::NOTIFY;
        if (ownDrawer) {
            (void)item.SetTextField(ItemField::installDir, "");
        }
    }
    const ParseTotals again = ParseDatabaseText(engine, "Config.db", config);
    Check(again.errors == 0);
    std::size_t index = 0;
    for (const ApplicationItem& item : engine.items()) {
        Check(item.mode == saved[index].first);
        if (!saved[index].second.empty()) {
            Check(item.installDir() == saved[index].second);
        }
        ++index;
    }
    return 0;
}
