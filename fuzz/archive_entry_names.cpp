// Fuzzes the checks on the names a downloaded archive gives its entries:
// whatever they accept must stay inside the target drawer. The input is an
// entry name, then after a NUL byte a link target.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/EntryNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string name = input.substr(0, split);
    const std::string target = split == std::string::npos ? std::string() : input.substr(split + 1);

    auto components = stovan::archive::SplitEntryName(name);
    if (!components.ok()) {
        return 0;
    }
    for (const std::string& part : *components) {
        if (part.empty() || part == "." || part == ".." ||
            part.find_first_of("/:") != std::string::npos) {
            std::abort();
        }
    }
    if (!stovan::archive::LinkStaysInside(*components, target)) {
        return 0;
    }
    // An accepted link, resolved by the standard library's own rules, stays
    // below the drawer.
    std::filesystem::path place("drawer");
    for (std::size_t i = 0; i + 1 < components->size(); ++i) {
        place /= (*components)[i];
    }
    const std::filesystem::path resolved = (place / target).lexically_normal();
    if (resolved.is_absolute() || resolved.empty() || *resolved.begin() != "drawer" ||
        target.find(':') != std::string::npos) {
        std::abort();
    }
    return 0;
}
