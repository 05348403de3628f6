#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "version/Date.h"
#include "version/VersionPattern.h"

namespace stovan {
namespace {

std::string Kinds(const VersionPattern& pattern) {
    std::string kinds;
    for (const PatternElement& element : pattern.elements) {
        kinds += std::to_string(static_cast<int>(element.kind)) + ":" + element.text + " ";
    }
    return kinds;
}

TEST(VersionPattern, ParseSplitsKeywordsWildcardsAndLiterals) {
    struct Row {
        const char* pattern;
        const char* kinds;  // "" for an invalid pattern
    };
    const Row rows[] = {
        {"Foo_{VERSION}.{REVISION}.lha", "0:Foo_ 3:{VERSION} 0:. 4:{REVISION} 0:.lha "},
        {"{mon} {Day}, {YEAR}", "1:{mon} 0:  6:{Day} 0:,  8:{YEAR} "},
        {"x{FOO}y", "0:x 2:{FOO} 0:y "},
        {"a#?b", "0:a 2:#? 0:b "},
        {"a#x}b", "0:a 2:#x} 0:b "},
        {"{HOUR}:{MINUTE}:{SECOND} {BUILD}",
         "9:{HOUR} 0:: 10:{MINUTE} 0:: 11:{SECOND} 0:  5:{BUILD} "},
        {"", ""},
        {"a#b", nullptr},
        {"a{VERSIO", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        const auto pattern = ParseVersionPattern(row.pattern);
        if (row.kinds == nullptr) {
            EXPECT_FALSE(pattern.has_value());
            continue;
        }
        ASSERT_TRUE(pattern.has_value());
        EXPECT_EQ(Kinds(*pattern), row.kinds);
    }
}

TEST(VersionPattern, MatchCapturesAndTakesTheShortestWildcard) {
    auto pattern = ParseVersionPattern("v{VERSION}#?.lha");
    ASSERT_TRUE(pattern);
    const std::string text = "v12-beta.lha.lha";
    ASSERT_TRUE(MatchVersionPattern(*pattern, text, 0));
    EXPECT_EQ(pattern->elements[1].number, 12);
    EXPECT_EQ(pattern->elements[2].captured, "-beta");
    EXPECT_FALSE(MatchVersionPattern(*pattern, text, 1));
    // A wildcard covers at most 49 characters.
    EXPECT_TRUE(MatchVersionPattern(*pattern, "v1" + std::string(49, 'x') + ".lha", 0));
    EXPECT_FALSE(MatchVersionPattern(*pattern, "v1" + std::string(50, 'x') + ".lha", 0));
    VersionPattern empty;
    EXPECT_FALSE(MatchVersionPattern(empty, "anything", 0));
}

TEST(VersionPattern, FindBestVersionInPage) {
    auto expect = [](const char* name, const char* pattern, const char* page,
                     const VersionTriple& triple, const amiga::DateStamp& date) {
        SCOPED_TRACE(name);
        const VersionInfo best = FindBestVersionInPage(pattern, page);
        EXPECT_EQ(best.triple, triple);
        EXPECT_EQ(best.date, date);
    };
    const amiga::DateStamp nov5 = DateFromNumbers(5, 11, 2015, 0, 0, 0);
    const amiga::DateStamp nov6 = DateFromNumbers(6, 11, 2015, 0, 0, 0);
    expect("numeric order", "Foo_{VERSION}.{REVISION}.lha", "Foo_1.9.lha Foo_1.10.lha Foo_1.2.lha",
           {1, 10, 0}, {});
    expect("date after wildcard", "foo-{VERSION}.{REVISION}#?({DAY}.{MONTH}.{YEAR})",
           "Foo-2.3 release (05.11.2015)", {2, 3, 0}, nov5);
    expect("date only", "{MON} {DAY}, {YEAR}", "Released: nov 5, 2015", {}, nov5);
    expect("same triple, later date wins", "V{VERSION}.{REVISION} {DAY}.{MONTH}.{YEAR}",
           "V1.2 5.11.2015 V1.2 6.11.2015", {1, 2, 0}, nov6);
    expect("same triple and date, first stays", "V{VERSION}.{REVISION} {DAY}.{MONTH}.{YEAR}",
           "V1.2 5.11.2015 V1.2 5.11.2015", {1, 2, 0}, nov5);
    expect("day out of range tries the next position", "({DAY}/{MONTH}/{YEAR})",
           "(32/11/2015) (0/11/2015) (2/11/2015)", {}, DateFromNumbers(2, 11, 2015, 0, 0, 0));
    expect("missing day gives no date", "{MONTH}/{YEAR} v{VERSION}", "11/2015 v3", {3, 0, 0}, {});
    expect("keyword as wildcard", "x{FOO}y{VERSION}", "x123y7", {7, 0, 0}, {});
    expect("invalid pattern", "a#b{VERSION}", "a#b5", {}, {});
    expect("build", "{VERSION}.{REVISION}.{BUILD}", "2.1.7 2.1.12", {2, 1, 12}, {});
    expect("case of literals", "FOO-{VERSION}", "foo-4", {4, 0, 0}, {});
}

// The original matcher, written out plainly (exponential in the number of
// wildcards): the reference for the remembering one.
bool NaiveMatch(const std::vector<PatternElement>& elements, std::size_t index,
                const std::string& text, std::size_t position, std::vector<std::int32_t>& values) {
    if (index == elements.size()) {
        return true;
    }
    const PatternElement& element = elements[index];
    if (element.kind == PatternKind::Wildcard) {
        for (std::size_t tried = 0; tried < kWildcardPositions && position + tried <= text.size();
             ++tried) {
            if (NaiveMatch(elements, index + 1, text, position + tried, values)) {
                return true;
            }
        }
        return false;
    }
    if (element.kind == PatternKind::Literal) {
        return text.compare(position, element.text.size(), element.text) == 0 &&
               NaiveMatch(elements, index + 1, text, position + element.text.size(), values);
    }
    std::size_t end = position;
    std::int64_t value = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        value = std::min<std::int64_t>(value * 10 + (text[end] - '0'), INT32_MAX);
        ++end;
    }
    if (end == position) {
        return false;
    }
    values[index] = static_cast<std::int32_t>(value);
    return NaiveMatch(elements, index + 1, text, end, values);
}

TEST(VersionPattern, RememberingMatcherAgreesWithThePlainOne) {
    std::mt19937 random(42);
    const std::string alphabet = "ab.-1290";
    const std::string pieces[] = {"a", "b.", "-", "#?", "{VERSION}", "{REVISION}", "{X}"};
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const std::size_t length = random() % 120;
        for (std::size_t index = 0; index < length; ++index) {
            text += alphabet[random() % alphabet.size()];
        }
        std::string patternText;
        for (std::size_t index = 0, count = 1 + random() % 6; index < count; ++index) {
            patternText += pieces[random() % std::size(pieces)];
        }
        SCOPED_TRACE(patternText + " on " + text);
        auto pattern = ParseVersionPattern(patternText);
        ASSERT_TRUE(pattern);
        for (std::size_t position = 0; position <= text.size(); ++position) {
            std::vector<std::int32_t> values(pattern->elements.size(), -1);
            const bool expected = NaiveMatch(pattern->elements, 0, text, position, values);
            ASSERT_EQ(MatchVersionPattern(*pattern, text, position), expected) << position;
            for (std::size_t index = 0; expected && index < values.size(); ++index) {
                if (values[index] >= 0) {
                    EXPECT_EQ(pattern->elements[index].number, values[index]);
                }
            }
        }
    }
}

TEST(VersionPattern, FiveWildcardsOnALargePageStayFast) {
    // Without remembering failed positions this is 50^5 tries per position.
    std::string page(1 << 20, 'a');
    page += "#1-b-c-d-e-f-2.5!";
    const VersionInfo best = FindBestVersionInPage("#?#?{FOO}#?#?-{VERSION}.{REVISION}!", page);
    EXPECT_EQ(best.triple, (VersionTriple{2, 5, 0}));
}

TEST(VersionPattern, ProbeFindsTheHighestCandidateInThePage) {
    const auto expand = [](const VersionTriple& candidate) -> std::optional<std::string> {
        return "Foo_" + std::to_string(candidate.version) + "." +
               std::to_string(candidate.revision) + ".lha";
    };
    struct Row {
        const char* name;
        VersionTriple installed;
        const char* page;
        VersionTriple expected;
    };
    const Row rows[] = {
        {"next revisions", {1, 4, 0}, "Foo_1.3.lha Foo_1.5.lha Foo_1.6.lha", {1, 6, 0}},
        {"installed minus one is tried", {1, 4, 0}, "Foo_1.3.lha", {1, 3, 0}},
        {"next versions up to plus 19", {1, 4, 0}, "Foo_20.0.lha Foo_21.0.lha", {20, 0, 0}},
        {"revision 199 then the next version", {1, 0, 0}, "Foo_1.199.lha Foo_2.0.lha", {2, 0, 0}},
        {"nothing", {1, 4, 0}, "Bar", {}},
        {"installed revision beyond 199 ends", {1, 250, 0}, "Foo_2.3.lha", {2, 3, 0}},
        {"installed revision 0", {3, 0, 0}, "Foo_3.0.lha", {3, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ProbeVersionsInPage(row.installed, row.page, expand), row.expected);
    }
    // The last version cannot wrap around.
    EXPECT_EQ(ProbeVersionsInPage({0xFFFFFFFF, 1, 0}, "x", expand), (VersionTriple{}));
}

}  // namespace
}  // namespace stovan
