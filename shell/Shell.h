#pragma once
// The AmigaDOS script interpreter. One Shell is one CLI: its local
// variables, its fail limit, the last return code and IoErr (kept in the
// local variables RC and Result2), the scripts being executed, and the host
// it works on. A line goes through the phases in this order: comment,
// variables, back-ticks, redirection, then the command is found and run.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Variables.h"
#include "shell/Faults.h"
#include "shell/Host.h"
#include "shell/LineReader.h"
#include "shell/Streams.h"

namespace amiga {

inline constexpr int kDefaultFailAt = RETURN_ERROR;
// Nesting of Execute and back-ticks before the shell refuses to go deeper.
inline constexpr int kMaxNesting = 32;
// Largest script file Execute reads.
inline constexpr std::size_t kMaxScriptSize = 16 * 1024 * 1024;

class Shell {
  public:
    Shell(ShellHost& host, Streams io);

    // Runs one command line as typed at a prompt (a script line goes through
    // the same). Returns the command's return code; blank and comment lines
    // leave the return code as it was.
    int RunLine(std::string_view line);
    int RunLine(std::string_view line, Streams io);

    // Execute: reads the script (from the current drawer, then S:), applies
    // its dot commands to the arguments and runs it. Inside a running script
    // the new script shares the fail limit and variables, and Quit or a
    // failure ends the calling scripts too.
    int ExecuteFile(std::string_view path, std::string_view arguments, Streams io);
    // Execute of script text read elsewhere (a host file): dot commands are
    // applied to the arguments as for ExecuteFile.
    int ExecuteText(std::string_view text, std::string_view arguments, Streams io);
    // Runs script text that needs no dot-command processing.
    int RunScript(std::string_view text, Streams io);

    // Finds and runs a command with already processed arguments.
    int RunCommand(std::string_view name, std::string_view arguments, Streams io);

    // What a command wrote to its output, for back-ticks.
    std::string Capture(std::string_view line, Streams io);

    ShellHost& host() { return host_; }
    Streams io() const { return io_; }

    int failAt() const { return failAt_; }
    void setFailAt(int limit) { failAt_ = limit; }
    int lastReturnCode() const { return lastRc_; }
    DosError lastResult2() const { return result2_; }

    std::optional<std::string> GetLocal(std::string_view name) const;
    void SetLocal(std::string_view name, std::string_view value);
    bool UnsetLocal(std::string_view name);
    const LocalVariables& Locals() const { return locals_; }
    // Local first, then global, as "$name" finds it.
    std::optional<std::string> LookupVariable(std::string_view name);

    // The script being read, or nullptr outside a script (If, Skip ...).
    ScriptText* CurrentScript() { return scripts_.empty() ? nullptr : scripts_.back(); }
    // Quit: ends every running script with this return code.
    void RequestQuit(int rc);

    // The number of this CLI ("<$$>" and the "process" variable).
    std::string ProcessNumber() const;

  private:
    int RunScriptText(ScriptText& script, Streams io);
    int RunExternal(const ObjectInfo& program, std::string_view name, std::string_view arguments,
                    Streams io, DosError& result2);
    void SetReturnCode(int rc, DosError result2);
    bool EchoEnabled() const;

    ShellHost& host_;
    Streams io_;
    LocalVariables locals_;
    int failAt_ = kDefaultFailAt;
    int lastRc_ = 0;
    DosError result2_ = kNoError;
    std::vector<ScriptText*> scripts_;
    int nesting_ = 0;
    bool quit_ = false;
    int quitRc_ = 0;
    bool abort_ = false;
};

}  // namespace amiga
