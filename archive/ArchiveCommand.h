#pragma once
// The command lines of the archivers that install and backup scripts call:
//
//   LhA [-switches] <command> <archive> [<file pattern>...] [<drawer>/ | <volume>:]
//     commands: x extract with paths, e extract into one drawer, l/v list,
//               t test, a/u add to (or create) an archive
//     switches (any order, combinable, anywhere after the program name):
//       -r  descend into drawers when adding
//       -e  store drawers as entries of their own (empty drawers survive)
//       -q  no line per file
//       -m  replace existing files without asking (the default here: scripts
//           have nobody to ask)
//       -n  keep existing files (skip them)
//       other letters and digits are accepted and ignored
//     For x/e/l/t the last argument ending in '/' or ':' is the destination
//     drawer; the others are AmigaDOS patterns of the entries to take. For
//     a/u an argument ending in '/' or ':' before the files is the drawer the
//     file names are relative to.
//
//   UnZip [-o|-n] [-q] [-j] [-l|-t] <archive> [<file pattern>...] [-d <drawer>]
//
// Parsing works on the Amiga-side strings; RunArchiveCommand maps them to
// host paths through the caller's resolver and runs the operation.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "archive/ArchiveTypes.h"
#include "archive/Extract.h"
#include "platform/Expected.h"

namespace stovan::archive {

struct ArchiveCommandLine {
    enum class Action { Extract, ExtractFlat, List, Test, Add };
    Action action = Action::Extract;
    std::string archive;
    std::string destination;         // empty: the current drawer
    std::string baseDrawer;          // Add: names are relative to it (empty: current drawer)
    std::vector<std::string> files;  // patterns (extract/list/test) or names (add)
    bool recursive = false;
    bool emptyDrawers = false;
    bool quiet = false;
    OverwriteMode overwrite = OverwriteMode::Replace;
};

Expected<ArchiveCommandLine, ArchiveError> ParseLhaCommandLine(
    const std::vector<std::string>& arguments);
Expected<ArchiveCommandLine, ArchiveError> ParseUnZipCommandLine(
    const std::vector<std::string>& arguments);

struct ArchiveCommandContext {
    // Amiga path (relative to the current drawer, or absolute) to host path.
    std::function<std::string(const std::string& amigaPath)> toHostPath;
    // AmigaDOS pattern match of an entry name; null takes every entry when
    // patterns are given only as plain names (compared without case).
    std::function<bool(const std::string& pattern, const std::string& name)> matchPattern;
    // Host names that are never archive content (the host layer's sidecar
    // files): left out when adding drawers, and entries with such a name are
    // skipped when extracting. Null: none.
    std::function<bool(const std::string& hostName)> hostOnlyName;
    // The host folder of the destination's volume ("": none known); see
    // ExtractOptions::containingRoot.
    std::string destinationRoot;
    MetadataSink* sink = nullptr;
    MetadataSource* source = nullptr;
    std::ostream* out = nullptr;  // listing and progress
    std::ostream* err = nullptr;  // error messages
};

// Runs a parsed command. Returns the AmigaDOS return code: 0 on success, 20
// on any failure (the message goes to ctx.err).
int RunArchiveCommand(const ArchiveCommandLine& command, const ArchiveCommandContext& context);

}  // namespace stovan::archive
