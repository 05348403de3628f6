#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "database/Item.h"
#include "database/ItemList.h"

namespace stovan {
namespace {

using Strings = std::vector<std::string>;

std::unique_ptr<ApplicationItem> NewItem() {
    auto item = ItemList::CreateItem();
    EXPECT_NE(item, nullptr);
    return item;
}

TEST(ApplicationItem, NewItemShowsThePlaceholderNameUntilNamed) {
    auto item = NewItem();
    EXPECT_EQ(item->name(), GetString(msg::InfoNoAppName));
    EXPECT_EQ(item->name(), "<no application name>");
    EXPECT_EQ(item->displayText(), "<no application name>");
    for (std::size_t i = 1; i < kItemFieldCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(item->Text(static_cast<ItemField>(i)), "");
        EXPECT_TRUE(item->List(static_cast<ItemField>(i)).empty());
    }
    EXPECT_FALSE(item->savedMode.has_value());
    EXPECT_EQ(item->mode, ItemMode::IGNORE);
    EXPECT_EQ(item->state, ItemState::UNKNOWN);
    EXPECT_EQ(item->type, AppType::UNKNOWN);
    EXPECT_EQ(item->itemFlags(), 0u);
    EXPECT_FALSE(item->installedInfo().present());
    EXPECT_FALSE(item->serverInfo().present());
    EXPECT_EQ(item->list(), nullptr);

    ASSERT_TRUE(item->SetTextField(ItemField::name, "MyApp").ok());
    EXPECT_EQ(item->name(), "MyApp");
    EXPECT_EQ(item->displayText(), "MyApp");
    ASSERT_TRUE(item->SetTextField(ItemField::displayName, "My App").ok());
    EXPECT_EQ(item->displayText(), "My App");
}

TEST(ApplicationItem, FieldsHoldTextsAndLists) {
    auto item = NewItem();
    // After each change the list holds `expected` and the text is its first entry.
    auto expect = [&](const char* name, Status status, const Strings& expected) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(status.ok());
        EXPECT_EQ(item->urlServer(), expected);
        EXPECT_EQ(item->Text(ItemField::urlServer), expected.empty() ? "" : expected.front());
    };
    const ItemField urls = ItemField::urlServer;
    expect("set two servers", item->SetListField(urls, {"http://a/", "http://b/"}),
           {"http://a/", "http://b/"});
    expect("append adds at the end, never an empty entry", item->AppendListEntry(urls, "http://c/"),
           {"http://a/", "http://b/", "http://c/"});
    ASSERT_TRUE(item->AppendListEntry(urls, "").ok());
    EXPECT_EQ(item->urlServer().size(), 3u);
    expect("empty values are left out", item->SetListField(urls, {"x", "", "y"}), {"x", "y"});
    expect("a NUL ends an entry",
           item->SetListField(urls, {std::string_view("p\0q", 3), std::string_view("\0r", 2)}),
           {"p"});
    expect("a text replaces the list with one entry", item->SetTextField(urls, "one"), {"one"});
    expect("an empty text is the empty list", item->SetTextField(urls, ""), {});

