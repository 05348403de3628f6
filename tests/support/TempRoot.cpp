#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

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

}  // namespace stovan::test
