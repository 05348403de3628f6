#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Pattern.h"

namespace amiga {
namespace {

struct MatchRow {
    const char* name;
    std::string pattern;
    std::string text;
    bool matches;
};

void ExpectRows(const std::vector<MatchRow>& rows, bool noCase) {
    for (const MatchRow& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ": pattern \"" + row.pattern + "\" text \"" +
                     row.text + "\"");
        auto pattern = noCase ? ParsePatternNoCase(row.pattern) : ParsePattern(row.pattern);
        ASSERT_TRUE(pattern.ok()) << "error " << pattern.error();
        EXPECT_EQ(
            noCase ? MatchPatternNoCase(*pattern, row.text) : MatchPattern(*pattern, row.text),
            row.matches);
    }
}

TEST(PatternTest, Classes) {
    ExpectRows(
        {
            {"set", "[abc]", "b", true},
            {"set miss", "[abc]", "d", false},
            {"set empty name", "[abc]", "", false},
            {"set one char only", "[abc]", "ab", false},
            {"range", "[a-z]", "q", true},
            {"range folds case", "[a-z]", "Q", true},
            {"range upper folds", "[A-Z]", "q", true},
            {"range miss", "[a-c]", "d", false},
            {"range upper name", "[a-c]", "B", true},
            {"not range", "[~a-c]x", "dx", true},
            {"not range in", "[~a-c]x", "bx", false},
            {"not range never the end", "[~a-c]x", "x", false},
            {"not class at end", "a[~b]", "a", false},
            {"bracket first", "[]]", "]", true},
            {"bracket first and more", "[]a]", "a", true},
            {"dash first", "[-a]", "-", true},
            {"dash first, a", "[-a]", "a", true},
            {"dash first, b", "[-a]", "b", false},
            {"dash last to 255", "[a-]", "z", true},
            {"dash last to 255, y umlaut", "[a-]", "\xFF", true},
            {"dash last, dash", "[a-]", "-", false},
            {"escaped dash still a range", "[a'-c]", "b", true},
            {"escaped dash, dash", "[a'-c]", "-", false},
            {"chained ranges", "[a-c-e]", "d", true},
            {"not bracket", "[~]]", "a", true},
            {"not bracket, bracket", "[~]]", "]", false},
            {"escaped bracket", "[']x]", "]", true},
            {"escaped bracket, x", "[']x]", "x", true},
            {"escaped tilde first", "['~]", "~", true},
            {"escaped tilde first, a", "['~]", "a", false},
            {"backwards range is empty", "[z-a]", "m", false},
            {"class then text", "[0-9]#?.db", "1games.db", true},
            {"class of specials", "[#?(]", "?", true},
        },
        true);
}

TEST(PatternTest, QuoteEscapes) {
    ExpectRows(
        {
            {"hash", "'#", "#", true},
            {"hash not any", "'#?", "#?", true},
            {"hash not any, other", "'#?", "#a", true},
            {"hash not any, wrong", "'#?", "ab", false},
            {"question", "'?", "?", true},
            {"question is literal", "'?", "a", false},
            {"parens", "'(a')", "(a)", true},
            {"bar", "a'|b", "a|b", true},
            {"tilde", "'~a", "~a", true},
            {"brackets", "'[a']", "[a]", true},
            {"percent", "'%", "%", true},
            {"percent not empty", "'%", "", false},
            {"quote", "''", "'", true},
            {"star", "'*", "*", true},
            {"quote before ordinary char stays", "'a", "'a", true},
            {"quote before ordinary char, a", "'a", "a", false},
            {"trailing quote", "a'", "a'", true},
            {"trailing quote needed", "a'", "a", false},
            {"lone quote", "'", "'", true},
        },
        true);
}

TEST(PatternTest, WildcardResult) {
    struct Row {
        const char* pattern;
        bool wild;
        const char* plainName;  // for patterns without wildcards (NoCase: upper case)
    };
    const std::vector<Row> rows = {
        {"#?", true, ""},        {"?", true, ""},       {"(a|b)", true, ""},
        {"[a]", true, ""},       {"~(a)", true, ""},    {"#a", true, ""},
        {"(a)", false, "A"},     {"a%b", false, "AB"},  {"'#x", false, "#X"},
        {"foo~", false, "FOO~"}, {"abc", false, "ABC"}, {"", false, ""},
        {"*", false, "*"},       {"'a", false, "'A"},   {"(a)(b)", false, "AB"},
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
    struct Row {
        const char* name;
        std::string pattern;
        DosError error;
    };
    const std::vector<Row> rows = {
        {"hash alone", "#", ERROR_BAD_TEMPLATE},
        {"hash at end", "a#", ERROR_BAD_TEMPLATE},
        {"hash before paren", "(a#)", ERROR_BAD_TEMPLATE},
        {"hash before bar", "(#|a)", ERROR_BAD_TEMPLATE},
        {"hash percent at end", "#%", ERROR_BAD_TEMPLATE},
        {"tilde before paren", "(a~)", ERROR_BAD_TEMPLATE},
        {"tilde before bar", "(~|a)", ERROR_BAD_TEMPLATE},
        {"tilde percent at end", "~%", ERROR_BAD_TEMPLATE},
        {"bar outside parens", "a|b", ERROR_BAD_TEMPLATE},
        {"bar alone", "|", ERROR_BAD_TEMPLATE},
        {"unclosed paren", "(a", ERROR_BAD_TEMPLATE},
        {"unclosed inner paren", "((a)", ERROR_BAD_TEMPLATE},
        {"unclosed after bar", "(a|", ERROR_BAD_TEMPLATE},
        {"stray close", "a)", ERROR_BAD_TEMPLATE},
        {"stray close first", ")a(", ERROR_BAD_TEMPLATE},
        {"bracket alone", "[", ERROR_BAD_TEMPLATE},
        {"unclosed class", "[a", ERROR_BAD_TEMPLATE},
        {"bracket is first member", "[]", ERROR_BAD_TEMPLATE},
        {"unclosed not class", "[~", ERROR_BAD_TEMPLATE},
        {"not class bracket member", "[~]", ERROR_BAD_TEMPLATE},
        {"escape at end of class", "[a'", ERROR_BAD_TEMPLATE},
        {"too deep groups",
         std::string(kMaxPatternDepth + 5, '(') + "a" + std::string(kMaxPatternDepth + 5, ')'),
         ERROR_BUFFER_OVERFLOW},
        {"too deep negation", std::string(kMaxPatternDepth + 5, '~') + "a", ERROR_BUFFER_OVERFLOW},
        {"too deep repetition", std::string(kMaxPatternDepth + 5, '#') + "a",
         ERROR_BUFFER_OVERFLOW},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto noCase = ParsePatternNoCase(row.pattern);
        ASSERT_FALSE(noCase.ok());
        EXPECT_EQ(noCase.error(), row.error);
        auto sensitive = ParsePattern(row.pattern);
        ASSERT_FALSE(sensitive.ok());
        EXPECT_EQ(sensitive.error(), row.error);
    }
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
    ExpectRows(
        {
            {"## empty repeat", "##a", "", true},
            {"## many", "##a", manyA, true},
            {"## miss", "##a", manyA + "b", false},
            {"#(#a)", "#(#a)", manyA, true},
            {"#(#a) miss", "#(#a)", manyA + "b", false},
            {"#~a empty", "#~a", "", true},
            {"#~a a", "#~a", "a", false},
            {"#~a aa", "#~a", "aa", true},
            {"#~a long", "#~a", manyA + "b", true},
            {"nested repeats", "#(#(#(a|aa)))b", manyA, false},
            {"ways that overlap", "(a|aa)#(a|aa)", manyA + "b", false},
            {"ways that overlap, match", "(a|aa)#(a|aa)", manyA, true},
            {"many any texts", "#?#?#?#?#?#?#?#?#?#?x", manyA, false},
            {"many any texts, match", "#?#?#?#?#?#?#?#?#?#?x", manyA + "x", true},
            {"any text then negation", "#?~(a)#?b", manyA, false},
            {"negated repeat of negation", "~(#~(#?))", "", false},
            {"negated repeat of negation, a", "~(#~(#?))", "a", true},
            {"triple negation", "~(~(~(a)))", "a", false},
            {"triple negation, b", "~(~(~(a)))", "b", true},
            {"repeat of everything", "#(#?)", manyA, true},
            {"repeat of percent group", "#(%)", "", true},
            {"repeat of percent group, a", "#(%)", "a", false},
        },
        true);
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
    ExpectRows(
        {
            {"nul in name", "a?b", std::string("a\0b", 3), true},
            {"nul literal", std::string("a\0b", 3), std::string("a\0b", 3), true},
            {"token byte", "\x81", "\x81", true},
            {"token byte class", "[\x80-\x8A]", "\x85", true},
        },
        false);
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
