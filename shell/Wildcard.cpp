#include "shell/Wildcard.h"

#include <string>

#include "platform/Latin1.h"

namespace amiga {

namespace {

constexpr long kMaxSteps = 1000000;

// End of the item starting at p (one character, a class, a group, or a
// prefixed item).
std::size_t ItemEnd(std::string_view pattern, std::size_t p) {
    if (p >= pattern.size()) {
        return p;
    }
    char c = pattern[p];
    if (c == '\'') {
        return std::min(pattern.size(), p + 2);
    }
    if (c == '#' || c == '~') {
        return ItemEnd(pattern, p + 1);
    }
    if (c == '[') {
        std::size_t close = pattern.find(']', p + 2);
        return close == std::string_view::npos ? pattern.size() : close + 1;
    }
    if (c == '(') {
        int depth = 0;
        for (std::size_t i = p; i < pattern.size(); ++i) {
            if (pattern[i] == '\'') {
                ++i;
            } else if (pattern[i] == '(') {
                ++depth;
            } else if (pattern[i] == ')' && --depth == 0) {
                return i + 1;
            }
        }
        return pattern.size();
    }
    return p + 1;
}

bool Match(std::string_view pattern, std::string_view name, long& steps);

bool ClassMatches(std::string_view body, char c) {
    bool negate = !body.empty() && body.front() == '~';
    if (negate) {
        body.remove_prefix(1);
    }
    bool hit = false;
    char upper = ToUpper(c);
    for (std::size_t i = 0; i < body.size(); ++i) {
        char low = body[i] == '\'' && i + 1 < body.size() ? body[++i] : body[i];
        char high = low;
        if (i + 2 < body.size() && body[i + 1] == '-') {
            high = body[i + 2];
            i += 2;
        }
        if (ToUpper(low) <= upper && upper <= ToUpper(high)) {
            hit = true;
        }
    }
    return negate ? !hit : hit;
}

// Alternatives of a group body split at top-level "|".
bool MatchGroup(std::string_view body, std::string_view rest, std::string_view name, long& steps) {
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
        if (i < body.size() && body[i] == '\'') {
            ++i;
            continue;
        }
        if (i == body.size() || (body[i] == '|' && depth == 0)) {
            std::string combined(body.substr(start, i - start));
            combined += rest;
            if (Match(combined, name, steps)) {
                return true;
            }
            start = i + 1;
            continue;
        }
        if (body[i] == '(') {
            ++depth;
        } else if (body[i] == ')') {
            --depth;
        }
    }
    return false;
}

bool Match(std::string_view pattern, std::string_view name, long& steps) {
    if (++steps > kMaxSteps) {
        return false;
    }
    if (pattern.empty()) {
        return name.empty();
    }
    std::size_t end = ItemEnd(pattern, 0);
    std::string_view item = pattern.substr(0, end);
    std::string_view rest = pattern.substr(end);
    char c = item.front();
    if (c == '%') {
        return Match(rest, name, steps);
    }
    if (c == '#') {
        std::string_view repeated = item.substr(1);
        // Zero repetitions, or one more followed by the same "#x" again; a
        // repetition must use up text, so empty-width items cannot loop.
        if (Match(rest, name, steps)) {
            return true;
        }
        for (std::size_t n = 1; n <= name.size(); ++n) {
            if (Match(repeated, name.substr(0, n), steps) &&
                Match(pattern, name.substr(n), steps)) {
                return true;
            }
        }
        return false;
    }
    if (c == '~') {
        std::string_view negated = item.substr(1);
        for (std::size_t n = 0; n <= name.size(); ++n) {
            if (!Match(negated, name.substr(0, n), steps) && Match(rest, name.substr(n), steps)) {
                return true;
            }
        }
        return false;
    }
    if (c == '(') {
        std::string_view body = item.substr(1, item.size() >= 2 ? item.size() - 2 : 0);
        return MatchGroup(body, rest, name, steps);
    }
    if (name.empty()) {
        return false;
    }
    if (c == '?') {
        return Match(rest, name.substr(1), steps);
    }
    if (c == '[') {
        std::string_view body = item.substr(1, item.size() >= 2 ? item.size() - 2 : 0);
        return ClassMatches(body, name.front()) && Match(rest, name.substr(1), steps);
    }
    char literal = c == '\'' && item.size() > 1 ? item[1] : c;
    return ToUpper(literal) == ToUpper(name.front()) && Match(rest, name.substr(1), steps);
}

}  // namespace

bool HasWildcards(std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\'') {
            ++i;
            continue;
        }
        if (c == '#' || c == '?' || c == '~' || c == '[' || c == '|') {
            return true;
        }
    }
    return false;
}

bool MatchWildcard(std::string_view pattern, std::string_view name) {
    // A bounded amount of work: patterns come from scripts, names from disk.
    long steps = 0;
    return Match(pattern, name, steps);
}

}  // namespace amiga
