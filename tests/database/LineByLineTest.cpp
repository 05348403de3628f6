// The validation finds the template names of a script in one pass: it must
// answer as the plain search would.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "database/Validation.h"
#include "platform/Latin1.h"

namespace stovan {
namespace {

// The plain reading of the rule: some brace outside quotes has no template
// name anywhere after it.
bool PlainHasUnquotedPlaceholder(std::string_view text) {
    static const std::vector<std::string_view> names = {
        "CHECKAPPICON}",        "COPYDRAWERICON}",      "COPYALL}",         "STANDARDCOPY}",
        "CREATEWBSTARTUPICON}", "DELETEWBSTARTUPICON}", "STANDARDEXTRACT}", "STANDARDBACKUP}"};
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '*' && i + 1 < text.size() && text[i + 1] == '"') {
            ++i;
        } else if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == '{' && !quoted) {
            bool follows = false;
            for (std::string_view name : names) {
                follows = follows || amiga::FindNoCase(text, name, i + 1) != std::string::npos;
            }
            if (!follows) {
                return true;
            }
        }
    }
    return false;
}

TEST(UnquotedPlaceholder, OnePassAnswersAsThePlainSearch) {
    // Scripts made of pieces that matter to the rule, in random order.
    const auto pieces = std::to_array<std::string_view>(
        {"{", "}", "\"", "*\"", "{STANDARDCOPY}", "{standardextract}", "COPYALL", "COPYALL}", "{N}",
         "{NAME}", "CheckAppIcon}", "x", "\n", "*", " ", "{{", "}}", "{DELETEWBSTARTUPICON}"});
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string script;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) {
            script += pieces[random() % pieces.size()];
        }
        SCOPED_TRACE(script);
        ASSERT_EQ(HasUnquotedPlaceholder(script), PlainHasUnquotedPlaceholder(script));
    }
}

}  // namespace
}  // namespace stovan
