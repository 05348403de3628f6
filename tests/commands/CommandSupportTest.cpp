#include <gtest/gtest.h>

#include <filesystem>

#include "commands/CommandSupport.h"
#include "platform/ReadArgs.h"
#include "tests/commands/CommandsSupport.h"
#include "tests/support/ScopedEnvironment.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;
using amiga::QuoteArgument;

TEST(CommandArguments, QuotedWordsReadBackUnchanged) {
    auto wordTemplate = amiga::ParseTemplate("WORDS/M");
    ASSERT_TRUE(wordTemplate.ok());
    const std::vector<std::string> words = {"plain",     "",           "two words", "a\"quote",
                                            "star*",     "**",         "a=b",       ";comment",
                                            "tab\there", "line\nfeed", "esc\x1b",   "\xe4\xf6\xfc",
                                            "KEYWORD",   "*\"",        "trailing*"};
    for (const std::string& word : words) {
        SCOPED_TRACE(word);
        const std::string quoted = QuoteArgument(word);
        auto arguments = amiga::ReadArgs(*wordTemplate, quoted);
        ASSERT_TRUE(arguments.ok()) << quoted;
        ASSERT_EQ(arguments->Multi("WORDS").size(), 1u) << quoted;
        EXPECT_EQ(arguments->Multi("WORDS")[0], word);
        // Always-quoted words read back the same.
        auto always = amiga::ReadArgs(*wordTemplate, QuoteArgument(word, true));
        ASSERT_TRUE(always.ok());
        EXPECT_EQ(always->Multi("WORDS").at(0), word);
    }
    // Plain words stay unquoted so that keywords typed on a host shell work.
    EXPECT_EQ(QuoteArgument("TYPE"), "TYPE");
}

TEST(CommandArguments, LineFromArgv) {
    ScopedEnvironment typed("STOVAN_SHELL_ARGUMENTS", std::nullopt);
    std::string a0 = "SToolType", a1 = "Work:My Tool", a2 = "TYPE", a3 = "WBTOOL";
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), nullptr};
    EXPECT_EQ(commands::ArgumentLine(4, argv), "\"Work:My Tool\" TYPE WBTOOL");
    EXPECT_EQ(commands::ArgumentLine(1, argv), "");
    const ScopedEnvironment asTyped("STOVAN_SHELL_ARGUMENTS", "\"as typed\" TYPE=WBTOOL");
    EXPECT_EQ(commands::ArgumentLine(4, argv), "\"as typed\" TYPE=WBTOOL");
}

TEST(CommandDrawer, HostFolderBecomesAmigaDrawer) {
    TempRoot root;
    fs::create_directories(root.Host("Work", "Apps/Foo"));
    fs::create_directories(root.folder() + "/outside");
    fs::create_directory_symlink(root.Host("Work", "Apps"), root.folder() + "/link-to-apps");
    WriteHostFile(root.Host("Work", "file"), "x");
    struct Row {
        const char* name;
        std::string hostFolder;
        const char* amigaPath;  // nullptr: no drawer
    } rows[] = {
        {"volume root", root.Host("Work"), "Work:"},
        {"nested drawer", root.Host("Work", "Apps/Foo"), "Work:Apps/Foo"},
        {"trailing slash", root.Host("Work", "Apps/"), "Work:Apps"},
        {"through a host link", root.folder() + "/link-to-apps", "Work:Apps"},
        {"outside every volume", root.folder() + "/outside", nullptr},
        {"the root folder itself", root.root(), nullptr},
        {"a file", root.Host("Work", "file"), nullptr},
        {"missing", root.Host("Work", "missing"), nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto lock = commands::LockHostFolder(root.dos(), row.hostFolder);
        if (row.amigaPath == nullptr) {
            EXPECT_FALSE(lock.ok());
            continue;
        }
        ASSERT_TRUE(lock.ok());
        EXPECT_EQ(amiga::NameFromLock(root.dos(), *lock), row.amigaPath);
    }
}

}  // namespace
}  // namespace stovan::test
