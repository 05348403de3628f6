#pragma once
// Where the program's own files are. A program run from the build folder it
// was built in finds the companion commands beside it and the sample
// database in the source tree the build was configured with. Anywhere else
// it is an installed program and finds them relative to its own file, in
// the layout `cmake --install` makes (bin/stovan, libexec/stovan/<companion
// commands>, share/stovan/Database/Internal), and nowhere else: an
// installed program never takes files from a source tree.

#include <string>

#include "platform/Expected.h"

namespace stovan {

// The folder of the running program (from /proc/self/exe), "" when unknown.
std::string RunningProgramFolder();

// True when the running program is the one in its build folder.
bool RunningFromBuildFolder();

// The folder holding the companion commands: the running program's folder
// in a build, the installed commands folder otherwise.
std::string CompanionProgramFolder();

// The host folder of the sample database ("Database/Internal" of the
// program's data). When it is missing, the error is a message for the user
// naming the folder looked at.
amiga::Expected<std::string, std::string> SampleDatabaseFolder();

// The host folder of the demonstration site the build made (stovan demo):
// "demo-site" in the build folder, or in the installed program's data.
// When it is missing, the error is a message for the user naming it.
amiga::Expected<std::string, std::string> DemoSiteFolder();

}  // namespace stovan
