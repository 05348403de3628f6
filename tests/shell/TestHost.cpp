#include "tests/shell/TestHost.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/Latin1.h"
#include "shell/Matching.h"

namespace fs = std::filesystem;

namespace amiga::test {

TestHost::TestHost() {
    std::string pattern = (fs::temp_directory_path() / "stovan-shell-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
    for (const char* volume : {"SYS", "RAM", "Work"}) {
        fs::create_directories(root_ / volume);
        volumes_[volume] = root_ / volume;
    }
    for (const char* drawer : {"SYS/C", "SYS/S", "SYS/Libs", "SYS/Prefs/Env-Archive", "RAM/T",
                               "RAM/ENV", "Work/Tools/C"}) {
        fs::create_directories(root_ / drawer);
    }
    assigns_["C"] = {"SYS:C", "Work:Tools/C"};
    assigns_["S"] = {"SYS:S"};
    assigns_["LIBS"] = {"SYS:Libs"};
    assigns_["T"] = {"RAM:T"};
    assigns_["ENV"] = {"RAM:ENV"};
    assigns_["ENVARC"] = {"SYS:Prefs/Env-Archive"};
}

TestHost::~TestHost() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

Expected<TestHost::Resolved, fault::Code> TestHost::Resolve(std::string_view path, bool mustExist,
                                                            int depth) {
    if (depth > 8) {
        return Unexpected(fault::TooManyLevels);
    }
    std::size_t colon = path.find(':');
    if (colon == std::string_view::npos) {
        return Resolve(JoinPath(current_, path), mustExist, depth + 1);
    }
    std::string device(path.substr(0, colon));
    std::string_view rest = path.substr(colon + 1);
    if (device.empty()) {
        device = current_.substr(0, current_.find(':'));
    }
    if (auto assign = assigns_.find(device); assign != assigns_.end()) {
        fault::Code last = fault::ObjectNotFound;
        for (const std::string& target : assign->second) {
            auto resolved = Resolve(JoinPath(target, rest), mustExist, depth + 1);
            if (resolved) {
                return resolved;
            }
            last = resolved.error();
            if (!mustExist) {
                break;  // new objects go to the first drawer only
            }
        }
        return Unexpected(last);
    }
    auto volume = volumes_.find(device);
    if (volume == volumes_.end()) {
        return Unexpected(fault::DeviceNotMounted);
    }
    Resolved resolved{volume->second, volume->first + ":"};
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t slash = rest.find('/', start);
        names.emplace_back(
            rest.substr(start, slash == std::string_view::npos ? slash : slash - start));
        if (slash == std::string_view::npos) {
            break;
        }
        start = slash + 1;
    }
    if (!names.empty() && names.back().empty() && names.size() > 1) {
        names.pop_back();  // "a/" is a itself
    }
    std::vector<std::pair<fs::path, std::string>> stack;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.empty()) {
            if (i == 0 && names.size() == 1) {
                break;  // "VOL:" itself
            }
            if (stack.empty()) {
                return Unexpected(fault::ObjectNotFound);
            }
            resolved.host = stack.back().first;
            resolved.amiga = stack.back().second;
            stack.pop_back();
            continue;
        }
        stack.emplace_back(resolved.host, resolved.amiga);
        fs::path next = resolved.host / name;
        bool last = i + 1 == names.size();
        if (!fs::exists(next)) {
            for (const auto& entry : fs::directory_iterator(resolved.host)) {
                if (EqualsNoCase(entry.path().filename().string(), name)) {
                    next = entry.path();
                    break;
                }
            }
        }
        if (!fs::exists(next) && (mustExist || !last)) {
            return Unexpected(last ? fault::ObjectNotFound : fault::DirNotFound);
        }
        resolved.amiga = JoinPath(resolved.amiga, next.filename().string());
        resolved.host = next;
    }
    return resolved;
}

ObjectInfo TestHost::Info(const Resolved& resolved) {
    ObjectInfo info;
    info.amigaPath = resolved.amiga;
    info.name = std::string(FilePart(resolved.amiga));
    info.hostPath = resolved.host.string();
    info.isDrawer = fs::is_directory(resolved.host);
    if (!info.isDrawer) {
        info.size = fs::file_size(resolved.host);
    }
    info.protection = protection_.count(info.hostPath) != 0 ? protection_[info.hostPath] : 0;
    info.comment = comments_.count(info.hostPath) != 0 ? comments_[info.hostPath] : "";
    struct stat status {};
    if (::stat(info.hostPath.c_str(), &status) == 0) {
        info.date = DateStampFromHostTime(status.st_mtime);
        info.hostExecutable = !info.isDrawer && (status.st_mode & S_IXUSR) != 0;
    }
    return info;
}

