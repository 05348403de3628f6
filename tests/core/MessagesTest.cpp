#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "core/MessageExport.h"
#include "core/Messages.h"
#include "platform/Catalog.h"
#include "tests/support/TempFolder.h"

namespace stovan {
namespace {

amiga::CatalogContents GermanCatalog(std::string fver = "$VER: Stovan.catalog 2.18 (08.10.2015)") {
    amiga::CatalogContents contents;
    contents.versionString = std::move(fver);
    contents.language = "deutsch";
    contents.strings = {{msg::RequesterOk, "Jawohl"},
                        {msg::MenuQuit, "Beenden"},
                        {msg::MenuHideKey, ""},
                        {msg::LoadingDatabase, "Lade Datenbank '%s'."}};
    return contents;
}

amiga::Catalog ParsedGerman(std::string fver = "$VER: Stovan.catalog 2.18 (08.10.2015)") {
    auto catalog = amiga::ParseCatalog(amiga::WriteCatalog(GermanCatalog(std::move(fver))));
    EXPECT_TRUE(catalog.ok());
    return std::move(*catalog);
}

// Every test leaves the English texts in use.
class Messages : public ::testing::Test {
  protected:
    void TearDown() override { CloseCatalog(); }
};

TEST_F(Messages, EveryNumberHasATextAndANameOnce) {
    std::set<std::string_view> names;
    for (MessageId number = 1; number <= msg::kMessageCount; ++number) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(GetString(number).empty());
        EXPECT_EQ(GetString(number), EnglishString(number));
        EXPECT_TRUE(names.insert(MessageName(number)).second) << MessageName(number);
        // No stray control byte: only escapes and line feeds.
        for (const unsigned char byte : GetString(number)) {
            EXPECT_TRUE(byte >= 0x20 || byte == 0x1B || byte == '\n') << int(byte);
        }
    }
    EXPECT_EQ(names.size(), 435u);
    EXPECT_TRUE(GetString(0).empty());
    EXPECT_TRUE(GetString(msg::kMessageCount + 1).empty());
    EXPECT_TRUE(GetString(0xFFFFFFFFu).empty());
    EXPECT_TRUE(MessageName(436).empty());
    EXPECT_EQ(MessageName(msg::ProcessingAborted), "ProcessingAborted");
    EXPECT_EQ(MessageName(msg::NotEnoughMemory), "NotEnoughMemory");
}

class MessageCatalogFiles : public Messages {
  protected:
    void put(const std::string& language, const std::string& data) {
        test::WriteHostFile(folder_ / ("Catalogs/" + language + "/Stovan.catalog"), data);
    }
    test::TempFolder folder_;
    std::filesystem::path root_{folder_.path()};
};

TEST_F(MessageCatalogFiles, DamagedOrForeignCatalogsLeaveEnglish) {
    const std::string good = amiga::WriteCatalog(GermanCatalog());
    const std::string revision17 = "$VER: Stovan.catalog 2.17 (01.01.2015)";
    const std::pair<const char*, std::string> rows[] = {
        {"missing", ""},  // no file at all
        {"truncated", good.substr(0, good.size() / 2)},
        {"oversized", good + std::string(amiga::kMaxCatalogSize, '\0')},
        {"revision 17", amiga::WriteCatalog(GermanCatalog(revision17))},
        {"empty FVER", amiga::WriteCatalog(GermanCatalog(""))},
    };
    for (const auto& [name, data] : rows) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(root_ / "Catalogs");
        if (!data.empty()) {
            put("deutsch", data);
        }
        ASSERT_TRUE(UseCatalog(ParsedGerman()));
        EXPECT_FALSE(OpenStovanCatalog({root_}, {"deutsch"}).has_value());
        EXPECT_EQ(CurrentCatalog(), nullptr);
        EXPECT_EQ(GetString(msg::RequesterOk), "Ok");
    }
}

TEST_F(MessageCatalogFiles, GoodCatalogIsFoundByLanguage) {
    put("deutsch", amiga::WriteCatalog(GermanCatalog()));
    auto file = OpenStovanCatalog({root_ / "nowhere", root_}, {"suomi", "deutsch"});
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file, root_ / "Catalogs" / "deutsch" / "Stovan.catalog");
    EXPECT_EQ(GetString(msg::RequesterOk), "Jawohl");
    // "english" ahead of "deutsch" means the built-in texts.
    EXPECT_FALSE(OpenStovanCatalog({root_}, {"english", "deutsch"}).has_value());
    EXPECT_EQ(GetString(msg::RequesterOk), "Ok");
}

TEST_F(Messages, ListingAndCatalogDescription) {
    EXPECT_EQ(EscapeMessageText("a\033b\nc\\d\xB4"), "a\\eb\\nc\\\\d\xB4");
    EXPECT_EQ(CatalogDescriptionName("ProcessingAborted"), "MSG_PROCESSING_ABORTED");
    EXPECT_EQ(CatalogDescriptionName("AboutOkButton"), "MSG_ABOUT_OK_BUTTON");
    EXPECT_EQ(CatalogDescriptionName("Version2Check"), "MSG_VERSION_2_CHECK");

    const std::string listing = MessageListing();
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 435);
    EXPECT_NE(listing.find("\n270\t\\ecLocal\\en\n"), std::string::npos);
    EXPECT_TRUE(listing.starts_with("1\tStovan\n"));

    ASSERT_TRUE(UseCatalog(ParsedGerman()));
    EXPECT_NE(MessageListing().find("\n5\tJawohl\n"), std::string::npos);

    // The description holds the English texts whatever catalog is in use.
    const std::string cd = CatalogDescription();
    EXPECT_NE(cd.find("\nMSG_REQUESTER_OK (5//)\nOk\n"), std::string::npos);
    EXPECT_NE(cd.find("\nMSG_COLUMN_LOCAL_VERSION (270//)\n\\ecLocal\\en\n"), std::string::npos);
    EXPECT_NE(cd.find("\nMSG_ABOUT_OK_HELP (435//)\nCloses this window.\n"), std::string::npos);
    std::set<std::string> ids;
    std::size_t pos = 0;
    while ((pos = cd.find("\nMSG_", pos)) != std::string::npos) {
        ++pos;
        ids.insert(cd.substr(pos, cd.find(' ', pos) - pos));
    }
    EXPECT_EQ(ids.size(), 435u);
}

}  // namespace
}  // namespace stovan
