#include "commands/VersionCompare.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "platform/ChildProcess.h"
#include "platform/DosFiles.h"
#include "platform/FileDescriptor.h"
#include "platform/HostFiles.h"
#include "platform/Latin1.h"
#include "platform/ReadArgs.h"
#include "platform/StrToLong.h"

extern char** environ;

namespace stovan::commands {

using amiga::DosError;
using amiga::DosStatus;

std::string_view CompareErrorText(CompareError error) {
    switch (error) {
        case CompareError::NoMemory:
            return kNoMemoryText;
        case CompareError::NoPort:
            return kNoPortText;
        case CompareError::NoDrawer:
            return "Failed to enter drawer!";
        case CompareError::NoVersion:
            return "Version not found!";
        case CompareError::None:
        case CompareError::Command:
            break;
    }
    return {};
}

// --- Reading the version line -------------------------------------------------

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number of at most `width` digits as the date parser reads it: a
// non-digit before the width is reached must be `separator` (consumed).
bool ReadDateNumber(std::string_view text, std::size_t& pos, int width, char separator,
                    bool separatorFollows, std::int64_t& value) {
    if (pos >= text.size() || !IsDigit(text[pos])) {
        return false;
    }
    value = 0;
    int digits = 0;
    while (digits < width && pos < text.size() && IsDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digits < width && pos < text.size()) {
        if (!separatorFollows || text[pos] != separator) {
            return false;
        }
        ++pos;  // consumed with the format's own separator
        return true;
    }
    if (separatorFollows) {
        if (pos >= text.size() || text[pos] != separator) {
            return false;
        }
        ++pos;
    }
    return true;
}

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsLeapYear(std::int64_t year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

}  // namespace

bool ParseVersionStringDate(std::string_view text, amiga::DateStamp& date) {
    std::size_t pos = 0;
    std::int64_t day = 0;
    std::int64_t month = 0;
    std::int64_t year = 0;
    if (!ReadDateNumber(text, pos, 2, '.', true, day) || day == 0 || day - 1 > 31) {
        return false;
    }
    if (!ReadDateNumber(text, pos, 2, '.', true, month) || month < 1 || month > 12) {
        return false;
    }
    if (!ReadDateNumber(text, pos, 4, '\0', false, year) || pos != text.size()) {
        return false;
    }
    if (year < 78) {
        year += 100;
    }
    if (year < 1900) {
        year += 1900;
    }
    if (year < 1978) {
        return false;
    }
    int length = kMonthLength[month - 1];
    if (month == 2 && IsLeapYear(year)) {
        length = 29;
    }
    if (day - 1 >= length) {
        return false;
    }
    const std::int64_t y = year - 1;
    std::int64_t days = kDaysBeforeMonth[month - 1] + y / 4 - y / 100 + y / 400 - 479 +
                        (year - 1978) * 365 + (day - 1);
    if (IsLeapYear(year) && month > 2) {
        ++days;
    }
    date = amiga::DateStamp{static_cast<std::int32_t>(days), 0, 0};
    return true;
}

std::optional<FileVersion> ParseVersionOutput(std::string_view output) {
    const std::string_view line = output.substr(0, output.find('\n'));
    std::size_t start = std::string_view::npos;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const char c = line[i];
        if ((c == ' ' || c == 'v' || c == 'V') && IsDigit(line[i + 1])) {
            start = i + 1;
            break;
        }
    }
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    FileVersion result;
    std::int32_t number = 0;
    std::size_t pos =
        start + static_cast<std::size_t>(amiga::StrToLong(line.substr(start), number));
    result.version = static_cast<std::uint32_t>(number);
    if (pos >= line.size() || line[pos] != '.') {
        return result;
    }
    const int used = amiga::StrToLong(line.substr(pos + 1), number);
    if (used < 0) {
        return result;
    }
    result.revision = static_cast<std::uint32_t>(number);
    pos += 1 + static_cast<std::size_t>(used);
    const std::size_t revisionEnd = pos;
    if (pos < line.size() && line[pos] == '.') {
        const int buildUsed = amiga::StrToLong(line.substr(pos + 1), number);
        if (buildUsed >= 0) {
            result.build = static_cast<std::uint32_t>(number);
        }
    }
    // The date: "(...)" from one character after the revision on.
    const std::size_t open = line.find('(', revisionEnd + 1);
    if (open == std::string_view::npos) {
        return result;
    }
    const std::size_t close = line.find(')', open + 1);
    if (close == std::string_view::npos) {
        return result;
    }
    std::string text(line.substr(open + 1, std::min<std::size_t>(close - open - 1, 19)));
    for (char& c : text) {
        if (!IsDigit(c)) {
            c = '.';
        }
    }
    ParseVersionStringDate(text, result.date);
    return result;
}

