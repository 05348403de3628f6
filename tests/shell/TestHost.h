#pragma once
// The shell's real host (PlatformHost) on a throw-away default root: SYS:,
// Work: and RAM: are folders of a temporary directory, protection bits and
// comments live in ".uaem" sidecars, and C: lists SYS:C and Work:Tools/C so
// that the command search over a multi-directory assign is exercised.

#include <string>

#include "shell/PlatformHost.h"
#include "tests/support/TempRoot.h"

namespace amiga::test {

// Holds the root so that it exists before the host that works on it.
struct RootHolder {
    stovan::test::TempRoot temp;
};

class TestHost : private RootHolder, public PlatformHost {
  public:
    TestHost();

    const std::string& root() const { return temp.root(); }
    // Host path of an Amiga path (for checks); its drawer must exist.
    std::string HostPath(std::string_view amigaPath);
    // Creates a drawer and the drawers on the way.
    void EnsureDrawer(std::string_view amigaPath);
    // Writes a file (drawers on the way are created).
    void WriteFile(std::string_view amigaPath, std::string_view content);
    std::string ReadFile(std::string_view amigaPath);
    bool Exists(std::string_view amigaPath);
    std::uint32_t Protection(std::string_view amigaPath);
    std::string Comment(std::string_view amigaPath);
};

}  // namespace amiga::test
