#pragma once
// A throw-away system root for tests: a default root in a fresh temporary
// folder, removed with everything in it when the object goes away.

#include <string>
#include <string_view>

#include "platform/SystemRoot.h"
#include "tests/support/TempFolder.h"

namespace stovan::test {

class TempRoot {
  public:
    explicit TempRoot(const amiga::SystemProfile& profile = {});
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    // The root folder (inside folder()).
    const std::string& root() const { return root_; }
    // The temporary folder holding the root; tests may put "outside" files here.
    const std::string& folder() const { return folder_.path(); }
    amiga::DosList& dos() { return dos_; }
    // The host path of an Amiga path's volume folder plus rest, for checks
    // made behind the host layer's back: Host("Work", "a/b").
    std::string Host(const std::string& volume, const std::string& rest = "") const;

  private:
    TempFolder folder_{"stovan-root"};
    std::string root_;
    amiga::DosList dos_;
};

// Writes a file at an Amiga path, making the drawers on its way; a failure
// fails the test that called it.
void WriteAmigaFile(const amiga::DosList& dos, std::string_view amigaPath, std::string_view text);
// The content of a file at an Amiga path, "<missing>" when it cannot be read.
std::string ReadAmigaFile(const amiga::DosList& dos, std::string_view amigaPath);

}  // namespace stovan::test
