// `stovan list --json` writes its array one item at a time; the text must
// be the one the whole array dumped at once gives, for any item texts.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/CliRoot.h"

namespace stovan {
namespace {

// Parsed and dumped again with the same indent: the text a whole-document
// writer produces (object keys in order, the same escapes).
std::string WholeDump(const std::string& out) {
    const nlohmann::json items = nlohmann::json::parse(out, nullptr, false);
    return items.is_discarded() ? "not JSON" : items.dump(2) + "\n";
}

TEST(ListJson, StreamedTextIsTheWholeArrayDumped) {
    const test::CliRoot root;
    const std::pair<const char*, std::string> rows[] = {
        {"no item at all", ""},
        {"one item", test::ToolEntry("Alone")},
        {"texts that need escapes, Latin-1 and lists",
         test::ToolEntry("First") +
             "#ITEM \"Second\" DISPLAYNAME \"Quote *\" line*nbreak tab\t\xe4\xf6\xfc\"\n"
             "#APPTYPE TOOL\n#STOVANAUTHOR \"\\\\ back slash\"\n"
             "#URLARCHIVE \"Work:Mirror/Second.lha\"\n#URLSERVER a \"b c\" d\n"
             "#INSTALLCHECK \"{INSTALLDIR}Second\"\n"
             "#DESCRIPTION deutsch\n  Zeile mit \"Anf\xfchrung\"\n\n#DESCRIPTION END\n"
             "#DESCRIPTION \"English text\"\n"
             "#INSTALL\n{STANDARDEXTRACT}\n#INSTALL END\n#ITEM END\n" +
             test::ToolEntry("Third")},
    };
    for (const auto& [name, database] : rows) {
        SCOPED_TRACE(name);
        root.Database(database);
        const test::ProgramRun run = root.Stovan({"list", "--json"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, WholeDump(run.out));
    }
}

}  // namespace
}  // namespace stovan
