#pragma once
// Argument parsing for the built-in commands with AmigaDOS ReadArgs
// templates ("FROM/M,TO/A,ALL/S"), and ReadItem, the reading of one word or
// quoted string of a command line ("*N", "*E", "**", "*\"" inside quotes).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.h"
#include "shell/Faults.h"

namespace amiga {

struct LineItem {
    enum class Kind { End, Word, Equal };
    Kind kind = Kind::End;
    std::string text;
    bool quoted = false;
    std::size_t start = 0;  // offset of the item in the line
};

// Reads the next item from line at pos (advancing pos). An unterminated quote
// gives LineTooLong (120), as ReadArgs reports it. A ";" at the start of an
// item ends the line (comment).
Expected<LineItem, DosError> ReadItem(std::string_view line, std::size_t& pos);

// Every item of a line as a word, quotes removed ("=" is a word of its own),
// for commands that read their arguments themselves.
Expected<std::vector<std::string>, DosError> SplitItems(std::string_view line);

class ParsedArgs {
  public:
    struct Slot {
        std::vector<std::string> names;  // upper-case aliases, first one is the key
        bool required = false, keyword = false, isSwitch = false, toggle = false;
        bool number = false, multiple = false, rest = false;
        bool filled = false;
        bool set = false;  // /S and /T
        std::string text;
        std::vector<std::string> values;  // /M
        std::int32_t value = 0;           // /N
    };

    // Lookups by the first name of a template item, without regard to case;
    // "" names the empty-named positional item.
    bool Has(std::string_view name) const;
    bool Switch(std::string_view name) const;
    std::string Text(std::string_view name) const;
    std::optional<std::int32_t> Number(std::string_view name) const;
    std::vector<std::string> Multi(std::string_view name) const;

    std::vector<Slot> slots;

  private:
    const Slot* Find(std::string_view name) const;
};

// ReadArgs (the host layer's) on the argument line, as a table the commands
// look up by name. Errors:
// 114 bad template, 115 bad number, 116 required argument missing, 117 value
// after keyword missing, 118 wrong number of arguments, 120 unterminated quote.
Expected<ParsedArgs, DosError> ParseArgs(std::string_view templ, std::string_view line);

}  // namespace amiga
