#pragma once
// Running host programs from tests: the stovan-shell executable, the
// companion commands, archivers. The output and error streams are captured
// through files in a test's folder.

#include <string>
#include <vector>

namespace stovan::test {

struct ProgramRun {
    int rc = -1;  // the exit code; -1 when the program did not start or was killed
    std::string out;
    std::string err;
};

// Runs a host program (argv[0] is its path) with stdin from inputFd (or
// /dev/null), capturing its output and error stream in files of `folder`.
// The caller's STOVAN_ROOT/STOVAN_ASSIGNS/... are not passed on, so only the
// arguments decide which root a program works on.
ProgramRun Spawn(const std::string& folder, const std::vector<std::string>& argv, int inputFd = -1);

// The path of an executable of this build ("stovan-shell", "SGauge"...).
// Inline so that it takes STOVAN_BINARY_DIR from the test suite that calls it.
inline std::string BuiltProgram(const std::string& name) {
#ifdef STOVAN_BINARY_DIR
    return std::string(STOVAN_BINARY_DIR) + "/" + name;
#else
    return name;
#endif
}

}  // namespace stovan::test
