#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scripts/Placeholders.h"
#include "scripts/Templates.h"
#include "tests/scripts/PlaceholderFixture.h"

namespace stovan {
namespace {

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            lines.back() += "<no line feed>";
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(Templates, ShapeOfEveryTemplate) {
    struct Case {
        const char* placeholder;
        std::size_t lines;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"{STANDARDEXTRACT}", 11, "If \"{EXTENSION}\" EQ \".lha\"", "EndIf"},
        {"{CHECKAPPICON}", 5, "If EXISTS \"{INSTALLDIR}{NAME}/{NAME}.info\"", "EndIf"},
        {"{COPYDRAWERICON}", 7, "If NOT EXISTS \"{INSTALLDIR}{NAME}.info\"", "EndIf"},
        {"{COPYALL}", 3, "{CHECKAPPICON}", "{COPYDRAWERICON}"},
        {"{STANDARDCOPY}", 3, "{CHECKAPPICON}", "{COPYDRAWERICON}"},
        {"{CREATEWBSTARTUPICON}", 6, "If NOT EXISTS \"{INSTALLDIR}{NAME}/{NAME}_WBStartup.info\"",
         "EndIf"},
        {"{DELETEWBSTARTUPICON}", 12, "If EXISTS \"SYS:WBStartup/{NAME}_WBStartup.info\"", "EndIf"},
        {"{STANDARDBACKUP}", 72, "If \"{BACKUPMODE}\" EQ \"ENABLED\"", "EndIf"},
    };
    ASSERT_EQ(TemplatePlaceholders().size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placeholder);
        const auto which = FindTemplate(c.placeholder);
        ASSERT_TRUE(which.has_value());
        const std::string_view text = TemplateText(*which);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(text.find('\r'), std::string_view::npos);
        EXPECT_EQ(text.find('\t'), std::string_view::npos);
        const std::vector<std::string> lines = Lines(text);
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.front(), c.first);
        EXPECT_EQ(lines.back(), c.last);
        for (const std::string& line : lines) {
            EXPECT_TRUE(line.empty() || line.back() != ' ') << "trailing blank: " << line;
        }
    }
    EXPECT_EQ(FindTemplate("{standardcopy}"), ScriptTemplate::COPYALL);
    EXPECT_EQ(FindTemplate("{COPYALL"), std::nullopt);
    EXPECT_EQ(FindTemplate("COPYALL"), std::nullopt);
}

