#pragma once
// Scanning a script for the end of an If block, shared by If and Else.

#include "shell/LineReader.h"

namespace amiga {

// Reads lines up to and including the matching EndIf (or Else when
// stopAtElse), counting nested If blocks by the first word of each line.
// False when the script ends first.
bool SkipToElseOrEndIf(ScriptText& script, bool stopAtElse);

}  // namespace amiga
