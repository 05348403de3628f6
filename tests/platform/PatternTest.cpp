#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "platform/Pattern.h"

namespace amiga {
namespace {

struct MatchRow {
    std::string pattern;
    std::string text;
    bool matches;
};

void ExpectRows(std::span<const MatchRow> rows, bool noCase) {
    for (const MatchRow& row : rows) {
        SCOPED_TRACE("pattern \"" + row.pattern + "\" text \"" + row.text.substr(0, 40) + "\"");
        auto pattern = noCase ? ParsePatternNoCase(row.pattern) : ParsePattern(row.pattern);
        ASSERT_TRUE(pattern.ok()) << "error " << pattern.error();
        EXPECT_EQ(
            noCase ? MatchPatternNoCase(*pattern, row.text) : MatchPattern(*pattern, row.text),
            row.matches);
    }
}

TEST(PatternTest, Classes) {
    // A class is one character; a dash first or escaped is a member, a dash
    // last runs to 255, a bracket first is a member, a range backwards is empty.
    const MatchRow rows[] = {
        {"[abc]", "b", true},    {"[abc]", "d", false},   {"[abc]", "", false},
        {"[abc]", "ab", false},  {"[a-z]", "q", true},    {"[a-z]", "Q", true},
        {"[a-c]", "d", false},   {"[~a-c]x", "dx", true}, {"[~a-c]x", "bx", false},
        {"[~a-c]x", "x", false}, {"a[~b]", "a", false},   {"[]]", "]", true},
        {"[]a]", "a", true},     {"[-a]", "-", true},     {"[-a]", "b", false},
        {"[a-]", "z", true},     {"[a-]", "\xFF", true},  {"[a-]", "-", false},
        {"[a'-c]", "b", true},   {"[a'-c]", "-", false},  {"[a-c-e]", "d", true},
        {"[~]]", "a", true},     {"[~]]", "]", false},    {"[']x]", "]", true},
        {"['~]", "~", true},     {"[z-a]", "m", false},   {"[#?(]", "?", true},
    };
    ExpectRows(rows, true);
}

TEST(PatternTest, QuoteEscapes) {
    // A quote makes a special character plain and stays before an ordinary one.
    const MatchRow rows[] = {
        {"'#", "#", true},   {"'#?", "#?", true},    {"'#?", "#a", true},    {"'#?", "ab", false},
        {"'?", "?", true},   {"'?", "a", false},     {"'(a')", "(a)", true}, {"a'|b", "a|b", true},
        {"'~a", "~a", true}, {"'[a']", "[a]", true}, {"'%", "%", true},      {"'%", "", false},
        {"''", "'", true},   {"'*", "*", true},      {"'a", "'a", true},     {"'a", "a", false},
        {"a'", "a'", true},  {"a'", "a", false},     {"'", "'", true},
    };
    ExpectRows(rows, true);
}

TEST(PatternTest, WildcardResult) {
    struct Row {
        const char* pattern;
        bool wild;
        const char* plainName;  // for patterns without wildcards (NoCase: upper case)
    };
    const std::vector<Row> rows = {
        {"#?", true, ""},        {"?", true, ""},     {"(a|b)", true, ""},  {"[a]", true, ""},
        {"~(a)", true, ""},      {"(a)", false, "A"}, {"a%b", false, "AB"}, {"'#x", false, "#X"},
        {"foo~", false, "FOO~"}, {"", false, ""},     {"*", false, "*"},    {"'a", false, "'A"},
        {"(a)(b)", false, "AB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        auto pattern = ParsePatternNoCase(row.pattern);
        ASSERT_TRUE(pattern.ok());
        EXPECT_EQ(pattern->HasWildcards(), row.wild);
        if (!row.wild) {
            EXPECT_EQ(pattern->PlainName(), row.plainName);
        }
        EXPECT_TRUE(pattern->IgnoresCase());
    }
    auto sensitive = ParsePattern("(Ab)");
    ASSERT_TRUE(sensitive.ok());
    EXPECT_EQ(sensitive->PlainName(), "Ab");
    EXPECT_FALSE(sensitive->IgnoresCase());
}

TEST(PatternTest, MalformedPatterns) {
    const auto expectError = [](const std::string& text, DosError error) {
        SCOPED_TRACE(text.substr(0, 20));
        auto noCase = ParsePatternNoCase(text);
        ASSERT_FALSE(noCase.ok());
        EXPECT_EQ(noCase.error(), error);
        auto sensitive = ParsePattern(text);
        ASSERT_FALSE(sensitive.ok());
        EXPECT_EQ(sensitive.error(), error);
    };
    // Repeat or negation with nothing to act on, a bar outside a group, groups and
    // classes unclosed or closed unopened, a bracket as a class's only member, an
    // escape ending a class.
    for (const char* text :
         {"#",    "a#",  "(a#)", "(#|a)", "#%", "(a~)", "(~|a)", "~%", "a|b", "|",  "(a",
          "((a)", "(a|", "a)",   ")a(",   "[",  "[a",   "[]",    "[~", "[~]", "[a'"}) {
        expectError(text, ERROR_BAD_TEMPLATE);
    }
    const std::size_t tooDeep = kMaxPatternDepth + 5;
    expectError(std::string(tooDeep, '(') + "a" + std::string(tooDeep, ')'), ERROR_BUFFER_OVERFLOW);
    expectError(std::string(tooDeep, '~') + "a", ERROR_BUFFER_OVERFLOW);
    expectError(std::string(tooDeep, '#') + "a", ERROR_BUFFER_OVERFLOW);
    // Just inside the depth limit still works.
    const std::string deep =
        std::string(kMaxPatternDepth - 1, '(') + "a" + std::string(kMaxPatternDepth - 1, ')');
    auto pattern = ParsePatternNoCase(deep);
    ASSERT_TRUE(pattern.ok());
    EXPECT_TRUE(MatchPatternNoCase(*pattern, "a"));
}

// Patterns on which a backtracking matcher loops for ever or takes
// exponential time. Each must finish (the test time-out catches a hang) and
// give the right answer.
TEST(PatternTest, PathologicalPatternsTerminate) {
    const std::string manyA(2000, 'a');
    const MatchRow rows[] = {
        {"##a", manyA, true},
        {"##a", manyA + "b", false},
        {"#(#a)", manyA + "b", false},
        {"#~a", "a", false},
        {"#~a", "aa", true},
        {"#~a", manyA + "b", true},
        {"#(#(#(a|aa)))b", manyA, false},
        {"(a|aa)#(a|aa)", manyA + "b", false},
        {"#?#?#?#?#?#?#?#?#?#?x", manyA, false},
        {"#?~(a)#?b", manyA, false},
        {"~(#~(#?))", "", false},
        {"~(#~(#?))", "a", true},
        {"~(~(~(a)))", "a", false},
        {"~(~(~(a)))", "b", true},
        {"#(#?)", manyA, true},
        {"#(%)", "a", false},
    };
    ExpectRows(rows, true);
    // A long run of prefixes on a long name.
    const std::string prefixes = std::string(kMaxPatternDepth - 1, '#') + "a";
    auto pattern = ParsePatternNoCase(prefixes);
    ASSERT_TRUE(pattern.ok());
    EXPECT_TRUE(MatchPatternNoCase(*pattern, manyA));
    EXPECT_FALSE(MatchPatternNoCase(*pattern, manyA + "b"));
}

TEST(PatternTest, NamesWithAnyByte) {
    // Names are bytes: a NUL or a byte that AmigaDOS uses for its compiled
    // tokens (0x80-0x8A) is an ordinary character here.
    const std::string nul("a\0b", 3);
    const MatchRow rows[] = {{"a?b", nul, true},
                             {nul, nul, true},
                             {"\x81", "\x81", true},
                             {"[\x80-\x8A]", "\x85", true}};
    ExpectRows(rows, false);
}

TEST(PatternTest, NegationMemoryIsBounded) {
    // "~(a)" can start at every position of a very long name; its results
    // would need far more than the budget, so the match fails instead of
    // exhausting memory.
    auto pattern = ParsePatternNoCase("#?~(a)");
    ASSERT_TRUE(pattern.ok());
    EXPECT_FALSE(MatchPatternNoCase(*pattern, std::string(200000, 'b')));
    // The same pattern on a name of ordinary length is answered normally.
    EXPECT_TRUE(MatchPatternNoCase(*pattern, std::string(3000, 'b')));
    EXPECT_TRUE(MatchPatternNoCase(*pattern, std::string(3000, 'a')));
}

}  // namespace
}  // namespace amiga