int CompareFileVersions(const FileVersion& a, const FileVersion& b) {
    const auto tripleA = std::tie(a.version, a.revision, a.build);
    const auto tripleB = std::tie(b.version, b.revision, b.build);
    if (tripleA < tripleB) {
        return RETURN_WARN;
    }
    if (tripleA == tripleB && amiga::CompareDates(a.date, b.date) > 0) {
        return RETURN_WARN;
    }
    return RETURN_OK;
}

// --- Running the Version command ------------------------------------------------

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string OwnFolder() {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    std::string path(buffer.data(), static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/'));
}

constexpr std::size_t kMaxVersionFileSize = std::size_t{256} << 20;
constexpr std::size_t kMaxVersionStringLength = 255;

// The shell's Version command for the one line this program runs, used
// when no shell program is there: prints the "$VER:" string of NAME.
DosStatus BuiltInVersion(const CommandContext& context, std::string_view line,
                         const std::string& outputPath) {
    constexpr std::string_view kCommandWord = "Version ";
    if (line.size() < kCommandWord.size() ||
        !amiga::EqualsNoCase(line.substr(0, kCommandWord.size()), kCommandWord)) {
        return amiga::ERROR_OBJECT_NOT_FOUND;
    }
    line.remove_prefix(kCommandWord.size());
    constexpr std::string_view kNoErrors = " *>NIL:";
    if (line.ends_with(kNoErrors)) {
        line.remove_suffix(kNoErrors.size());
    }
    auto versionTemplate =
        amiga::ParseTemplate("NAME,VERSION/N,REVISION/N,UNIT/N,FILE/S,INTERNAL/S,RES/S,FULL/S");
    if (!versionTemplate) {
        return versionTemplate.error();
    }
    auto arguments = amiga::ReadArgs(*versionTemplate, line);
    std::string output;
    if (arguments && arguments->Present("NAME")) {
        auto data = amiga::ReadFile(context.dos, arguments->Text("NAME"), context.drawer());
        if (data && data->size() <= kMaxVersionFileSize) {
            const std::size_t marker = data->find("$VER:");
            if (marker != std::string::npos) {
                std::size_t pos = marker + 5;
                while (pos < data->size() && ((*data)[pos] == ' ' || (*data)[pos] == '\t')) {
                    ++pos;
                }
                std::size_t end = pos;
                while (end < data->size() && end - pos < kMaxVersionStringLength &&
                       (*data)[end] != '\0' && (*data)[end] != '\n' && (*data)[end] != '\r') {
                    ++end;
                }
                output = data->substr(pos, end - pos) + "\n";
            }
        }
    }
    return amiga::HostWriteFileAtomic(outputPath, output);
}

constexpr auto kShellDeadline = std::chrono::minutes(2);

}  // namespace

