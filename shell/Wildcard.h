#pragma once
// Name patterns for the file commands ("#?.info", "Foo#?", "(a|b)"), without
// regard to case, through the host layer's pattern module.

#include <string_view>

namespace amiga {

// True when the text holds a wildcard (so it names a set of objects). A
// malformed pattern is taken as a plain name.
bool HasWildcards(std::string_view pattern);
// Whole-name match without regard to case; a malformed pattern matches nothing.
bool MatchWildcard(std::string_view pattern, std::string_view name);

}  // namespace amiga
