// Database texts (INSTALL blocks, URLARCHIVE, names) are expanded for their
// item. Input: the URLARCHIVE text, a NUL byte, the text to expand. Checks
// that expansion ends, that an unknown word survives as written, and that a
// text without "{" comes back unchanged.
#include "scripts/Placeholders.h"

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/Log.h"
#include "database/Engine.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"

namespace {

struct World {
    World() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "stovan-fuzz-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        auto created = amiga::CreateDefaultRoot(folder + "/root");
        if (!created) {
            __builtin_trap();
        }
        dos = std::move(*created);
        stovan::setDefaultPreferences(preferences, amiga::SystemKind::AmigaOS4);
        preferences.tempDir = "RAM:T";
        engine = std::make_unique<stovan::Engine>(dos, preferences, log);
        auto added = engine->items().AppendNewItem();
        item = *added;
        (void)item->SetTextField(stovan::ItemField::name, "Fuzz");
    }
    std::string folder;
    amiga::DosList dos;
    stovan::Preferences preferences;
    stovan::Log log;
    std::unique_ptr<stovan::Engine> engine;
    stovan::ApplicationItem* item = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view url = input.substr(0, split);
    const std::string_view text = split == std::string_view::npos ? "" : input.substr(split + 1);
    (void)world.item->SetTextField(stovan::ItemField::urlArchive, url);
    (void)world.item->SetTextField(stovan::ItemField::displayName, url);

    const auto result = stovan::ExpandText(*world.engine, world.item, text);
    if (!result) {
        return 0;  // over the size limit
    }
    const std::string_view whole = text.substr(0, text.find('\0'));
    if (whole.find('{') == std::string_view::npos && *result != whole) {
        __builtin_trap();
    }
    const auto unknown =
        stovan::ExpandText(*world.engine, world.item, "{UNKNOWNWORD}" + std::string(whole));
    if (!unknown || unknown->rfind("{UNKNOWNWORD}", 0) != 0) {
        __builtin_trap();
    }
    return 0;
}