std::string FindShellProgram() {
    if (const char* configured = std::getenv("STOVAN_SHELL");
        configured != nullptr && *configured != '\0') {
        return IsExecutableFile(configured) ? std::string(configured) : std::string();
    }
    if (const std::string beside = OwnFolder() + "/stovan-shell"; IsExecutableFile(beside)) {
        return beside;
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        if (!folder.empty()) {
            const std::string candidate = std::string(folder) + "/stovan-shell";
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    }
    return {};
}

DosStatus RunShellCommand(const CommandContext& context, const std::string& commandLine,
                          const std::string& outputPath) {
    const std::string shell = FindShellProgram();
    if (shell.empty()) {
        return BuiltInVersion(context, commandLine, outputPath);
    }
    // The child's environment: ours without the argument line meant for
    // this program, with the root's current assigns.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string_view text(*entry);
        if (text.starts_with("STOVAN_SHELL_ARGUMENTS=") || text.starts_with("STOVAN_ROOT=") ||
            text.starts_with("STOVAN_ASSIGNS=")) {
            continue;
        }
        environment.emplace_back(text);
    }
    for (const auto& [name, value] : context.dos.ChildEnvironment()) {
        environment.push_back(name + "=" + value);
    }
    amiga::FileDescriptor output(::open(outputPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!output.valid()) {
        return amiga::DosErrorFromErrno(errno);
    }
    amiga::SpawnRequest request;
    request.program = shell;
    request.argv = {shell, "-c", commandLine};
    request.environment = std::move(environment);
    request.cleanEnvironment = true;
    request.in = -1;  // /dev/null
    request.out = output.get();
    request.err = -1;
    if (context.currentDrawer) {
        request.workingDirectory = context.currentDrawer->hostPath;
    }
    auto child = amiga::Child::Spawn(request);
    if (!child) {
        return child.error();
    }
    // A shell that hangs must not hold the install script for ever.
    if (!child->WaitFor(kShellDeadline)) {
        child->Signal(SIGKILL);
        child->Wait();
    }
    return DosStatus::Ok();  // whatever it printed is read
}

VersionResult ReadFileVersion(const CommandContext& context, std::string_view path,
                              const ShellRunner& runner) {
    VersionResult result;
    // The shell may start in another drawer: give it the full name.
    std::string name(path);
    if (auto absolute = AbsoluteAmigaPath(context, path)) {
        name = *absolute;
    }
    const std::string commandLine =
        "Version FULL NAME " + amiga::QuoteArgument(name, true) + " FILE *>NIL:";
    // The temporary file: "T:dosgetversion%08lx.tmp", unique among the
    // commands that run at the same time.
    std::string outputPath;
    int descriptor = -1;
    DosError lastError = 0;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 32 && descriptor < 0; ++attempt) {
        char temporaryName[32];
        std::snprintf(
            temporaryName, sizeof temporaryName, "T:dosgetversion%08lx.tmp",
            static_cast<unsigned long>(
                (static_cast<unsigned>(::getpid()) * 2654435761u + counter++) & 0xFFFFFFFFu));
        auto object = amiga::LockForCreate(context.dos, temporaryName);
        if (!object) {
            lastError = object.error();
            break;
        }
        outputPath = object->hostPath();
        descriptor = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            lastError = amiga::DosErrorFromErrno(errno);
            if (errno != EEXIST) {
                break;
            }
        }
    }
    if (descriptor < 0) {
        result.error = CompareError::Command;
        result.code = lastError != 0 ? lastError : amiga::ERROR_OBJECT_EXISTS;
        return result;
    }
    ::close(descriptor);
    const DosStatus ran = runner(context, commandLine, outputPath);
    std::string output;
    if (ran) {
        auto text = amiga::HostReadFile(outputPath, std::size_t{1} << 20);
        if (text) {
            output = std::move(*text);
        }
    }
    (void)amiga::HostRemoveFile(outputPath);  // read already: only clutter if it stays
    if (!ran) {
        result.error = CompareError::Command;
        result.code = ran.error();
        return result;
    }
    auto version = ParseVersionOutput(output);
    if (!version) {
        result.error = CompareError::NoVersion;
        return result;
    }
    result.version = *version;
    return result;
}

int RunSVersionCompare(const CommandContext& context, const ShellRunner& runner) {
    if (!StovanIsRunning(context)) {
        PrintMessage(context, kNoPortText);
        return RETURN_FAIL;
    }
    auto arguments = ReadCommandArgs(context, kVersionCompareTemplate);
    if (!arguments) {
        return RETURN_FAIL;
    }
    // A first file whose version cannot be read counts as older.
    const VersionResult first = ReadFileVersion(context, arguments->Text("NAME1"), runner);
    if (first.error != CompareError::None) {
        return RETURN_WARN;
    }
    const VersionResult second = ReadFileVersion(context, arguments->Text("NAME2"), runner);
    if (second.error == CompareError::Command) {
        PrintCommandFault(context, second.code);
        return RETURN_FAIL;
    }
    if (second.error != CompareError::None) {
        PrintMessage(context, CompareErrorText(second.error));
        return RETURN_FAIL;
    }
    return CompareFileVersions(first.version, second.version);
}

int RunSVersionCompareMain(const CommandContext& context) {
    return RunSVersionCompare(context, RunShellCommand);
}

}  // namespace stovan::commands
