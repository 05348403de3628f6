#include "tests/support/Programs.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ChildProcess.h"
#include "tests/support/TempRoot.h"

extern char** environ;

namespace stovan::test {

SpawnedRun Spawn(const std::string& folder, const std::vector<std::string>& argv, int inputFd) {
    SpawnedRun run;
    if (argv.empty()) {
        ADD_FAILURE() << "Spawn without a program";
        return run;
    }
    const std::string outPath = folder + "/spawn.out";
    const std::string errPath = folder + "/spawn.err";
    amiga::FileDescriptor out(
        ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    amiga::FileDescriptor err(
        ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!out.valid() || !err.valid()) {
        ADD_FAILURE() << "cannot create the output files in " << folder;
        return run;
    }
    amiga::SpawnRequest request;
    request.program = argv[0];
    request.argv = argv;
    request.cleanEnvironment = true;
    for (char** env = environ; *env != nullptr; ++env) {
        if (std::strncmp(*env, "STOVAN_", 7) != 0) {
            request.environment.emplace_back(*env);
        }
    }
    request.in = inputFd;  // -1: /dev/null
    request.out = out.get();
    request.err = err.get();
    auto child = amiga::Child::Spawn(request);
    if (!child) {
        ADD_FAILURE() << "cannot start " << argv[0] << ": error " << child.error();
        return run;
    }
    run.rc = child->Wait().code;
    run.out = ReadHostFile(outPath);
    run.err = ReadHostFile(errPath);
    return run;
}

}  // namespace stovan::test