    // A text field keeps the text up to a NUL.
    ASSERT_TRUE(
        item->SetTextField(ItemField::installDir, std::string_view("Work:\0junk", 10)).ok());
    EXPECT_EQ(item->installDir(), "Work:");
    ASSERT_TRUE(item->AppendListEntry(ItemField::textFiles, "Text of the read-me").ok());
    EXPECT_EQ(item->textFiles(), Strings{"Text of the read-me"});
}

TEST(ApplicationItem, FieldKindsAndNames) {
    EXPECT_EQ(KindOf(ItemField::description), FieldKind::localisedList);
    EXPECT_EQ(KindOf(ItemField::appChangelog), FieldKind::localisedList);
    for (ItemField f : {ItemField::urlServer, ItemField::textFiles, ItemField::installCheck,
                        ItemField::versionCheck, ItemField::dependencies}) {
        SCOPED_TRACE(FieldName(f));
        EXPECT_EQ(KindOf(f), FieldKind::list);
    }
    EXPECT_EQ(KindOf(ItemField::installScript), FieldKind::text);
    EXPECT_EQ(FieldName(ItemField::name), "name");
    EXPECT_EQ(FieldName(ItemField::dependencies), "dependencies");
    EXPECT_EQ(FieldName(ItemField::reserved), "");
}

TEST(ItemTables, TypesModesAndStates) {
    const char* types[] = {"UNKNOWN",   "AUDIO",       "VIDEO",   "TEXT",      "PICTURE",
                           "GAME",      "EMULATOR",    "NETWORK", "TOOL",      "UTILITY",
                           "DRIVER",    "APPLICATION", "SHELL",   "CLASS",     "LIBRARY",
                           "SCREENBAR", "DESKTOP",     "SKIN",    "DEVELOPER", "STOVAN"};
    for (std::uint32_t i = 0; i < kAppTypeCount; ++i) {
        SCOPED_TRACE(types[i]);
        const auto type = static_cast<AppType>(i);
        EXPECT_EQ(TypeWord(type), types[i]);
        EXPECT_EQ(TypeFromWord(amiga::ToLower(types[i])), type);
        EXPECT_EQ(TypeLabel(type), msg::TypeUnknown + i);
    }
    EXPECT_EQ(GetString(TypeLabel(AppType::STOVAN)), "Stovan");
    EXPECT_EQ(TypeFromWord("Stovan"), AppType::STOVAN);
    EXPECT_EQ(TypeFromWord("GAMES"), std::nullopt);
    EXPECT_EQ(TypeFromWord(""), std::nullopt);
    EXPECT_EQ(TypeWord(static_cast<AppType>(99)), "UNKNOWN");

    // The one-shot operations have no label and are saved as IGNORE.
    const char* modes[] = {"IGNORE",     "NOTIFY",       "DOWNLOAD",    "INSTALL",
                           "OP_INSTALL", "OP_UNINSTALL", "OP_DOWNLOAD", "OP_REPAIR"};
    const char* modeLabels[] = {"Ignore", "Notify", "Download", "Update"};
    for (std::uint32_t i = 0; i < std::size(modes); ++i) {
        SCOPED_TRACE(modes[i]);
        const auto mode = static_cast<ItemMode>(i);
        EXPECT_EQ(ModeName(mode), modes[i]);
        EXPECT_EQ(ModeWord(mode), i < 4 ? modes[i] : "IGNORE");
        ASSERT_EQ(ModeLabel(mode).has_value(), i < 4);
        if (i < 4) {
            EXPECT_EQ(GetString(*ModeLabel(mode)), modeLabels[i]);
        }
    }
    EXPECT_EQ(ModeFromWord("install"), ItemMode::INSTALL);
    EXPECT_EQ(ModeFromWord("OP_INSTALL"), std::nullopt);  // never written to a file
    EXPECT_EQ(ModeFromWord("UPDATE"), std::nullopt);

    const char* states[] = {"UNKNOWN", "NOTINSTALLED", "INSTALLED", "OUTDATED"};
    const char* labels[] = {"Unknown", "Not Installed", "Installed", "Outdated"};
    for (std::uint32_t i = 0; i < kItemStateCount; ++i) {
        SCOPED_TRACE(states[i]);
        const auto state = static_cast<ItemState>(i);
        EXPECT_EQ(StateWord(state), states[i]);
        EXPECT_EQ(StateFromWord(amiga::ToLower(states[i])), state);
        EXPECT_EQ(GetString(StateLabel(state)), labels[i]);
    }
    EXPECT_EQ(StateFromWord("NOT INSTALLED"), std::nullopt);
}

TEST(ApplicationItem, FlagsAndKey) {
    auto item = NewItem();
    ASSERT_TRUE(item->SetTextField(ItemField::name, "Tool").ok());
    ASSERT_TRUE(item->SetTextField(ItemField::dupeName, "Tool_OS4").ok());
    EXPECT_EQ(item->key(), "Tool");
    ASSERT_TRUE(item->AddItemFlags(HAS_DUPENAME | INSTALLDIR_DISABLED).ok());
    EXPECT_EQ(item->key(), "Tool_OS4");
    EXPECT_TRUE(item->HasFlags(HAS_DUPENAME | INSTALLDIR_DISABLED));
    EXPECT_FALSE(item->HasFlags(HAS_DUPENAME | FORCE_DOWNLOAD));
    item->SetVisited(true);
    EXPECT_TRUE(item->visited());
    EXPECT_EQ(item->itemFlags(), HAS_DUPENAME | INSTALLDIR_DISABLED | ITEM_VISITED);
    item->SetVisited(false);
    ASSERT_TRUE(item->ClearItemFlags(HAS_DUPENAME).ok());
    EXPECT_EQ(item->itemFlags(), INSTALLDIR_DISABLED);
    EXPECT_EQ(item->key(), "Tool");
}

// --- LocalisedEntry ------------------------------------------------------------

// Entries and languages are written "a|b|c" to keep each row on one line.
Strings Split(std::string_view text) {
    Strings parts;
    while (!text.empty()) {
        const std::size_t bar = std::min(text.find('|'), text.size());
        parts.emplace_back(text.substr(0, bar));
        text.remove_prefix(std::min(bar + 1, text.size()));
    }
    return parts;
}

TEST(LocalisedEntry, PicksThePreferredLanguage) {
    struct Row {
        const char* name;
        const char* entries;
        const char* languages;
        bool englishIsEnough;
        std::optional<std::string> expected;
    };
    const char* mixed = "deutsch|Text A auf Deutsch|english|Text B in English";
    const Row rows[] = {
        {"deutsch user", mixed, "deutsch", false, "Text A auf Deutsch"},
        {"french user", mixed, "français", false, "Text B in English"},
        {"second language", mixed, "français|deutsch", false, "Text A auf Deutsch"},
        {"no languages", mixed, "", false, "Text B in English"},
        {"only one text", "A text for everyone", "deutsch", false, "A text for everyone"},
        {"one word is a language name", "Hello", "deutsch", false, std::nullopt},
        {"twenty characters: a language name", "abcdefghijklmnopqrst", "", false, std::nullopt},
        {"twenty-one: a text", "abcdefghijklmnopqrstu", "", false, "abcdefghijklmnopqrstu"},
        {"the last English text wins", "First text|english|Second text", "deutsch", false,
         "Second text"},
        {"the first text of the language wins", "deutsch|Erster Text|Zweiter Text", "deutsch",
         false, "Erster Text"},
        {"English preferred over German", mixed, "english|deutsch", false, "Text B in English"},
        {"English preferred, none there", "deutsch|Nur Deutsch", "english|deutsch", false,
         "Nur Deutsch"},
        {"English is enough, the first English text", "One text|Two text|deutsch|Deutscher Text",
         "deutsch", true, "One text"},
        {"German first even when English is enough", "deutsch|Deutscher Text|english|English text",
         "deutsch", true, "Deutscher Text"},
        {"empty list", "", "deutsch", false, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto item = NewItem();
        ASSERT_TRUE(item->SetListField(ItemField::description, Split(row.entries)).ok());
        const Strings languages = Split(row.languages);
        const std::string* found = LocalisedEntry(*item, ItemField::description, languages,
                                                  {.englishIsEnough = row.englishIsEnough});
        EXPECT_EQ(found ? std::optional<std::string>(*found) : std::nullopt, row.expected);
    }
}

class FakeFiles : public EntryFileTest {
  public:
    explicit FakeFiles(std::set<std::string> existing) : existing_(std::move(existing)) {}
    bool Exists(const ApplicationItem&, std::string_view entry) const override {
        asked.emplace_back(entry);
        return existing_.count(std::string(entry)) != 0;
    }
    mutable Strings asked;

  private:
    std::set<std::string> existing_;
};

TEST(LocalisedEntry, ChangelogEntriesMustExist) {
    auto item = NewItem();
    ASSERT_TRUE(item->SetListField(ItemField::appChangelog,
                                   {"{APPDIR}/History", "deutsch", "{APPDIR}/Historie",
                                    "{APPDIR}/Historie.txt", "english", "PROGDIR:Docs/Changes"})
                    .ok());
    // Entries with "/", ":", "{" or "}" are texts; "deutsch" and "english" are languages.
    EXPECT_FALSE(IsLanguageName(ItemField::appChangelog, "{APPDIR}"));
    EXPECT_TRUE(IsLanguageName(ItemField::appChangelog, "deutsch sprache"));
    EXPECT_FALSE(IsLanguageName(ItemField::description, "deutsch sprache"));
    EXPECT_FALSE(IsLanguageName(ItemField::urlServer, "deutsch"));

    const Strings german = {"deutsch"};
    // The entry chosen when `files` tells which entries exist.
    auto chosen = [&](const EntryFileTest* files, bool entriesAreFiles = true) {
        const std::string* found =
            LocalisedEntry(*item, ItemField::appChangelog, german,
                           {.entriesAreFiles = entriesAreFiles, .files = files});
        return found != nullptr ? *found : "<none>";
    };
    FakeFiles second({"{APPDIR}/Historie.txt", "{APPDIR}/History"});
    EXPECT_EQ(chosen(&second), "{APPDIR}/Historie.txt");
    FakeFiles none({});
    EXPECT_EQ(chosen(&none), "<none>");
    // No test given: nothing can be shown to exist.
    EXPECT_EQ(chosen(nullptr), "<none>");
    // Without entriesAreFiles the file system is not asked.
    FakeFiles watched({});
    EXPECT_EQ(chosen(&watched, false), "{APPDIR}/Historie");
    EXPECT_TRUE(watched.asked.empty());
}

}  // namespace
}  // namespace stovan
