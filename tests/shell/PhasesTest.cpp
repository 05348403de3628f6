// The interpreter phases alone: arguments, line reading, variables,
// back-ticks, redirection and dot commands.

#include <gtest/gtest.h>

#include <map>

#include "platform/VersionString.h"
#include "shell/Args.h"
#include "shell/Backticks.h"
#include "shell/DotCommands.h"
#include "shell/LineReader.h"
#include "shell/Redirection.h"
#include "shell/Variables.h"
#include "shell/Wildcard.h"

namespace amiga {
namespace {

TEST(ShellLineReader, ContinuationCommentsAndFirstWord) {
    ScriptText script("Echo a +\nb\r\nSkip x\n\nlast");
    EXPECT_EQ(script.ReadLine().value(), "Echo a b");
    EXPECT_EQ(script.ReadLine().value(), "Skip x");
    EXPECT_EQ(script.ReadLine().value(), "");
    EXPECT_EQ(script.ReadLine().value(), "last");
    EXPECT_FALSE(script.ReadLine().has_value());

    EXPECT_EQ(StripComment("Echo hi ; comment"), "Echo hi ");
    EXPECT_EQ(StripComment("Echo \"a ; b\""), "Echo \"a ; b\"");
    EXPECT_EQ(StripComment("Echo a;b"), "Echo a;b");
    EXPECT_EQ(StripComment("Echo \"*\" ; x\" ;y"), "Echo \"*\" ; x\" ");
    EXPECT_EQ(FirstWord("   EndIf ; done"), "EndIf");
    EXPECT_EQ(FirstWord("\"If\" x"), "If");
    auto split = SplitCommand("  Copy  \"a b\" c  ");
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->name, "Copy");
    EXPECT_EQ(split->arguments, "\"a b\" c");
}

TEST(ShellVariables, SubstitutionRules) {
    std::map<std::string, std::string> values = {{"x", "1"}, {"long_name", "L"}, {"e", ""}};
    auto lookup = [&](std::string_view name) -> std::optional<std::string> {
        auto found = values.find(std::string(name));
        if (found == values.end()) {
            return std::nullopt;
        }
        return found->second;
    };
    struct Row {
        const char* name;
        const char* line;
        const char* expected;
    };
    const Row rows[] = {
        {"plain", "Echo $x", "Echo 1"},
        {"braces", "Echo ${long_name}!", "Echo L!"},
        {"underscore needs braces", "Echo $long_name", "Echo $long_name"},
        {"unknown stays", "Echo $nope", "Echo $nope"},
        {"escaped dollar", "Echo *$x", "Echo *$x"},
        {"unclosed brace", "Echo ${x", "Echo ${x"},
        {"lone dollar", "Echo $ $", "Echo $ $"},
        {"empty value", "[$e]", "[]"},
        {"no recursion", "$x$x", "11"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto result = SubstituteVariables(row.line, lookup, 1000);
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(*result, row.expected);
    }
    values["big"] = std::string(600, 'x');
    EXPECT_FALSE(SubstituteVariables("$big $big", lookup, 1000).ok());
}

TEST(ShellBackticks, SubstitutionRules) {
    std::vector<std::string> ran;
    auto run = [&](std::string_view command) {
        ran.emplace_back(command);
        return std::string(command == "two" ? "a\nb\n" : "out\n");
    };
    struct Row {
        const char* name;
        const char* line;
        const char* expected;
    };
    const Row rows[] = {
        {"plain", "Echo `x`", "Echo out"},
        {"inside quotes", "Echo \"[`x`]\"", "Echo \"[out]\""},
        {"lines become blanks", "Echo `two`", "Echo a b"},
        {"unmatched", "Echo `x", "Echo `x"},
        {"escaped opening", "Echo *`x`", "Echo *`x`"},
        {"escaped closing keeps literal", "Echo \"If `Req *\"t*\"*` *\"1*\"\"",
         "Echo \"If `Req *\"t*\"*` *\"1*\"\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto result = SubstituteBackticks(row.line, run, 1000);
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(*result, row.expected);
    }
}

TEST(ShellRedirection, OperatorsAndNames) {
    auto r = ExtractRedirections("Echo >>\"a b\" hi *>NIL: <in");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->line, "Echo  hi");
    ASSERT_TRUE(r->output.has_value());
    EXPECT_EQ(r->output->path, "a b");
    EXPECT_TRUE(r->output->append);
    ASSERT_TRUE(r->error.has_value());
    EXPECT_EQ(r->error->path, "NIL:");
    EXPECT_FALSE(r->error->append);
    ASSERT_TRUE(r->input.has_value());
    EXPECT_EQ(r->input->path, "in");

    auto quoted = ExtractRedirections("Echo \"a >b\" c>d");
    ASSERT_TRUE(quoted.ok());
    EXPECT_EQ(quoted->line, "Echo \"a >b\" c>d");
    EXPECT_FALSE(quoted->output.has_value());

    auto version = ExtractRedirections("version FULL NAME \"x\" FILE *>NIL:");
    ASSERT_TRUE(version.ok());
    EXPECT_EQ(version->line, "version FULL NAME \"x\" FILE");

    EXPECT_EQ(ExtractRedirections("Echo >a >b").error(), ERROR_TOO_MANY_LEVELS);
    EXPECT_EQ(ExtractRedirections("Echo >").error(), ERROR_REQUIRED_ARG_MISSING);
    EXPECT_EQ(ExtractRedirections("Echo >\"open").error(), ERROR_LINE_TOO_LONG);
}

TEST(ShellDotCommands, KeyTemplateAndDefaults) {
    const char* script =
        ".key NAME/A,MODE/K,QUIET/S,FILES/M\n.def MODE fast\n. a comment\n"
        "Echo <NAME> <MODE> <QUIET> [<FILES>] <OTHER$dflt> <$$>\n"
        "Echo <NOPE> >NIL:\n";
    auto prepared = PrepareExecuteScript(script, "n1 QUIET f1 f2", "7");
    ASSERT_TRUE(prepared.ok()) << prepared.error();
    EXPECT_EQ(prepared->text, "Echo n1 fast QUIET [f1 f2] <OTHER$dflt> 7\nEcho <NOPE> >NIL:\n");

    auto brackets = PrepareExecuteScript(".key A\n.bra {\n.ket }\nEcho {A} <A>\n", "v", "1");
    ASSERT_TRUE(brackets.ok());
    EXPECT_EQ(brackets->text, "Echo v <A>\n");

    auto inlineDefault = PrepareExecuteScript(".key A\nEcho <A$none>\n", "", "1");
    ASSERT_TRUE(inlineDefault.ok());
    EXPECT_EQ(inlineDefault->text, "Echo none\n");

    auto noKey = PrepareExecuteScript("Echo <A>\n", "x", "1");
    ASSERT_TRUE(noKey.ok());
    EXPECT_EQ(noKey->text, "Echo <A>\n");

    EXPECT_EQ(PrepareExecuteScript(".key A/A\nEcho\n", "", "1").error(),
              ERROR_REQUIRED_ARG_MISSING);
    EXPECT_EQ(PrepareExecuteScript(".frobnicate\n", "", "1").error(), ERROR_BAD_TEMPLATE);
    EXPECT_EQ(PrepareExecuteScript(".key A\n.key B\n", "", "1").error(), ERROR_BAD_TEMPLATE);
}

TEST(ShellWildcard, Patterns) {
    struct Row {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Row rows[] = {
        {"#?.info", "Foo.INFO", true},
        {"(a", "(a", false},  // a broken pattern matches nothing
        {"'#", "#", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " / " + row.name);
        EXPECT_EQ(MatchWildcard(row.pattern, row.name), row.match);
    }
    EXPECT_TRUE(HasWildcards("a#?"));
    EXPECT_FALSE(HasWildcards("plain.name"));
    EXPECT_FALSE(HasWildcards("'#"));
    // Many stars against a long name must end (bounded work), whatever it answers.
    (void)MatchWildcard("#?#?#?#?#?#?#?#?#?#?x", std::string(200, 'a'));
}

TEST(ShellVersionString, Parsing) {
    struct Row {
        const char* name;
        std::string data;
        const char* shortForm;
        int version, revision;
    };
    const Row rows[] = {
        {"plain", std::string("xx$VER: Foo 2.18 (08.10.2015)\0yy", 33), "Foo 2.18", 2, 18},
        {"name with blanks", "$VER: Foo Bar 1.5", "Foo Bar 1.5", 1, 5},
        {"no revision", "$VER: Foo 3\n", "Foo 3", 3, -1},
        {"blanks after it", "$VER: X 2.9 ", "X 2.9", 2, 9},
        {"no number", "$VER: Foo v3.1.4", "Foo v3.1.4", 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto found = FindVersionString(row.data);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->shortForm, row.shortForm);
        EXPECT_EQ(found->version, row.version);
        EXPECT_EQ(found->revision, row.revision);
    }
    EXPECT_FALSE(FindVersionString("no version here").has_value());
    EXPECT_EQ(FindVersionString("$VER: Foo 2.18 (08.10.2015)")->full, "Foo 2.18 (08.10.2015)");
}

}  // namespace
}  // namespace amiga
