#include "shell/Wildcard.h"

#include "platform/Pattern.h"

namespace amiga {

bool HasWildcards(std::string_view pattern) {
    auto parsed = ParsePatternNoCase(pattern);
    return parsed.ok() && parsed->HasWildcards();
}

bool MatchWildcard(std::string_view pattern, std::string_view name) {
    auto parsed = ParsePatternNoCase(pattern);
    return parsed.ok() && MatchPatternNoCase(*parsed, name);
}

}  // namespace amiga
