#pragma once
// What the engine needs of the event loop (desktop/ServeEvents.h implements
// it): running a shell command in a worker process while the loop keeps
// serving the user interface and the companion port, and making the port
// public around a script run. The engine, the script runner and the version
// check wait only through this interface, so they never depend on the
// desktop layer above them.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Status.h"

namespace stovan {

// The output name that sends a command's output to the front end's output
// view (the terminal for the command line) instead of a file.
inline constexpr std::string_view kOutputView = "*";

// One shell command for a worker (RunInWorker kind 0).
struct ShellCommand {
    std::string commandLine;    // one AmigaDOS command line
    std::string currentDrawer;  // Amiga path; "" keeps the shell's own ("SYS:")
    std::string output;         // Amiga path ("NIL:", "T:x.tmp") or kOutputView
    // The stack the command asks for; kept for the record, a host process
    // grows its stack as it needs.
    std::uint32_t stack = 4096;
};

// The return code a command reports when it was not run (its drawer or its
// output could not be opened, or the worker could not start).
inline constexpr std::int32_t kCommandNotRun = 20;

class EventLoop {
  public:
    virtual ~EventLoop() = default;

    // RunInWorker kind 0: runs the command with input "NIL:" and waits for it
    // inside the loop. rc is set to the command's return code (20 when it
    // was not run). Ok; msg::ProcessingAborted when the wait was broken (the
    // command was interrupted and reaped first); msg::NotEnoughMemory when
    // the worker could not be started.
    virtual Status RunCommand(const ShellCommand& command, std::int32_t& rc) = 0;

    // AddPort/RemPort of "STOVAN.INTERFACE": the companion commands of a
    // script find the port only in between. Adding fails with
    // msg::CannotCreatePort when the port cannot be made.
    virtual Status AddPublicPort() = 0;
    virtual void RemovePublicPort() = 0;
};

}  // namespace stovan
