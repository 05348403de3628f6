#pragma once
// Runs an archiver command line (LhA, UnZip) on the shell's host: Amiga
// paths become host paths, protection bits and comments of extracted files
// are stored through the host (its ".uaem" sidecars), and those of files
// being archived are read from it. Output and messages go to the command's
// streams.

#include "archive/ArchiveCommand.h"
#include "shell/Command.h"

namespace amiga {

// The archive module's return code (0, or 20 with a message), or 20 when a
// path cannot be resolved.
int RunArchiveOnHost(CommandContext& context, const stovan::archive::ArchiveCommandLine& command);

}  // namespace amiga
