#pragma once
// Redirection: ">file" (new file), ">>file" (append), "<file" (input) and the
// error stream with "*>file" / "*>>file", as the OS 4 shell writes them. An
// operator counts when it is outside quotes and starts a word (line start or
// after a blank); the file name is the next item and may be quoted. The
// redirections are taken out of the line before the command sees it.

#include <optional>
#include <string>
#include <string_view>

#include "platform/Expected.h"
#include "shell/Faults.h"

namespace amiga {

struct RedirectTarget {
    std::string path;
    bool append = false;
};

struct Redirections {
    std::string line;  // the command line without the redirections
    std::optional<RedirectTarget> output;
    std::optional<RedirectTarget> input;
    std::optional<RedirectTarget> error;
};

// TooManyLevels (217) for a second redirection of the same stream,
// RequiredArgMissing (116) for an operator without a file name,
// LineTooLong (120) for an unterminated quoted name.
Expected<Redirections, DosError> ExtractRedirections(std::string_view line);

}  // namespace amiga
