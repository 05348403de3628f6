#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace stovan::test {

TempRoot::TempRoot(const amiga::SystemProfile& profile) {
    std::string pattern = (std::filesystem::temp_directory_path() / "stovan-root-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    folder_ = pattern;
    root_ = folder_ + "/root";
    auto dos = amiga::CreateDefaultRoot(root_, profile);
    if (!dos) {
        ADD_FAILURE() << dos.error();
        return;
    }
    dos_ = std::move(*dos);
}

TempRoot::~TempRoot() {
    if (!folder_.empty()) {
        std::error_code error;
        // Make read-only test drawers removable again.
        for (auto it = std::filesystem::recursive_directory_iterator(folder_, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (!it->is_symlink() && it->is_directory()) {
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, error);
            }
        }
        std::filesystem::remove_all(folder_, error);
    }
}

std::string TempRoot::Host(const std::string& volume, const std::string& rest) const {
    std::string path = root_ + "/" + volume;
    if (!rest.empty()) {
        path += "/" + rest;
    }
    return path;
}

void WriteHostFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "<missing>";
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool HostExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() !=
           std::filesystem::file_type::not_found;
}

}  // namespace stovan::test
