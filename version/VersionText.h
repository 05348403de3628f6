#pragma once
// Reading a version triple out of text: the first line the Version command
// prints for a file, the text of a file itself ("Version:" at the start of
// a line, an RCS "$Id:" line), and a literal version string written in a
// database check entry ("$VER: Foo 1.5 (01.02.2015)").

#include <optional>
#include <string_view>

#include "version/Version.h"

namespace stovan {

// The Version command's output: only its first line (up to the first line
// feed) is read. The first character that is a blank, "v" or "V" directly
// followed by a decimal digit starts the version; ".revision" and then
// ".build" are read when a point follows each number. 0.0.0 when no such
// place exists ("Foo 2.18 (08.10.2015)" is 2.18.0, "Foo v3.1.4" 3.1.4).
VersionTriple ScanVersionOutput(std::string_view output);

// The version a file's text states, the text counting as if a line feed
// preceded it (so the start of the file is the start of a line), searched
// by length (NUL bytes do not end it):
//  1. the first "Version:" (any case) gives the triple after its colon,
//     but only when it stands at the start of a line (after a line feed or
//     a carriage return); later occurrences are never looked at;
//  2. otherwise the first "$Id:" (any case): after it blanks, one word (the
//     file name of an RCS line) and blanks are skipped and the triple read.
// 0.0.0 when neither gives one.
VersionTriple ScanFileVersionText(std::string_view text);

// A check entry that is a literal version string: "$" followed by "VER: "
// (any case). The program name (up to the first blank after the six
// characters) and the blanks after it are skipped and the triple read.
// Nothing when the entry is no such string.
std::optional<VersionTriple> LiteralVersionString(std::string_view entry);

}  // namespace stovan
