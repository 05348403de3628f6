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
        {"no URLARCHIVE", text(ItemField::urlArchive, ""), msg::UrlArchiveMissing},
        {"no URLARCHIVE wins over everything",
         both(text(ItemField::urlArchive, ""), list(ItemField::installCheck, {})),
         msg::UrlArchiveMissing},
        {"no INSTALLCHECK", list(ItemField::installCheck, {}), msg::InstallCheckMissing},
        {"INSTALLCHECK with DIR}/", list(ItemField::installCheck, {"{INSTALLDIR}/Tool"}),
         msg::InstallCheckHasDirPath},
        {"INSTALLCHECK with {ARCHIVE}", list(ItemField::installCheck, {"{ARCHIVE}"}),
         msg::InstallCheckHasArchive},
        {"INSTALLCHECK with {ARCHIVENAME}", list(ItemField::installCheck, {"x{ARCHIVENAME}"}),
         msg::InstallCheckHasArchive},
        {"only the first INSTALLCHECK entry counts",
         list(ItemField::installCheck, {"{INSTALLDIR}Tool", "{ARCHIVE}", "{X}DIR}/"}), 0},
        {"lower-case archive is not searched", list(ItemField::installCheck, {"{archive}"}), 0},
        {"VERSIONCHECK with DIR}/", list(ItemField::versionCheck, {"{APPDIR}/x"}),
         msg::VersionCheckHasDirPath},
        {"VERSIONCHECK with {ARCHIVE}", list(ItemField::versionCheck, {"{ARCHIVE}"}),
         msg::VersionCheckHasArchive},
        {"no DESCRIPTION wins over no STOVANAUTHOR",
         both(list(ItemField::description, {}), text(ItemField::stovanAuthor, "")),
         msg::DescriptionMissing},
        {"no STOVANAUTHOR", text(ItemField::stovanAuthor, ""), msg::StovanAuthorMissing},
        {"empty name", text(ItemField::name, ""), msg::EmptyStovanName},
        {"name with /", text(ItemField::name, "a/b"), msg::StovanNameBadChar},
        {"name with :", text(ItemField::name, "Work:b"), msg::StovanNameBadChar},
        {"no INSTALL", text(ItemField::installScript, ""), msg::InstallMissing},
        {"INSTALL with DIR}/", text(ItemField::installScript, "Copy {INSTALLDIR}/x"),
         msg::InstallHasDirPath},
        {"unquoted placeholder without UNINSTALL", text(ItemField::installScript, "Copy {NAME} x"),
         0},
        {"unquoted placeholder with UNINSTALL",
         both(text(ItemField::installScript, "Copy {NAME} x"),
              text(ItemField::uninstallScript, "Delete \"{INSTALLDIR}{NAME}\"")),
         msg::InstallUnquotedBraces},
        {"STANDARDCOPY with APPDIRECTORY",
         [](ApplicationItem& item) {
             ASSERT_TRUE(item.AddItemFlags(INSTALLDIR_DISABLED | HAS_APPDIRECTORY).ok());
         },
         msg::InstallMissing},
        {"STANDARDCOPY following another item",
         [](ApplicationItem& item) {
             ASSERT_TRUE(item.AddItemFlags(INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS).ok());
         },
         0},
        {"UNINSTALL with DIR}/", text(ItemField::uninstallScript, "Delete {INSTALLDIR}/x"),
         msg::UninstallHasDirPath},
        {"UNINSTALL unquoted", text(ItemField::uninstallScript, "Delete {INSTALLDIR}x"),
         msg::UninstallUnquotedBraces},
        {"UNINSTALL with {ARCHIVE}", text(ItemField::uninstallScript, "Delete \"{ARCHIVE}\""),
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
