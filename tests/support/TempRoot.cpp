#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"

namespace stovan::test {

TempRoot::TempRoot(const amiga::SystemProfile& profile) {
    if (folder_.path().empty()) {
        return;
    }
    root_ = folder_.path() + "/root";
    auto dos = amiga::CreateDefaultRoot(root_, profile);
    if (!dos) {
        ADD_FAILURE() << dos.error();
        return;
    }
    dos_ = std::move(*dos);
}

std::string TempRoot::Host(const std::string& volume, const std::string& rest) const {
    std::string path = root_ + "/" + volume;
    if (!rest.empty()) {
        path += "/" + rest;
    }
    return path;
}

void WriteAmigaFile(const amiga::DosList& dos, std::string_view amigaPath, std::string_view text) {
    EXPECT_TRUE(amiga::CreateDrawerPath(dos, amiga::PathPart(amigaPath)).ok()) << amigaPath;
    EXPECT_TRUE(amiga::WriteFile(dos, amigaPath, text).ok()) << amigaPath;
}

std::string ReadAmigaFile(const amiga::DosList& dos, std::string_view amigaPath) {
    auto text = amiga::ReadFile(dos, amigaPath);
    return text ? *text : std::string("<missing>");
}

}  // namespace stovan::test
