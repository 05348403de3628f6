#pragma once
// Reading script lines: a script is held as its lines with a read position
// (If, Else and Skip move it), a line ending in " +" continues on the next
// one, and an unquoted ";" that starts a word begins a comment.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace amiga {

// Longest logical line the shell accepts; longer lines fail with
// "argument line invalid or too long".
inline constexpr std::size_t kMaxLineLength = 64 * 1024;

class ScriptText {
  public:
    ScriptText() = default;
    // Splits text into lines; a carriage return before a line feed is dropped.
    explicit ScriptText(std::string_view text);

    // The next logical line (continuations joined with a blank), or none at
    // the end.
    std::optional<std::string> ReadLine();
    bool AtEnd() const { return next_ >= lines_.size(); }
    std::size_t Position() const { return next_; }
    void Seek(std::size_t position) { next_ = position < lines_.size() ? position : lines_.size(); }
    std::size_t LineCount() const { return lines_.size(); }

  private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};

// The line without its comment: everything from an unquoted ";" at the start
// of a word. "*" protects the next character inside quotes.
std::string StripComment(std::string_view line);

// The first word of a line, unquoted, for the If/Skip scans.
std::string FirstWord(std::string_view line);

// Splits a command line into the command name (first item, quotes removed)
// and the raw argument text after it.
struct CommandLine {
    std::string name;
    std::string arguments;
    bool quotedName = false;
};
std::optional<CommandLine> SplitCommand(std::string_view line);

}  // namespace amiga
