#include "archive/EntryNames.h"

#include <algorithm>

// Names are judged as text only: whatever is already on disk is the
// extraction's concern (it never follows a link while walking a path).

namespace stovan::archive {

Expected<std::vector<std::string>, ArchiveError> SplitEntryName(const std::string& name) {
    auto refuse = [&name](const std::string& why) {
        return Unexpected{
            Error(ArchiveError::Kind::UnsafeEntry, "Refusing \"" + name + "\": " + why + ".")};
    };
    if (name.empty()) {
        return refuse("the entry has no name");
    }
    if (name.front() == '/') {
        return refuse("absolute name");
    }
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string::npos) {
            slash = name.size();
        }
        std::string part = name.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            return refuse("it climbs out of the target drawer with \"..\"");
        }
        if (part.find(':') != std::string::npos) {
            return refuse("it names a device or volume");
        }
        components.push_back(std::move(part));
    }
    return components;
}

bool LinkStaysInside(const std::vector<std::string>& at, const std::string& target) {
    if (at.empty()) {
        return false;  // a link cannot be the target drawer itself
    }
    if (target.empty() || target.front() == '/' || target.find(':') != std::string::npos) {
        return false;
    }
    std::vector<std::string> stack(at.begin(), at.end() - 1);
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t slash = target.find('/', start);
        if (slash == std::string::npos) {
            slash = target.size();
        }
        const std::string part = target.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (stack.empty()) {
                return false;
            }
            stack.pop_back();
        } else {
            stack.push_back(part);
        }
    }
    // A link to a drawer that holds it (the target drawer included) makes a
    // loop: every walk that follows it comes back to where it started.
    const std::size_t parents = at.size() - 1;
    if (stack.size() <= parents && std::equal(stack.begin(), stack.end(), at.begin())) {
        return false;
    }
    // An entry below a drawer of the archive stays inside that drawer: a
    // link from "App/up" to a neighbour of "App" would let an uninstall that
    // removes "App" reach into the neighbour.
    return parents == 0 || stack.front() == at.front();
}

std::string JoinComponents(const std::vector<std::string>& components, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) {
            path += '/';
        }
        path += components[i];
    }
    return path;
}

}  // namespace stovan::archive