TEST(Templates, BackupLinesKeepTheirSpacingAndEscapes) {
    const std::vector<std::string> lines = Lines(TemplateText(ScriptTemplate::STANDARDBACKUP));
    ASSERT_EQ(lines.size(), 72u);
    struct Case {
        std::size_t number;  // counted from 1
        const char* text;
    };
    const Case cases[] = {
        {7, "  SLog \"BACKUP\" \"{NAME}\" {INSTVERSION} {INSTREVISION}"},
        {12, "  Lha a -re \"{BACKUPNAME}\" \"{NAME}\" \"{NAME}.info\""},
        {17, "  Dir >NIL: \"ENVARC:{LOWERNAME}#?\""},
        {26, "  Dir >NIL: \"ENVARC:MUI/{UPPERNAME}{MUIPREFSPATTERN}\""},
        {35,
         "  Echo \"If EQ `RequestChoice TITLE *\"{NAME} Restore*\" BODY *\"If you continue {NAME} "
         "will be**Nrestored to '{INSTALLDIR}'!*\" GADGETS *\"Continue|Cancel*\"*` *\"1*\"\" "
         ">>\"{NAME}/{RESTORESCRIPT}\""},
        {37,
         "   Echo \" FailAt 20\"                                          "
         ">>\"{NAME}/{RESTORESCRIPT}\""},
        {41,
         "   Echo \" Copy FROM *\"#?*\" TO *\"{INSTALLDIR}{NAME}*\" ALL\" "
         ">>\"{NAME}/{RESTORESCRIPT}\""},
        {47,
         "   Echo \" Delete *\"{INSTALLDIR}{NAME}/{RESTORESCRIPT}*\"         FORCE\"  "
         ">>\"{NAME}/{RESTORESCRIPT}\""},
        {53,
         "   Echo \" Copy *\"{RESTORESCRIPT}Data/ENVARC/#?*\" TO *\"ENV:*\"    ALL\" "
         ">>\"{NAME}/{RESTORESCRIPT}\""},
        {56,
         "  Echo \" RequestChoice TITLE *\"{NAME} Restore*\" BODY *\"{NAME} is restored!*\" "
         "GADGETS *\"Ok*\"\" >>\"{NAME}/{RESTORESCRIPT}\""},
        {59, "  If EXISTS \"{STOVANICON}.info\" NOREQ"},
        {70, "  SLog \"BACKUPDONE\" \"{NAME}\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(lines[c.number - 1], c.text);
    }
}

TEST(Templates, CopyTemplateExpandsItsInnerTemplates) {
    test::PlaceholderWorld world;
    ApplicationItem& item = world.AddItem("Tool");
    world.Set(item, ItemField::installDir, "Work:T");
    const std::string temp = "RAM:T/StovanTemp/001a2b3c/";
    const std::string expected =
        "If EXISTS \"Work:T/Tool/Tool.info\"\n"
        " If EXISTS \"" +
        temp +
        "Tool/Tool.info\"\n"
        "  Delete FORCE \"" +
        temp +
        "Tool/Tool.info\"\n"
        " EndIf\n"
        "EndIf\n"
        "\n"
        "Copy \"" +
        temp +
        "Tool/#?\" \"Work:T/Tool\" ALL\n"
        "If NOT EXISTS \"Work:T/Tool.info\"\n"
        " If EXISTS \"" +
        temp +
        "Tool.info\"\n"
        "  Copy \"" +
        temp +
        "Tool.info\" \"Work:T/Tool.info\"\n"
        " Else\n"
        "  STooltype \"Work:T/Tool\" TYPE WBDRAWER\n"
        " EndIf\n"
        "EndIf\n"
        "\n";
    EXPECT_EQ(world.Expand(&item, "{COPYALL}"), expected);
    EXPECT_EQ(world.Expand(&item, "{STANDARDCOPY}"), expected);

    // An INSTALL block of the extraction and the copy template.
    const std::string block = world.Expand(&item, "{STANDARDEXTRACT}{COPYALL}");
    EXPECT_EQ(block, world.Expand(&item, "{STANDARDEXTRACT}") + expected);
    EXPECT_EQ(block.find('{'), std::string::npos);
}

TEST(Templates, BackupTemplateIsGuardedByTheBackupMode) {
    test::PlaceholderWorld world;
    ApplicationItem& item = world.AddItem("Tool");
    item.installedVersion = {1, 2, 0};
    std::string disabled = world.Expand(&item, "{STANDARDBACKUP}");
    EXPECT_EQ(disabled.substr(0, disabled.find('\n')), "If \"\" EQ \"ENABLED\"");
    EXPECT_EQ(Lines(disabled).size(), 72u);
    EXPECT_NE(disabled.find("  Lha a -re \"PROGDIR:Cache/Backups/Tool_v1.02.lha\" \"Tool\""),
              std::string::npos);
    EXPECT_NE(disabled.find("StovanBackup/Tool/StovanRestoreData\" ALL"), std::string::npos);
    EXPECT_NE(disabled.find("ENVARC:MUI/TOOL(%|.#[0-9])(%|.#[0-9]).(cfg|prefs)"),
              std::string::npos);
    EXPECT_NE(disabled.find("  If EXISTS \"Work:Stovan/Stovan.info\" NOREQ"), std::string::npos);
    EXPECT_NE(disabled.find("   SGauge \"UNINSTALLING\""), std::string::npos);

    world.engine->currentOperation = EngineOperation::Install;
    world.preferences.flags2 |= BACKUP_BEFORE_INSTALL;
    const std::string enabled = world.Expand(&item, "{STANDARDBACKUP}");
    EXPECT_EQ(enabled.substr(0, enabled.find('\n')), "If \"ENABLED\" EQ \"ENABLED\"");
    EXPECT_NE(enabled.find("If \"INSTALL\" EQ \"INSTALL\""), std::string::npos);

    item.type = AppType::STOVAN;
    const std::string stovan = world.Expand(&item, "{STANDARDBACKUP}");
    EXPECT_EQ(stovan.substr(0, stovan.find('\n')), "If \"\" EQ \"ENABLED\"");
}

}  // namespace
}  // namespace stovan