Expected<ObjectInfo, fault::Code> TestHost::Examine(std::string_view path) {
    auto resolved = Resolve(path, true);
    if (!resolved) {
        return Unexpected(resolved.error());
    }
    return Info(*resolved);
}

Expected<std::vector<ObjectInfo>, fault::Code> TestHost::ExamineDrawer(std::string_view path) {
    auto resolved = Resolve(path, true);
    if (!resolved) {
        return Unexpected(resolved.error());
    }
    if (!fs::is_directory(resolved->host)) {
        return Unexpected(fault::ObjectWrongType);
    }
    std::vector<ObjectInfo> entries;
    for (const auto& entry : fs::directory_iterator(resolved->host)) {
        std::string name = entry.path().filename().string();
        entries.push_back(Info({entry.path(), JoinPath(resolved->amiga, name)}));
    }
    return entries;
}

Expected<int, fault::Code> TestHost::OpenFile(std::string_view path, OpenMode mode) {
    if (EqualsNoCase(path, "NIL:")) {
        return ::open("/dev/null", O_RDWR | O_CLOEXEC);
    }
    auto resolved = Resolve(path, mode == OpenMode::OldFile);
    if (!resolved) {
        return Unexpected(resolved.error());
    }
    if (fs::is_directory(resolved->host)) {
        return Unexpected(fault::ObjectWrongType);
    }
    int flags = mode == OpenMode::OldFile   ? O_RDONLY
                : mode == OpenMode::NewFile ? O_WRONLY | O_CREAT | O_TRUNC
                                            : O_WRONLY | O_CREAT | O_APPEND;
    int fd = ::open(resolved->host.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Unexpected(fault::ObjectNotFound);
    }
    return fd;
}

DosResult TestHost::CreateDir(std::string_view path) {
    auto resolved = Resolve(path, false);
    if (!resolved) {
        return resolved.error();
    }
    if (fs::exists(resolved->host)) {
        return fault::ObjectExists;
    }
    std::error_code error;
    fs::create_directory(resolved->host, error);
    return error ? fault::DirNotFound : fault::None;
}

DosResult TestHost::DeleteObject(std::string_view path) {
    auto resolved = Resolve(path, true);
    if (!resolved) {
        return resolved.error();
    }
    if (fs::is_directory(resolved->host) && !fs::is_empty(resolved->host)) {
        return fault::DirectoryNotEmpty;
    }
    std::error_code error;
    fs::remove(resolved->host, error);
    protection_.erase(resolved->host.string());
    comments_.erase(resolved->host.string());
    return error ? fault::ObjectInUse : fault::None;
}

DosResult TestHost::Rename(std::string_view from, std::string_view to) {
    auto source = Resolve(from, true);
    if (!source) {
        return source.error();
    }
    auto target = Resolve(to, false);
    if (!target) {
        return target.error();
    }
    if (fs::exists(target->host) && !EqualsNoCase(source->host.string(), target->host.string())) {
        return fault::ObjectExists;
    }
    std::error_code error;
    fs::rename(source->host, target->host, error);
    if (error) {
        return fault::ObjectInUse;
    }
    if (auto bits = protection_.find(source->host.string()); bits != protection_.end()) {
        protection_[target->host.string()] = bits->second;
        protection_.erase(bits);
    }
    if (auto comment = comments_.find(source->host.string()); comment != comments_.end()) {
        comments_[target->host.string()] = comment->second;
        comments_.erase(comment);
    }
    return fault::None;
}

DosResult TestHost::SetProtection(std::string_view path, std::uint32_t bits) {
    auto resolved = Resolve(path, true);
    if (!resolved) {
        return resolved.error();
    }
    protection_[resolved->host.string()] = bits;
    return fault::None;
}

DosResult TestHost::SetComment(std::string_view path, std::string_view comment) {
    auto resolved = Resolve(path, true);
    if (!resolved) {
        return resolved.error();
    }
    comments_[resolved->host.string()] = std::string(comment);
    return fault::None;
}

