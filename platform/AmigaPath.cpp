#include "platform/AmigaPath.h"

#include "platform/Latin1.h"

namespace amiga {

bool IsValidName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..") {
        return false;
    }
    if (name.find_first_of(std::string_view("/:\0", 3)) != std::string_view::npos) {
        return false;
    }
    // A host name ending in ".uaem" is a sidecar; an Amiga name like that
    // could be mistaken for the metadata of its neighbour.
    return !EndsWithNoCase(name, ".uaem");
}

Expected<ParsedPath, DosError> ParsePath(std::string_view path) {
    if (path.size() > kMaxPathLength) {
        return Unexpected{ERROR_LINE_TOO_LONG};
    }
    if (path.find('\0') != std::string_view::npos) {
        return Unexpected{ERROR_INVALID_COMPONENT_NAME};
    }
    ParsedPath parsed;
    const std::size_t colon = path.find(':');
    std::string_view rest = path;
    if (colon == 0) {
        parsed.start = PathStart::VolumeRoot;
        rest = path.substr(1);
    } else if (colon != std::string_view::npos) {
        parsed.start = PathStart::Device;
        parsed.device = std::string(path.substr(0, colon));
        rest = path.substr(colon + 1);
    }
    if (rest.find(':') != std::string_view::npos) {
        return Unexpected{ERROR_INVALID_COMPONENT_NAME};
    }
    // A "/" where a name would start is a parent step; a "/" after a name
    // only separates ("a/" is a itself, "a//" its parent).
    std::size_t i = 0;
    while (i < rest.size()) {
        PathStep step;
        if (rest[i] == '/') {
            step.parent = true;
            ++i;
        } else {
            std::size_t slash = rest.find('/', i);
            if (slash == std::string_view::npos) {
                slash = rest.size();
            }
            const std::string_view name = rest.substr(i, slash - i);
            if (!IsValidName(name)) {
                return Unexpected{ERROR_INVALID_COMPONENT_NAME};
            }
            step.name = std::string(name);
            i = slash < rest.size() ? slash + 1 : slash;
        }
        parsed.steps.push_back(std::move(step));
    }
    return parsed;
}

bool AddPart(std::string& dir, std::string_view name, std::size_t bufferSize) {
    std::string result;
    const std::size_t nameColon = name.find(':');
    if (nameColon != std::string_view::npos && nameColon > 0) {
        result = std::string(name);
    } else if (nameColon == 0) {
        const std::size_t dirColon = dir.find(':');
        if (dirColon == std::string::npos) {
            result = std::string(name);
        } else {
            result = dir.substr(0, dirColon);
            result += name;
        }
    } else {
        result = dir;
        if (!result.empty() && result.back() != ':' && result.back() != '/') {
            result += '/';
        }
        result += name;
    }
    if (result.size() + 1 > bufferSize) {
        return false;
    }
    dir = std::move(result);
    return true;
}

std::string_view FilePart(std::string_view path) {
    const std::size_t last = path.find_last_of("/:");
    return last == std::string_view::npos ? path : path.substr(last + 1);
}

std::string_view PathPart(std::string_view path) {
    std::size_t start = 0;
    while (start < path.size() && path[start] == '/') {
        ++start;  // leading "/"s are parent steps and belong to the path
    }
    std::size_t end = start;
    for (std::size_t i = start; i < path.size(); ++i) {
        if (path[i] == '/') {
            end = i;
        } else if (path[i] == ':') {
            end = i + 1;
        }
    }
    return path.substr(0, end);
}

}  // namespace amiga
