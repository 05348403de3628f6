#pragma once
// A throw-away root for running the stovan program end to end: a new
// default root whose only database is the test's, applications as .lha
// archives on the volume Work:Mirror (made by our LhA writer), and the
// version cache edited as a server check would have left it.

#include <string>
#include <vector>

#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {

class CliRoot {
  public:
    CliRoot();

    const std::string& root() const { return temp_.root(); }
    const std::string& folder() const { return temp_.folder(); }
    std::string Host(const std::string& rest) const { return temp_.root() + "/" + rest; }

    // Replaces the root's databases with this one text.
    void Database(const std::string& text) const;
    // Work:Mirror/<file> holding <name>/<name> with "$VER: <name> <version>".
    void Archive(const std::string& file, const std::string& name,
                 const std::string& version) const;
    // Work:<drawer>/<name>/<name> with a version string, as a user copies it.
    void Program(const std::string& drawer, const std::string& name,
                 const std::string& version) const;
    // The text of Work:Apps/<name>/<name>, "<missing>" when it is not there.
    std::string Installed(const std::string& name) const;
    // The file names in the download drawer, sidecars left out, sorted.
    std::vector<std::string> Downloads() const;
    // Sets the item's state and offered version in T:StovanVersion.db.
    void Offer(const std::string& name, const std::string& state,
               const std::string& serverVersion) const;

    // stovan --root <root> arguments..., killed after `timeout`.
    ProgramRun Stovan(std::vector<std::string> arguments,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;
    // The same, failing the test unless it ends with `exitCode`.
    ProgramRun Stovan(int exitCode, std::vector<std::string> arguments) const;

  private:
    TempRoot temp_;
};

// A database entry of type TOOL installed from Work:Mirror/<name>_{VERSION}.{REVISION}.lha
// (an item no check has seen offers version 0.0) into Work:Apps/ with the
// given install script.
std::string ToolEntry(const std::string& name, const std::string& dependencies = "",
                      const std::string& install = "{STANDARDEXTRACT}\n{STANDARDCOPY}");

}  // namespace stovan::test
