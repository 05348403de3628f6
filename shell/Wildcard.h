#pragma once
// Name patterns for the file commands ("#?.info", "Foo#?", "(a|b)"), without
// regard to case. A small matcher until the host layer's pattern module
// is in place: "?", "#x", "#?", "[a-z]", "[~a]", "(a|b)", "~(x)", "%", "'x".

#include <string_view>

namespace amiga {

// True when the text holds a wildcard (so it names a set of objects).
bool HasWildcards(std::string_view pattern);
// Whole-name match without regard to case.
bool MatchWildcard(std::string_view pattern, std::string_view name);

}  // namespace amiga
