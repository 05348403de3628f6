#pragma once
// Opening a system root: a host folder holding the mount table
// ("MountTable") and, for a root Stovan made itself, the volume folders.
// docs/system-root.md describes the layout for users.

#include <string>

#include "platform/Expected.h"
#include "platform/MountTable.h"
#include "platform/Volumes.h"

namespace amiga {

// The folder of a root's public message ports ("<root>/Ports"): each port
// is a Unix socket named after the port (platform/PortMessage.h). The
// server that opens a port creates the folder when it is missing.
std::string PortsFolder(const DosList& dos);

// The user's default root: $XDG_DATA_HOME/stovan/root, else
// $HOME/.local/share/stovan/root ("" when neither variable is set).
std::string DefaultRootFolder();

// The mount table of a new self-contained root: volumes SYS (boot, device
// DH0), Work (DH1) and RAM, each a folder inside the root, and the assigns
// PROGDIR: (Work:Stovan), T:, ENV:, ENVARC:, S: and C:.
MountTable DefaultMountTable(const SystemProfile& profile);

// Makes a default root in folder (created when missing; it must be empty
// or missing, so that no user folder is taken over): writes the mount
// table and creates the volume folders and the drawer tree Stovan and the
// shell expect (PROGDIR:Database/..., PROGDIR:Prefs, PROGDIR:Cache/...,
// SYS:C, SYS:S, SYS:Prefs/Env-Archive, RAM:T, RAM:ENV). The text is a
// message for the user on failure.
Expected<DosList, std::string> CreateDefaultRoot(const std::string& folder,
                                                 const SystemProfile& profile = {});

// Reads the mount table of an existing root. Messages name the file and
// line ("/x/MountTable line 3: ...").
Expected<DosList, std::string> OpenSystemRoot(const std::string& folder);

// The root of this process: folder from --root when given, else
// $STOVAN_ROOT, else the default root. A folder that does not exist yet (or
// is empty) becomes a new default root. When $STOVAN_ROOT names the same
// root, the assigns in $STOVAN_ASSIGNS (set by the parent process) replace
// those of the mount table.
Expected<DosList, std::string> OpenProcessRoot(const std::string& commandLineRoot);

}  // namespace amiga
