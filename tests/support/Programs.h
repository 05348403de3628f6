#pragma once
// Running host programs from tests: the stovan-shell executable, the
// companion commands, archivers. The output and error streams are captured
// through files in a test's folder.

#include <string>
#include <vector>

#include "tests/support/RunProgram.h"  // BuiltProgram

namespace stovan::test {

// Named apart from RunProgram.h's ProgramRun: one name with two layouts
// in one program would let either's inline members serve both.
struct SpawnedRun {
    int rc = -1;  // the exit code; -1 when the program did not start or was killed
    std::string out;
    std::string err;
};

// Runs a host program (argv[0] is its path) with stdin from inputFd (or
// /dev/null), capturing its output and error stream in files of `folder`.
// The caller's STOVAN_ROOT/STOVAN_ASSIGNS/... are not passed on, so only the
// arguments decide which root a program works on.
SpawnedRun Spawn(const std::string& folder, const std::vector<std::string>& argv, int inputFd = -1);

}  // namespace stovan::test
