#pragma once
// Seams for the companion-command tests: a stand-in for the running Stovan
// (a public port served by a thread that records every message), a command
// context on a temporary root, and running a built command program as a
// child process.

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands/CommandSupport.h"
#include "platform/PortMessage.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {

// "STOVAN.INTERFACE" in the root's port folder, served until destroyed.
class FakeStovan {
  public:
    using Handler = std::function<amiga::PortReply(const amiga::PortMessage&)>;
    // The default handler answers 0 with no text.
    explicit FakeStovan(const amiga::DosList& dos, Handler handler = {});
    ~FakeStovan();
    FakeStovan(const FakeStovan&) = delete;
    FakeStovan& operator=(const FakeStovan&) = delete;

    bool ok() const { return port_.has_value(); }
    std::vector<amiga::PortMessage> Received() const;

  private:
    void Serve();

    std::optional<amiga::PublicPort> port_;
    Handler handler_;
    mutable std::mutex mutex_;
    std::vector<amiga::PortMessage> received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

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
