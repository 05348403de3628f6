#include "platform/ProgramRestart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace amiga {

namespace {

constexpr const char* kSelf = "/proc/self/exe";
constexpr std::string_view kDeletedSuffix = " (deleted)";

}  // namespace

Expected<std::vector<std::string>, DosError> ProcessArguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    if (!file) {
        return Unexpected{ERROR_OBJECT_NOT_FOUND};
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) {
            arguments.push_back(bytes.substr(start));
            break;
        }
        arguments.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (arguments.empty()) {
        return Unexpected{ERROR_OBJECT_NOT_FOUND};
    }
    return arguments;
}

std::string RestartProgramPath() {
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(kSelf, target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
        return kSelf;
    }
    target.resize(static_cast<std::size_t>(length));
    if (target.size() > kDeletedSuffix.size() && target.ends_with(kDeletedSuffix)) {
        // Replaced while running: the new file at the old path is the program now.
        target.resize(target.size() - kDeletedSuffix.size());
        struct stat info {};
        if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(target.c_str(), X_OK) == 0) {
            return target;
        }
        return kSelf;
    }
    return kSelf;
}

DosError RestartProgram() {
    auto arguments = ProcessArguments();
    if (!arguments) {
        return arguments.error();
    }
    std::vector<char*> argv;
    argv.reserve(arguments->size() + 1);
    for (std::string& argument : *arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const std::string program = RestartProgramPath();
    ::execv(program.c_str(), argv.data());
    return DosErrorFromErrno(errno);
}

}  // namespace amiga
