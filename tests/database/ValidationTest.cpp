#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "database/ItemList.h"
#include "database/Validation.h"

namespace stovan {
namespace {

// An item that passes every rule; each row breaks it in one way.
void MakeValid(ApplicationItem& item) {
    ASSERT_TRUE(item.SetTextField(ItemField::name, "Tool").ok());
    ASSERT_TRUE(item.SetTextField(ItemField::urlArchive, "http://example.org/get/tool.lha").ok());
    ASSERT_TRUE(item.SetListField(ItemField::installCheck, {"{INSTALLDIR}Tool"}).ok());
    ASSERT_TRUE(item.SetListField(ItemField::description, {"A tool"}).ok());
    ASSERT_TRUE(item.SetTextField(ItemField::stovanAuthor, "Jane").ok());
    ASSERT_TRUE(item.SetTextField(ItemField::installScript, "{STANDARDCOPY}").ok());
}

TEST(ValidateItem, RulesInOrder) {
    using enum ItemField;
    using Change = std::function<void(ApplicationItem&)>;
    auto text = [](ItemField field, const char* value) {
        return [field, value](ApplicationItem& item) {
            ASSERT_TRUE(item.SetTextField(field, value).ok());
        };
    };
    auto list = [](ItemField field, std::vector<std::string> values) {
        return [field, values](ApplicationItem& item) {
            ASSERT_TRUE(item.SetListField(field, values).ok());
        };
    };
    auto flags = [](std::uint32_t flags) {
        return [flags](ApplicationItem& item) { ASSERT_TRUE(item.AddItemFlags(flags).ok()); };
    };
    auto both = [](Change a, Change b) {
        return [a, b](ApplicationItem& item) {
            a(item);
            b(item);
        };
    };
    struct Row {
        const char* name;
        Change change;
        MessageId expected;
    };
    const std::vector<Row> rows = {
        {"valid", [](ApplicationItem&) {}, 0},
        {"no URLARCHIVE", text(urlArchive, ""), msg::UrlArchiveMissing},
        {"no URLARCHIVE wins over everything", both(text(urlArchive, ""), list(installCheck, {})),
         msg::UrlArchiveMissing},
        {"no INSTALLCHECK", list(installCheck, {}), msg::InstallCheckMissing},
        {"INSTALLCHECK with DIR}/", list(installCheck, {"{INSTALLDIR}/Tool"}),
         msg::InstallCheckHasDirPath},
        {"INSTALLCHECK with {ARCHIVE}", list(installCheck, {"{ARCHIVE}"}),
         msg::InstallCheckHasArchive},
        {"INSTALLCHECK with {ARCHIVENAME}", list(installCheck, {"x{ARCHIVENAME}"}),
         msg::InstallCheckHasArchive},
        {"only the first INSTALLCHECK entry counts",
         list(installCheck, {"{INSTALLDIR}Tool", "{ARCHIVE}", "{X}DIR}/"}), 0},
        {"lower-case archive is not searched", list(installCheck, {"{archive}"}), 0},
        {"VERSIONCHECK with DIR}/", list(versionCheck, {"{APPDIR}/x"}),
         msg::VersionCheckHasDirPath},
        {"VERSIONCHECK with {ARCHIVE}", list(versionCheck, {"{ARCHIVE}"}),
         msg::VersionCheckHasArchive},
        {"no DESCRIPTION wins over no STOVANAUTHOR",
         both(list(description, {}), text(stovanAuthor, "")), msg::DescriptionMissing},
        {"no STOVANAUTHOR", text(stovanAuthor, ""), msg::StovanAuthorMissing},
        {"empty name", text(name, ""), msg::EmptyStovanName},
        {"name with /", text(name, "a/b"), msg::StovanNameBadChar},
        {"name with :", text(name, "Work:b"), msg::StovanNameBadChar},
        {"no INSTALL", text(installScript, ""), msg::InstallMissing},
        {"INSTALL with DIR}/", text(installScript, "Copy {INSTALLDIR}/x"), msg::InstallHasDirPath},
        {"unquoted placeholder without UNINSTALL", text(installScript, "Copy {NAME} x"), 0},
        {"unquoted placeholder with UNINSTALL",
         both(text(installScript, "Copy {NAME} x"),
              text(uninstallScript, "Delete \"{INSTALLDIR}{NAME}\"")),
         msg::InstallUnquotedBraces},
        {"STANDARDCOPY with APPDIRECTORY", flags(INSTALLDIR_DISABLED | HAS_APPDIRECTORY),
         msg::InstallMissing},
        {"STANDARDCOPY following another item", flags(INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS), 0},
        {"UNINSTALL with DIR}/", text(uninstallScript, "Delete {INSTALLDIR}/x"),
         msg::UninstallHasDirPath},
        {"UNINSTALL unquoted", text(uninstallScript, "Delete {INSTALLDIR}x"),
         msg::UninstallUnquotedBraces},
        {"UNINSTALL with {ARCHIVE}", text(uninstallScript, "Delete \"{ARCHIVE}\""),
         msg::UninstallHasArchive},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto item = ItemList::CreateItem();
        ASSERT_NE(item, nullptr);
        MakeValid(*item);
        row.change(*item);
        EXPECT_EQ(ValidateItem(*item).message(), row.expected);
    }
}

}  // namespace
}  // namespace stovan
