#pragma once
// Seams for the companion-command tests: a command context on a temporary
// root, and running a built command program as a child process.

#include <string>
#include <vector>

#include "commands/CommandSupport.h"
#include "tests/support/FakeStovan.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {

// A command context on a test root whose output goes to a temporary file.
class CapturedContext {
  public:
    CapturedContext(const std::string& name, amiga::DosList& dos, std::string argumentLine);
    ~CapturedContext();
    CapturedContext(const CapturedContext&) = delete;
    CapturedContext& operator=(const CapturedContext&) = delete;

    commands::CommandContext& get() { return context_; }
    // Everything the command printed so far.
    std::string Output() const;

  private:
    commands::CommandContext context_;
};

struct ChildResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

// Runs a program with argv, in workingDirectory, with the environment of
// this process minus STOVAN_* variables plus `environment` ("NAME=value").
ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment,
                     const std::string& workingDirectory = {});

// STOVAN_ROOT and STOVAN_ASSIGNS of a root, as Stovan's shell passes them.
std::vector<std::string> RootEnvironment(const amiga::DosList& dos);

}  // namespace stovan::test
