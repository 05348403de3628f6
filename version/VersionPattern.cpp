#include "version/VersionPattern.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/Latin1.h"
#include "platform/StrToLong.h"
#include "version/Date.h"

namespace stovan {
namespace {

struct Keyword {
    std::string_view text;
    PatternKind kind;
};

// The order in which the keywords are tried at a "{" or "#": "{MON}" before
// "{MONTH}" does no harm, as "{MON}" only fits where its "}" stands.
constexpr std::array<Keyword, 11> kKeywords{{
    {"{VERSION}", PatternKind::Version},
    {"{REVISION}", PatternKind::Revision},
    {"{BUILD}", PatternKind::Build},
    {"{DAY}", PatternKind::Day},
    {"{MON}", PatternKind::ShortMonth},
    {"{MONTH}", PatternKind::Month},
    {"{YEAR}", PatternKind::Year},
    {"{HOUR}", PatternKind::Hour},
    {"{MINUTE}", PatternKind::Minute},
    {"{SECOND}", PatternKind::Second},
    {"#?", PatternKind::Wildcard},
}};

constexpr std::array<std::string_view, 12> kShortMonths{"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The range a number kind accepts; version, revision and build take any.
bool InRange(PatternKind kind, std::int32_t value) {
    switch (kind) {
        case PatternKind::Day:
            return value >= 1 && value <= 31;
        case PatternKind::Month:
            return value >= 1 && value <= 12;
        case PatternKind::Year:
            return value >= 1 && value <= 3000;
        case PatternKind::Hour:
            return value >= 0 && value <= 23;
        case PatternKind::Minute:
        case PatternKind::Second:
            return value >= 0 && value <= 59;
        default:
            return true;
    }
}

// Matches a pattern against one text. The original matcher tried every
// wildcard length again for every way the earlier wildcards could be cut,
// which is 50^k work per position for k wildcards. Whether the elements
// after a wildcard match at a position does not depend on how that position
// was reached, so the answer is kept per wildcard and position: the result
// is the same as the shortest-wildcard search, in polynomial time.
class Matcher {
  public:
    Matcher(const VersionPattern& pattern, std::string_view text)
        : elements_(pattern.elements), text_(text), memo_(pattern.elements.size()) {}

    // Whether the elements from `index` on match at `position`.
    bool Matches(std::size_t index, std::size_t position) {
        for (; index < elements_.size(); ++index) {
            const PatternElement& element = elements_[index];
            if (element.kind == PatternKind::Wildcard) {
                return WildcardMatches(index, position);
            }
            std::int32_t value = 0;
            const std::size_t next = Step(element, position, value);
            if (next == std::string_view::npos) {
                return false;
            }
            position = next;
        }
        return true;
    }

    // Fills the captures of a match known to succeed at `position`.
    void Capture(VersionPattern& pattern, std::size_t position) {
        for (std::size_t index = 0; index < pattern.elements.size(); ++index) {
            PatternElement& element = pattern.elements[index];
            std::size_t next = position;
            if (element.kind == PatternKind::Wildcard) {
                next += WildcardLength(index, position);
            } else {
                next = Step(element, position, element.number);
            }
            element.captured.assign(text_.substr(position, next - position));
            element.matched = true;
            position = next;
        }
    }

    // Forgets what was learnt before `position`: the page search moves
    // forward only, so memory stays within a few pages of the text.
    void ForgetBefore(std::size_t position) {
        const std::size_t page = position / kMemoPage;
        for (std::vector<MemoPage>& pages : memo_) {
            for (std::size_t index = forgotten_; index < page && index < pages.size(); ++index) {
                pages[index].reset();
            }
        }
        forgotten_ = std::max(forgotten_, page);
    }

  private:
  private:
    static constexpr std::size_t kMemoPage = 4096;
    static constexpr std::size_t kNone = std::string_view::npos;
    static constexpr std::uint8_t kNoMatch = 255;
    using MemoPage = std::unique_ptr<std::array<std::uint8_t, kMemoPage>>;

    std::uint8_t& Memo(std::size_t index, std::size_t position) {
        std::vector<MemoPage>& pages = memo_[index];
        if (pages.empty()) {
            pages.resize(text_.size() / kMemoPage + 1);
        }
        MemoPage& page = pages[position / kMemoPage];
        if (!page) {
            page = std::make_unique<std::array<std::uint8_t, kMemoPage>>();
            page->fill(0);
        }
        return (*page)[position % kMemoPage];
    }

    // The first stretch length (0 to 49) after which the elements behind
    // wildcard `index` match at `position`, or kNone.
    std::size_t WildcardLength(std::size_t index, std::size_t position) {
        std::uint8_t& known = Memo(index, position);
        if (known != 0) {
            return known == kNoMatch ? kNone : known - 1u;
        }
        std::size_t first = 0;
        // What the position before learnt covers all of this window but its
        // last place: the page search asks position after position, so most
        // answers cost one look instead of fifty.
        const std::uint8_t before = position > 0 ? Peek(index, position - 1) : 0;
        std::size_t length = kNone;
        if (before == kNoMatch) {
            first = kWildcardPositions - 1;
        } else if (before > 1) {
            length = before - 2u;
        }
        if (length == kNone) {
            for (std::size_t tried = first;
                 tried < kWildcardPositions && position + tried <= text_.size(); ++tried) {
                if (Matches(index + 1, position + tried)) {
                    length = tried;
                    break;
                }
            }
        }
        // Pages never move, so `known` still points at this position's cell.
        known = length == kNone ? kNoMatch : static_cast<std::uint8_t>(length + 1);
        return length;
    }

    bool WildcardMatches(std::size_t index, std::size_t position) {
        return WildcardLength(index, position) != kNone;
    }

    std::uint8_t Peek(std::size_t index, std::size_t position) const {
        const std::vector<MemoPage>& pages = memo_[index];
        if (pages.empty() || !pages[position / kMemoPage]) {
            return 0;
        }
        return (*pages[position / kMemoPage])[position % kMemoPage];
    }

    // Matches one element that is not a wildcard: the position after it,
    // or npos.
    std::size_t Step(const PatternElement& element, std::size_t position,
                     std::int32_t& value) const {
        const std::string_view rest = text_.substr(position);
        switch (element.kind) {
            case PatternKind::Literal:
                if (rest.size() < element.text.size() ||
                    !amiga::EqualsNoCase(rest.substr(0, element.text.size()), element.text)) {
                    return std::string_view::npos;
                }
                return position + element.text.size();
            case PatternKind::ShortMonth:
                if (rest.size() >= 3) {
                    for (std::size_t month = 0; month < kShortMonths.size(); ++month) {
                        if (amiga::EqualsNoCase(rest.substr(0, 3), kShortMonths[month])) {
                            value = static_cast<std::int32_t>(month + 1);
                            return position + 3;
                        }
                    }
                }
                return std::string_view::npos;
            case PatternKind::Wildcard:
                return std::string_view::npos;  // handled by the caller
            default: {
                if (rest.empty() || !IsDigit(rest.front())) {
                    return std::string_view::npos;
                }
                const int used = amiga::StrToLong(rest, value);
                if (used <= 0 || !InRange(element.kind, value)) {
                    return std::string_view::npos;
                }
                return position + static_cast<std::size_t>(used);
            }
        }
    }

    const std::vector<PatternElement>& elements_;
    std::string_view text_;
    // Per wildcard element, in pages allocated when first touched: 0 not
    // known, 255 the rest matches after no stretch, else the shortest
    // stretch plus one.
    std::vector<std::vector<MemoPage>> memo_;
    std::size_t forgotten_ = 0;
};

// The value of the first element of a kind, 0 when there is none.
std::int32_t FirstValue(const VersionPattern& pattern, PatternKind kind) {
    for (const PatternElement& element : pattern.elements) {
        if (element.kind == kind) {
            return element.matched ? element.number : 0;
        }
    }
    return 0;
}

bool HasValue(const VersionPattern& pattern, PatternKind kind) {
    for (const PatternElement& element : pattern.elements) {
        if (element.kind == kind) {
            return element.matched;
        }
    }
    return false;
}

VersionInfo Candidate(const VersionPattern& pattern) {
    VersionInfo info;
    info.triple.version = static_cast<std::uint32_t>(FirstValue(pattern, PatternKind::Version));
    info.triple.revision = static_cast<std::uint32_t>(FirstValue(pattern, PatternKind::Revision));
    info.triple.build = static_cast<std::uint32_t>(FirstValue(pattern, PatternKind::Build));
    const std::int32_t month = HasValue(pattern, PatternKind::ShortMonth)
                                   ? FirstValue(pattern, PatternKind::ShortMonth)
                                   : FirstValue(pattern, PatternKind::Month);
    info.date = DateFromNumbers(
        FirstValue(pattern, PatternKind::Day), month, FirstValue(pattern, PatternKind::Year),
        FirstValue(pattern, PatternKind::Hour), FirstValue(pattern, PatternKind::Minute),
        FirstValue(pattern, PatternKind::Second));
    return info;
}

}  // namespace

std::optional<VersionPattern> ParseVersionPattern(std::string_view text) {
    VersionPattern pattern;
    std::size_t position = 0;
    while (position < text.size()) {
        const char c = text[position];
        if (c != '{' && c != '#') {
            std::size_t end = text.find_first_of("{#", position);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            pattern.elements.push_back({PatternKind::Literal,
                                        std::string(text.substr(position, end - position)),
                                        {},
                                        0,
                                        false});
            position = end;
            continue;
        }
        const std::string_view rest = text.substr(position);
        bool found = false;
        for (const Keyword& keyword : kKeywords) {
            if (rest.size() >= keyword.text.size() &&
                amiga::EqualsNoCase(rest.substr(0, keyword.text.size()), keyword.text)) {
                pattern.elements.push_back(
                    {keyword.kind, std::string(rest.substr(0, keyword.text.size())), {}, 0, false});
                position += keyword.text.size();
                found = true;
                break;
            }
        }
        if (found) {
            continue;
        }
        const std::size_t close = rest.find('}');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        pattern.elements.push_back(
            {PatternKind::Wildcard, std::string(rest.substr(0, close + 1)), {}, 0, false});
        position += close + 1;
    }
    return pattern;
}

bool MatchVersionPattern(VersionPattern& pattern, std::string_view text, std::size_t position) {
    for (PatternElement& element : pattern.elements) {
        element.captured.clear();
        element.number = 0;
        element.matched = false;
    }
    if (pattern.elements.empty() || position > text.size()) {
        return false;
    }
    Matcher matcher(pattern, text);
    if (!matcher.Matches(0, position)) {
        return false;
    }
    matcher.Capture(pattern, position);
    return true;
}

VersionInfo FindBestVersionInPage(std::string_view patternText, std::string_view pageText) {
    VersionInfo best;
    std::optional<VersionPattern> pattern = ParseVersionPattern(patternText);
    if (!pattern || pattern->elements.empty()) {
        return best;
    }
    Matcher matcher(*pattern, pageText);
    for (std::size_t position = 0; position < pageText.size(); ++position) {
        if (position % 4096 == 0) {
            matcher.ForgetBefore(position);
        }
        if (!matcher.Matches(0, position)) {
            continue;
        }
        for (PatternElement& element : pattern->elements) {
            element.matched = false;
        }
        matcher.Capture(*pattern, position);
        const VersionInfo candidate = Candidate(*pattern);
        if (isNewer(best, candidate)) {
            best = candidate;
        }
    }
    return best;
}

VersionTriple ProbeVersionsInPage(const VersionTriple& installed, std::string_view pageText,
                                  const CandidateExpander& expand) {
    VersionTriple found;
    // Wider than the fields, so neither the last version nor a revision of
    // 0xFFFFFFFF can wrap around.
    std::uint64_t version = installed.version;
    std::int64_t revision = static_cast<std::int64_t>(installed.revision) - 1;
    const std::uint64_t last = std::uint64_t{installed.version} + 20;
    constexpr std::int64_t kRevisions = 200;
    while (version < last && version <= UINT32_MAX) {
        // Revision -1 (installed revision 0) stands for no text the page can
        // hold; the original wrapped it to 4294967295 and found nothing.
        if (revision >= 0) {
            const VersionTriple candidate{static_cast<std::uint32_t>(version),
                                          static_cast<std::uint32_t>(revision), 0};
            const std::optional<std::string> text = expand(candidate);
            if (text && !text->empty() && pageText.find(*text) != std::string_view::npos) {
                found = candidate;
            }
        }
        ++revision;
        if (revision >= kRevisions) {
            revision = 0;
            ++version;
        }
    }
    return found;
}

}  // namespace stovan
