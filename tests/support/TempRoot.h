#pragma once
// A throw-away system root for tests: a default root in a fresh temporary
// folder, removed with everything in it when the object goes away.

#include <string>

#include "platform/SystemRoot.h"

namespace stovan::test {

class TempRoot {
  public:
    explicit TempRoot(const amiga::SystemProfile& profile = {});
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    // The root folder (inside folder()).
    const std::string& root() const { return root_; }
    // The temporary folder holding the root; tests may put "outside" files here.
    const std::string& folder() const { return folder_; }
    amiga::DosList& dos() { return dos_; }
    // The host path of an Amiga path's volume folder plus rest, for checks
    // made behind the host layer's back: Host("Work", "a/b").
    std::string Host(const std::string& volume, const std::string& rest = "") const;

  private:
    std::string folder_;
    std::string root_;
    amiga::DosList dos_;
};

// Writes a host file (creating nothing else), for setting up tests.
void WriteHostFile(const std::string& path, const std::string& content);
// The content of a host file, "<missing>" when it cannot be read.
std::string ReadHostFile(const std::string& path);
bool HostExists(const std::string& path);

}  // namespace stovan::test
