#pragma once
// The dot commands of Execute: ".key TEMPLATE" (".k") takes the script's
// arguments through ReadArgs, ".def name value" (".default") gives a default,
// ".bra c" / ".ket c" change the "<" ">" around argument names, ".dollar c"
// (".dol") the separator of an inline default, ".dot c" the dot itself, and
// ". text" is a comment. Dot lines are removed; "<name>" and "<name$def>" in
// the other lines become argument values, "<$$>" the shell's number.

#include <string>
#include <string_view>

#include "platform/Expected.h"
#include "shell/Faults.h"

namespace amiga {

struct PreparedScript {
    std::string text;  // the script with dot lines removed and arguments substituted
    bool hasKey = false;
};

// Errors: those of ReadArgs for arguments that do not fit the .key template
// (116, 118, 115 ...), BadTemplate for a malformed dot line.
// Without a .key line arguments are not substituted and the text is kept
// except for dot lines.
Expected<PreparedScript, DosError> PrepareExecuteScript(std::string_view script,
                                                        std::string_view arguments,
                                                        std::string_view processNumber);

}  // namespace amiga