DosResult TestHost::SetDate(std::string_view path, const DateStamp& date) {
    auto resolved = Resolve(path, true);
    if (!resolved) {
        return resolved.error();
    }
    std::error_code error;
    fs::last_write_time(resolved->host,
                        fs::file_time_type::clock::from_sys(
                            std::chrono::system_clock::from_time_t(HostTimeFromDateStamp(date))),
                        error);
    return fault::None;
}

DosResult TestHost::SetCurrentDrawer(std::string_view path) {
    auto resolved = Resolve(path, true);
    if (!resolved) {
        return resolved.error();
    }
    if (!fs::is_directory(resolved->host)) {
        return fault::ObjectWrongType;
    }
    current_ = resolved->amiga;
    return fault::None;
}

std::string TestHost::CurrentDrawerHostPath() const {
    auto self = const_cast<TestHost*>(this);
    auto resolved = self->Resolve(current_, true);
    return resolved ? resolved->host.string() : root_.string();
}

std::optional<std::string> TestHost::GetVar(std::string_view name) {
    auto resolved = Resolve("ENV:" + std::string(name), true);
    if (!resolved || fs::is_directory(resolved->host)) {
        return std::nullopt;
    }
    std::string text = ReadFile("ENV:" + std::string(name));
    std::size_t newline = text.find('\n');
    return newline == std::string::npos ? text : text.substr(0, newline);
}

DosResult TestHost::SetVar(std::string_view name, std::string_view value, bool save) {
    WriteFile("ENV:" + std::string(name), value);
    if (save) {
        WriteFile("ENVARC:" + std::string(name), value);
    }
    return fault::None;
}

DosResult TestHost::DeleteVar(std::string_view name, bool save) {
    DosResult result = DeleteObject("ENV:" + std::string(name));
    if (save) {
        (void)DeleteObject("ENVARC:" + std::string(name));
    }
    return result;
}

std::vector<AssignEntry> TestHost::Assigns() {
    std::vector<AssignEntry> entries;
    for (const auto& [name, targets] : assigns_) {
        entries.push_back({name, targets});
    }
    return entries;
}

std::vector<std::string> TestHost::Volumes() {
    std::vector<std::string> names;
    for (const auto& [name, path] : volumes_) {
        names.push_back(name);
    }
    return names;
}

DosResult TestHost::Assign(std::string_view name, const std::vector<std::string>& targets,
                           AssignMode mode) {
    std::vector<std::string>& list = assigns_[std::string(name)];
    switch (mode) {
        case AssignMode::Replace:
            list = targets;
            break;
        case AssignMode::Add:
            list.insert(list.end(), targets.begin(), targets.end());
            break;
        case AssignMode::Prepend:
            list.insert(list.begin(), targets.begin(), targets.end());
            break;
        case AssignMode::Remove:
            for (const std::string& target : targets) {
                std::erase_if(list, [&](const std::string& t) { return EqualsNoCase(t, target); });
            }
            break;
    }
    if (list.empty()) {
        assigns_.erase(std::string(name));
    }
    return fault::None;
}

std::vector<std::string> TestHost::CommandDrawers() {
    auto found = assigns_.find("C");
    return found == assigns_.end() ? std::vector<std::string>() : found->second;
}

fs::path TestHost::HostPath(std::string_view amigaPath) {
    auto resolved = Resolve(amigaPath, false);
    return resolved ? resolved->host : fs::path();
}

void TestHost::EnsureDrawer(std::string_view path) {
    if (path.empty() || path.back() == ':' || Exists(path)) {
        return;
    }
    EnsureDrawer(PathPart(path));
    (void)CreateDir(path);
}

void TestHost::WriteFile(std::string_view amigaPath, std::string_view content) {
    EnsureDrawer(PathPart(amigaPath));
    std::ofstream(HostPath(amigaPath), std::ios::binary) << content;
}

std::string TestHost::ReadFile(std::string_view amigaPath) {
    auto resolved = Resolve(amigaPath, true);
    if (!resolved) {
        return {};
    }
    std::ifstream in(resolved->host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool TestHost::Exists(std::string_view amigaPath) {
    return Resolve(amigaPath, true).ok();
}

std::uint32_t TestHost::Protection(std::string_view amigaPath) {
    auto info = Examine(amigaPath);
    return info ? info->protection : 0xFFFFFFFFu;
}

std::string TestHost::Comment(std::string_view amigaPath) {
    auto info = Examine(amigaPath);
    return info ? info->comment : std::string();
}

}  // namespace amiga::test
