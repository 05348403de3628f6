#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/BigEndian.h"
#include "platform/Catalog.h"
#include "platform/Iff.h"
#include "tests/support/TempFolder.h"

namespace amiga {
namespace {

constexpr IffId kCtlg = MakeIffId("CTLG");
constexpr IffId kFver = MakeIffId("FVER");
constexpr IffId kLang = MakeIffId("LANG");
constexpr IffId kStrs = MakeIffId("STRS");
const std::string kFrancais = std::string("fran\xE7") + "ais";  // Latin-1

CatalogContents German() {
    CatalogContents contents;
    contents.versionString = "$VER: Stovan.catalog 2.18 (08.10.2015)";
    contents.language = "deutsch";
    contents.strings = {{5, "Ok"}, {1, "Stovan"}, {11, "Beenden"}, {300, "abcd"}, {301, ""}};
    return contents;
}

// A STRS entry built by hand: ID, length field, data as given.
std::string Entry(std::uint32_t id, std::uint32_t length, std::string_view data) {
    std::string out;
    AppendBE32(out, id);
    AppendBE32(out, length);
    out.append(data);
    return out;
}

std::string CatalogWithStrs(std::string_view strs, std::string_view fver = "$VER: x.catalog 2.18") {
    IffWriter writer(kCtlg);
    writer.addChunk(kFver, std::string(fver) + '\0');
    writer.addChunk(kStrs, strs);
    return writer.finish();
}

TEST(Catalog, WrittenCatalogReadsBack) {
    auto catalog = ParseCatalog(WriteCatalog(German()));
    ASSERT_TRUE(catalog.ok());
    EXPECT_EQ(catalog->version, 2);
    EXPECT_EQ(catalog->revision, 18);
    EXPECT_EQ(catalog->versionString, "$VER: Stovan.catalog 2.18 (08.10.2015)");
    EXPECT_EQ(catalog->language, "deutsch");
    EXPECT_EQ(catalog->codeSet, kCodeSetLatin1);
    EXPECT_EQ(catalog->find(11).value(), "Beenden");
    EXPECT_EQ(catalog->find(300).value(), "abcd");
    EXPECT_EQ(catalog->find(301).value(), "");
    EXPECT_FALSE(catalog->find(0).has_value());
}

TEST(Catalog, WriterUsesFlexCatLengthsAndPadding) {
    CatalogContents contents;
    contents.versionString = "$VER: a.catalog 1.0";
    contents.strings = {{7, "abc"}, {8, "abcd"}, {9, ""}};
    const std::string file = WriteCatalog(contents);
    auto form = ParseIffForm(file);
    ASSERT_TRUE(form.ok());
    const std::string_view strs = form->find(kStrs).value();
    // "abc": length 3, data "abc\0"; "abcd": length 5 (multiple of 4 plus
    // one), data padded to 8; "": length 1 (0 is a multiple of 4), 4 NULs.
    const std::string expected = Entry(7, 3, std::string("abc\0", 4)) +
                                 Entry(8, 5, std::string("abcd\0\0\0\0", 8)) +
                                 Entry(9, 1, std::string(4, '\0'));
    EXPECT_EQ(strs, expected);
}

TEST(Catalog, VersionFromFver) {
    const auto version = [](const char* fver) {
        const CatalogVersion parsed = ParseCatalogVersion(fver);
        return std::pair(parsed.version, parsed.revision);
    };
    EXPECT_EQ(version("$VER: Stovan.catalog 2.18 (08.10.2015)"), std::pair(2, 18));
    EXPECT_EQ(version("$VER:   Stovan.catalog    2.18"), std::pair(2, 18));
    EXPECT_EQ(version("$VER: Stovan.catalog 2"), std::pair(2, 0));
    EXPECT_EQ(version("$VER: Stovan.catalog 2."), std::pair(2, 0));
    EXPECT_EQ(version("$VER: Stovan.catalog 3-4"), std::pair(3, 4));  // any one character separates
    // A name with a blank breaks it.
    EXPECT_EQ(version("$VER: My Stovan.catalog 2.18"), std::pair(0, 0));
    EXPECT_EQ(version("$VER: Stovan.catalog"), std::pair(0, 0));
    EXPECT_EQ(version(""), std::pair(0, 0));
    EXPECT_EQ(version("$VER: Stovan.catalog 99999999999.5"), std::pair(2147483647, 5));
}

TEST(Catalog, OverlongFverAndLangAreIgnored) {
    IffWriter writer(kCtlg);
    writer.addChunk(kFver, "$VER: Stovan.catalog 2.18 (" + std::string(90, 'x') + ")" + '\0');
    writer.addChunk(kLang, std::string(31, 'l') + '\0');
    auto catalog = ParseCatalog(writer.finish());
    ASSERT_TRUE(catalog.ok());
    EXPECT_EQ(catalog->version, 0);
    EXPECT_EQ(catalog->language, "");
}

TEST(Catalog, DamagedCatalogsAreRefused) {
    const auto refused = [](std::string_view data) -> std::optional<CatalogError> {
        auto catalog = ParseCatalog(data);
        return catalog ? std::nullopt : std::optional(catalog.error());
    };
    const std::string good = WriteCatalog(German());
    EXPECT_EQ(refused(""), CatalogError::NotIff);
    EXPECT_EQ(refused("MSG_OK (5//)\nOk\n"), CatalogError::NotIff);  // a text file
    EXPECT_EQ(refused(std::string(good).replace(8, 4, "PREF")), CatalogError::NotCatalog);
    EXPECT_EQ(refused(good.substr(0, good.size() - 7)), CatalogError::NotIff);
    // String lengths far and just past the chunk.
    EXPECT_EQ(refused(CatalogWithStrs(Entry(1, 0xFFFFFFF0u, "abc"))), CatalogError::BadStrings);
    const std::string shortData("short\0\0\0", 8);
    EXPECT_EQ(refused(CatalogWithStrs(Entry(1, 12, shortData))), CatalogError::BadStrings);
    EXPECT_EQ(refused(good + std::string(kMaxCatalogSize, '\0')), CatalogError::TooLarge);
}

TEST(Catalog, CutOffEntryHeaderAndMissingChunksAreTolerated) {
    // Fewer than 8 bytes after the last entry: ignored like padding.
    auto catalog = ParseCatalog(
        CatalogWithStrs(Entry(1, 1, std::string("a\0\0\0", 4)) + std::string("\0\0\0\1", 4)));
    ASSERT_TRUE(catalog.ok());
    EXPECT_EQ(catalog->find(1).value(), "a");

    IffWriter bare(kCtlg);
    auto empty = ParseCatalog(bare.finish());
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty->version, 0);
    EXPECT_TRUE(empty->strings.empty());
}

TEST(Catalog, AmigaLanguageNames) {
    EXPECT_EQ(AmigaLanguageName("de_DE.UTF-8"), "deutsch");
    EXPECT_EQ(AmigaLanguageName("de"), "deutsch");
    EXPECT_EQ(AmigaLanguageName("fr_FR@euro"), kFrancais);
    EXPECT_EQ(AmigaLanguageName("es_ES.ISO-8859-1"), "espa\xF1ol");
    EXPECT_EQ(AmigaLanguageName("fi"), "suomi");
    EXPECT_EQ(AmigaLanguageName("en_GB.UTF-8"), "english");
    EXPECT_EQ(AmigaLanguageName("C.UTF-8"), "english");
    EXPECT_EQ(AmigaLanguageName("xx_YY"), std::nullopt);
    EXPECT_EQ(AmigaLanguageName(""), std::nullopt);
    EXPECT_EQ(AmigaLanguageName("deu"), std::nullopt);
}

TEST(Catalog, PreferredLanguagesFollowTheLocaleEnvironment) {
    using Env = std::map<std::string, std::string>;
    struct Row {
        const char* name;
        Env env;
        std::vector<std::string> languages;
    };
    const Row rows[] = {
        {"nothing set", {}, {"english"}},
        {"LANG", {{"LANG", "de_DE.UTF-8"}}, {"deutsch"}},
        {"LC_MESSAGES over LANG", {{"LANG", "de_DE"}, {"LC_MESSAGES", "it_IT"}}, {"italiano"}},
        {"LC_ALL", {{"LANG", "de_DE"}, {"LC_MESSAGES", "it_IT"}, {"LC_ALL", "sv_SE"}}, {"svenska"}},
        {"empty LC_ALL is not set", {{"LC_ALL", ""}, {"LANG", "nl_NL"}}, {"nederlands"}},
        {"LANGUAGE", {{"LANGUAGE", "fr:da"}, {"LANG", "de_DE"}}, {kFrancais, "dansk", "deutsch"}},
        {"no repeats", {{"LANGUAGE", "de_AT:de::xx"}, {"LANG", "de_DE"}}, {"deutsch"}},
        {"C locale ignores LANGUAGE", {{"LANGUAGE", "de"}, {"LC_ALL", "C"}}, {"english"}},
        {"C.UTF-8 ignores LANGUAGE", {{"LANGUAGE", "de"}, {"LANG", "C.UTF-8"}}, {"english"}},
        {"english in LANGUAGE", {{"LANGUAGE", "en:de"}, {"LANG", "de_DE"}}, {"english", "deutsch"}},
        {"unknown language", {{"LANG", "xx_YY"}}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto languages =
            PreferredLanguages([&](const char* name) -> std::optional<std::string> {
                const auto it = row.env.find(name);
                return it == row.env.end() ? std::nullopt : std::optional(it->second);
            });
        EXPECT_EQ(languages, row.languages);
    }
}

class CatalogFiles : public ::testing::Test {
  protected:
    void put(const std::string& utf8Language, const std::string& data) {
        stovan::test::WriteHostFile(root_ / "Catalogs" / utf8Language / "Stovan.catalog", data);
    }

    stovan::test::TempFolder folder_{"stovan-catalog"};
    std::filesystem::path root_{folder_.path()};
};

TEST_F(CatalogFiles, SearchTakesLanguagesInTurnAndRefusesOversizedFiles) {
    CatalogContents french = German();
    french.language = kFrancais;
    french.strings = {{5, "D'accord"}};
    put(std::string("fran\xC3\xA7") + "ais", WriteCatalog(french));  // host folder names are UTF-8
    put("deutsch", WriteCatalog(German()));

    auto found = FindCatalog({root_}, "Stovan.catalog", {"suomi", kFrancais, "deutsch"});
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->catalog.find(5).value(), "D'accord");

    EXPECT_FALSE(FindCatalog({root_}, "Stovan.catalog", {"english", "deutsch"}).has_value());
    EXPECT_FALSE(FindCatalog({root_}, "Stovan.catalog", {}).has_value());
    EXPECT_FALSE(FindCatalog({root_}, "Other.catalog", {"deutsch"}).has_value());
    EXPECT_FALSE(FindCatalog({root_ / "missing"}, "Stovan.catalog", {"deutsch"}).has_value());
    // Names that would leave the Catalogs folder are not looked up.
    EXPECT_FALSE(
        FindCatalog({root_ / "Catalogs" / "deutsch"}, "Stovan.catalog", {".."}).has_value());

    // An oversized file is refused unread.
    put("deutsch", WriteCatalog(German()) + std::string(kMaxCatalogSize, 'x'));
    auto catalog = ReadCatalogFile(root_ / "Catalogs" / "deutsch" / "Stovan.catalog");
    ASSERT_FALSE(catalog.ok());
    EXPECT_EQ(catalog.error(), CatalogError::TooLarge);
    auto missing = ReadCatalogFile(root_ / "nothing");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), CatalogError::NotFound);
}

}  // namespace
}  // namespace amiga
