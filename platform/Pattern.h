#pragma once
// AmigaDOS wildcard patterns (dos.library ParsePattern / MatchPattern and
// their NoCase twins), as file names, database file selections and the shell
// use them.
//
// Syntax (a pattern always matches the whole name):
//   ?        any one character
//   #x       zero or more repetitions of the next item x; "#?" is any text
//   (a|b|c)  alternatives; "|" is only valid inside parentheses; an empty
//            alternative matches the empty text: "(a|)" matches "" and "a"
//   ~x       any text that the next item x does not match at that place
//            ("~(#?.info)": every name not ending in ".info"; note that
//            "~foo" is (not "f") followed by "oo"); a "~" at the very end is
//            a literal tilde
//   [a-z]    one character of the set; [~a-z] one character not in it (never
//            the end of the name); the first character after "[" or "[~" is
//            always a member ("[]]"); "-" before "]" means "up to 255"
//   'c       "c" literally when c is one of # * ? ( | ) ~ [ ] % ' ; before
//            any other character the quote is itself literal
//   %        the empty text
//   *        a literal star (AmigaDOS treats it as "#?" only with the
//            RNF_WILDSTAR option, which this host does not offer)
// An item is one character, "?", a class, a group "(...)", or an item with
// "#" or "~" in front; "%" between a prefix and its item is skipped ("#%a"
// is "#a"), as AmigaDOS does.
//
// Errors (ERROR_BAD_TEMPLATE, 114): "#" at the end or before ")" or "|";
// "~" before ")" or "|"; "|" outside parentheses; unbalanced "(" or ")"; a
// class without its closing "]". Patterns nested more deeply than
// kMaxPatternDepth give ERROR_BUFFER_OVERFLOW (303).
//
// Matching always terminates, also where some AmigaDOS versions loop for
// ever ("##a", "#(#a)", "#~a"). With P the length of the pattern, N the
// length of the name plus one and K the number of "~" in the pattern:
// time O(P*N) for a pattern without "~", at most O(K*P*N*N) with it; memory
// O(P) plus O(K*N*N/8) bytes for the "~" results, at most
// kMaxNegationMemory: a match that would need more fails (no match), as an
// AmigaDOS match fails when it runs out of memory. Names of file-name length
// stay far below it (a 1000-byte name with "#?~(x)" needs 125 KB).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Expected.h"
#include "platform/ReadArgs.h"  // DosError and the codes shared with ReadArgs

namespace amiga {

inline constexpr std::size_t kMaxPatternDepth = 200;
inline constexpr std::size_t kMaxNegationMemory = std::size_t{64} << 20;  // bytes per match

struct CompiledPattern;  // the program the matcher runs (Pattern.cpp)

// A parsed pattern: cheap to copy, safe to share between threads.
class Pattern {
  public:
    // True when the source held a wildcard ("#", "?", "|", "[", or a "~" that
    // is not the last character): ParsePattern's result 1. False (result 0)
    // for a plain name; parentheses, "%" and quotes alone are not wildcards.
    bool HasWildcards() const;
    // For a pattern without wildcards, the one name it matches (quotes and
    // "%" removed; upper-cased when parsed without regard to case).
    const std::string& PlainName() const;
    // True when parsed by ParsePatternNoCase.
    bool IgnoresCase() const;

  private:
    Pattern() = default;
    friend Expected<Pattern, DosError> ParsePatternWithCase(std::string_view, bool);
    friend bool MatchCompiled(const Pattern&, std::string_view);
    std::shared_ptr<const CompiledPattern> compiled_;
};

// ParsePattern / ParsePatternNoCase. The AmigaDOS result 1/0/-1 is
// HasWildcards() true / false / the error (ERROR_BAD_TEMPLATE or
// ERROR_BUFFER_OVERFLOW).
Expected<Pattern, DosError> ParsePattern(std::string_view source);
Expected<Pattern, DosError> ParsePatternNoCase(std::string_view source);

// MatchPattern / MatchPatternNoCase: true when the whole name matches. A
// pattern remembers how it was parsed, so both functions match case-sensitively
// a pattern from ParsePattern and without regard to case (Latin-1 ToUpper) a
// pattern from ParsePatternNoCase; the AmigaDOS rule "pair the NoCase
// functions" cannot be broken here.
bool MatchPattern(const Pattern& pattern, std::string_view name);
bool MatchPatternNoCase(const Pattern& pattern, std::string_view name);

}  // namespace amiga
