#pragma once
// Starting the running program again in place, as a program that has just
// replaced its own file does: the process image is replaced (execv) with
// the same arguments and environment, so the new start keeps the process,
// its parent and its terminal.

#include <string>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"

namespace amiga {

// The arguments this process was started with (argv[0] included), from
// /proc/self/cmdline; ERROR_OBJECT_NOT_FOUND when they cannot be read.
Expected<std::vector<std::string>, DosError> ProcessArguments();

// The program file to start again: the path /proc/self/exe names. When that
// file was replaced since the start (the link then names a deleted file),
// the file now at the same path when there is one, else the old one
// through /proc/self/exe.
std::string RestartProgramPath();

// Flushes the standard streams and replaces the process image with
// RestartProgramPath() and ProcessArguments(). Returns only on failure,
// with the error; nothing of the process has changed then.
DosError RestartProgram();

}  // namespace amiga
