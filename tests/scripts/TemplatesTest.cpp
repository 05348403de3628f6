#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "scripts/Placeholders.h"
#include "scripts/Templates.h"
#include "tests/support/PlaceholderWorld.h"

namespace stovan {
namespace {

// The lines of a text (that each template ends with a line feed is checked apart).
std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
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

}  // namespace
}  // namespace stovan
