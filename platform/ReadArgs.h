#pragma once
// dos.library ReadArgs: the AmigaDOS command-line argument parser, one
// implementation for the database reader, the shell, the companion commands
// and the program's own start-up arguments.
//
// Template: items separated by ","; an item is one or more names separated
// by "=" (aliases, "TO=AS"), then modifiers: /A required, /K keyword must be
// typed, /S switch, /T toggle, /N decimal number, /M several values (one /M
// item per template), /F the rest of the line. Modifier letters are taken in
// either case; unknown letters are ignored as AmigaDOS does. An item with an
// empty name is positional only. A name may appear twice; a keyword fills the
// first item of that name.
//
// Line: one line; a line feed (or a NUL byte) ends it, the text after it is
// not read. Items are separated by blanks and tabs; a ";" at the start of an
// item ends the arguments (comment). Values may be quoted with double quotes;
// inside quotes "*" escapes the next character: *N line feed, *E escape
// (0x1B), ** star, *" quote, *x x. Quoted values are never keywords.
// Keywords are matched whole and without regard to case; their value may be
// written KEY=value, KEY = value, KEY= value or KEY value.
//
// Filling (as AmigaDOS): positions are filled left to right, skipping /K, /S
// and /T items; an unquoted word that names an unfilled item fills that item
// instead. Once the walk reaches the /M item it stays there. Values that fit
// nowhere go to the /M list; afterwards every unfilled /A item, from the last
// one backwards, takes the last value of that list ("FROM/A/M,TO/A"). Values
// left over without a /M item are an error. /F takes the rest of the line as
// typed (only a first quoted word loses its quotes; trailing blanks are
// dropped); keywords before it are still honoured.
//
// Departures from AmigaDOS, all where it gives a wrong result silently: a
// /N value beyond the 32-bit range is ERROR_BAD_NUMBER (AmigaDOS wraps it);
// a line without a final line feed is read like one with it (AmigaOS 3.1
// fails such lines, AROS reads them); a template with two /M items or with
// two of /S /T /N /F on one item is ERROR_BAD_TEMPLATE (AmigaDOS mixes them).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"

namespace amiga {

// AmigaDOS error codes (IoErr values) that ReadArgs and ParsePattern give
// (ERROR_BAD_TEMPLATE, ERROR_BAD_NUMBER, ERROR_REQUIRED_ARG_MISSING,
// ERROR_KEY_NEEDS_ARG, ERROR_TOO_MANY_ARGS, ERROR_LINE_TOO_LONG for an
// unclosed quote, ERROR_BUFFER_OVERFLOW for a pattern nested too deeply)
// come from platform/DosErrors.h.

// The fault text of one of the codes above ("bad template"), as Fault()
// gives it; an empty text for any other code.
std::string_view ReadArgsFaultText(DosError code);

struct TemplateItem {
    std::vector<std::string> names;  // never empty; names[0] may be ""
    bool required = false;           // /A
    bool keyword = false;            // /K, also set by /S and /T
    bool isSwitch = false;           // /S
    bool toggle = false;             // /T
    bool number = false;             // /N
    bool multiple = false;           // /M
    bool rest = false;               // /F

    const std::string& Name() const { return names.front(); }
};

class Template {
  public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    const std::string& Text() const;
    std::size_t Size() const;
    const TemplateItem& Item(std::size_t index) const;
    // The first item that has this name or alias (without regard to case),
    // or npos. The empty name finds nothing.
    std::size_t Find(std::string_view name) const;
    // True for copies of one parsed template.
    bool SameAs(const Template& other) const { return data_ == other.data_; }

  private:
    struct Data;
    friend Expected<Template, DosError> ParseTemplate(std::string_view text);
    friend class Arguments;
    Template() = default;
    std::shared_ptr<const Data> data_;
};

// Fails only with ERROR_BAD_TEMPLATE (see the departures above).
Expected<Template, DosError> ParseTemplate(std::string_view text);

// The values read for one template, by item index (template order) or by
// any of the item's names. Asking for an unknown name gives "absent".
class Arguments {
  public:
    // Holds no values until ReadArgs fills it (Size() is 0).
    Arguments() = default;

    std::size_t Size() const;
    const Template& GetTemplate() const { return template_; }

    // The item was given (a switch or toggle: its keyword was typed; a /M
    // item: at least one value).
    bool Present(std::size_t index) const;
    // A text or /F item's value; "" when absent.
    const std::string& Text(std::size_t index) const;
    // A /N item's value, or `fallback` when absent.
    std::int32_t Number(std::size_t index, std::int32_t fallback = 0) const;
    // A /S item: true when given.
    bool Switch(std::size_t index) const;
    // A /T item: the caller's default, inverted when the keyword was given.
    bool Toggle(std::size_t index, bool defaultValue) const;
    // A /M item's values in line order (empty when absent).
    const std::vector<std::string>& Multi(std::size_t index) const;
    // A /M/N item's values.
    const std::vector<std::int32_t>& Numbers(std::size_t index) const;

    bool Present(std::string_view name) const;
    const std::string& Text(std::string_view name) const;
    std::int32_t Number(std::string_view name, std::int32_t fallback = 0) const;
    bool Switch(std::string_view name) const;
    bool Toggle(std::string_view name, bool defaultValue) const;
    const std::vector<std::string>& Multi(std::string_view name) const;
    const std::vector<std::int32_t>& Numbers(std::string_view name) const;

  private:
    struct Value {
        bool present = false;
        std::string text;
        std::int32_t number = 0;
        std::vector<std::string> multi;
        std::vector<std::int32_t> numbers;
    };
    friend DosError ReadArgs(const Template&, std::string_view, Arguments&);
    const Value& At(std::size_t index) const;
    const Value& Named(std::string_view name) const;

    Template template_;
    std::vector<Value> values_;
    std::vector<std::string> pool_;  // the /M values while a line is read
    std::string word_;               // the item being read
};

// Reads one line against the template. Errors: ERROR_BAD_TEMPLATE (an "="
// where a value belongs), ERROR_BAD_NUMBER, ERROR_REQUIRED_ARG_MISSING,
// ERROR_KEY_NEEDS_ARG, ERROR_TOO_MANY_ARGS (surplus values, or an /A/K item
// not given), ERROR_LINE_TOO_LONG (a quote not closed).
Expected<Arguments, DosError> ReadArgs(const Template& argumentTemplate, std::string_view line);

// The same into `into`, whose storage is reused from line to line (a reader
// of many lines against one template allocates nothing for most of them).
// Returns 0, or the error above; `into` holds the values only after 0.
DosError ReadArgs(const Template& argumentTemplate, std::string_view line, Arguments& into);

// The "?" help convention: when the last word of the line is a lone "?"
// (outside quotes), the text before it, to which the caller appends the
// line it reads after printing the template and ": " (AmigaDOS then parses
// the joined text). std::nullopt for any other line.
std::optional<std::string> HelpRequest(std::string_view line);

// The argument as a command line must hold it so that ReadArgs reads it back
// unchanged: in double quotes when it is empty or holds a blank, tab, quote,
// "*", "=", ";" or a control character (or always, when asked), with the
// "*" escapes for "*", the quote, line feed (*N) and escape (*E).
std::string QuoteArgument(std::string_view value, bool always = false);

}  // namespace amiga
