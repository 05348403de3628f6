#include "shell/Shell.h"

#include <unistd.h>

#include "shell/Args.h"
#include "shell/Backticks.h"
#include "shell/Break.h"
#include "shell/ChildProcess.h"
#include "shell/Command.h"
#include "shell/DotCommands.h"
#include "shell/Redirection.h"
#include "shell/Variables.h"

namespace amiga {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// AddPart for a drawer and a name (the name is never absolute here).
std::string JoinPath(std::string_view drawer, std::string_view name) {
    std::string path(drawer);
    if (!path.empty() && path.back() != ':' && path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

// Keeps the shell's depth counter balanced on every way out.
class NestingGuard {
  public:
    explicit NestingGuard(int& counter) : counter_(counter) { ++counter_; }
    ~NestingGuard() { --counter_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

  private:
    int& counter_;
};

}  // namespace

Shell::Shell(ShellHost& host, Streams io) : host_(host), io_(io) {
    SetLocal("process", ProcessNumber());
    SetLocal("RC", "0");
    SetLocal("Result2", "0");
}

std::string Shell::ProcessNumber() const {
    return std::to_string(static_cast<long>(::getpid()));
}

std::optional<std::string> Shell::GetLocal(std::string_view name) const {
    auto found = locals_.find(name);
    if (found == locals_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void Shell::SetLocal(std::string_view name, std::string_view value) {
    auto found = locals_.find(name);
    if (found != locals_.end()) {
        found->second = std::string(value);
    } else {
        locals_.emplace(std::string(name), std::string(value));
    }
}

bool Shell::UnsetLocal(std::string_view name) {
    auto found = locals_.find(name);
    if (found == locals_.end()) {
        return false;
    }
    locals_.erase(found);
    return true;
}

std::optional<std::string> Shell::LookupVariable(std::string_view name) {
    if (auto local = GetLocal(name)) {
        return local;
    }
    return host_.GetVar(name);
}

void Shell::RequestQuit(int rc) {
    quit_ = true;
    quitRc_ = rc;
}

void Shell::SetReturnCode(int rc, fault::Code result2) {
    lastRc_ = rc;
    result2_ = result2;
    SetLocal("RC", std::to_string(rc));
    SetLocal("Result2", std::to_string(result2));
}

bool Shell::EchoEnabled() const {
    auto echo = GetLocal("echo");
    return echo && StartsWithNoCase(*echo, "on");
}

int Shell::RunLine(std::string_view line) {
    return RunLine(line, io_);
}

int Shell::RunLine(std::string_view rawLine, Streams io) {
    if (nesting_ >= kMaxNesting) {
        WriteAll(io.err, fault::FormatFault(fault::TooManyLevels, "Shell"));
        SetReturnCode(RETURN_FAIL, fault::TooManyLevels);
        return lastRc_;
    }
    NestingGuard guard(nesting_);
    if (rawLine.size() > kMaxLineLength) {
        WriteAll(io.err, fault::FormatFault(fault::LineTooLong, "Shell"));
        SetReturnCode(RETURN_FAIL, fault::LineTooLong);
        return lastRc_;
    }
    std::string line = StripComment(rawLine);
    if (Trim(line).empty()) {
        return lastRc_;
    }

    auto substituted = SubstituteVariables(
        line, [this](std::string_view name) { return LookupVariable(name); }, kMaxLineLength);
    if (!substituted) {
        WriteAll(io.err, fault::FormatFault(substituted.error(), "Shell"));
        SetReturnCode(RETURN_FAIL, substituted.error());
        return lastRc_;
    }
    auto expanded = SubstituteBackticks(
        *substituted, [this, io](std::string_view command) { return Capture(command, io); },
        kMaxLineLength);
    if (!expanded) {
        WriteAll(io.err, fault::FormatFault(expanded.error(), "Shell"));
        SetReturnCode(RETURN_FAIL, expanded.error());
        return lastRc_;
    }
    auto redirections = ExtractRedirections(*expanded);
    if (!redirections) {
        WriteAll(io.err, fault::FormatFault(redirections.error(), "Shell"));
        SetReturnCode(RETURN_FAIL, redirections.error());
        return lastRc_;
    }
    if (EchoEnabled()) {
        WriteAll(io.out, std::string(Trim(*expanded)) + "\n");
    }
    auto command = SplitCommand(redirections->line);
    if (!command) {
        return lastRc_;
    }

    // Open the redirections; a file that cannot be opened stops the command.
    Streams streams = io;
    FileDescriptor input, output, error;
    struct Target {
        const std::optional<RedirectTarget>& target;
        FileDescriptor& holder;
        int& slot;
        bool reading;
    };
    Target targets[] = {{redirections->input, input, streams.in, true},
                        {redirections->output, output, streams.out, false},
                        {redirections->error, error, streams.err, false}};
    for (Target& target : targets) {
        if (!target.target) {
            continue;
        }
        const RedirectTarget& where = *target.target;
        if (where.path == "*") {
            continue;  // the console: the stream stays as it is
        }
        OpenMode mode = target.reading ? OpenMode::OldFile
                        : where.append ? OpenMode::Append
                                       : OpenMode::NewFile;
        auto opened = host_.OpenFile(where.path, mode);
        if (!opened) {
            WriteAll(io.err, fault::FormatFault(opened.error(), command->name));
            SetReturnCode(RETURN_FAIL, opened.error());
            return lastRc_;
        }
        target.holder = FileDescriptor(*opened);
        target.slot = target.holder.get();
    }

    int rc = RunCommand(command->name, command->arguments, streams);
    (void)rc;
    return lastRc_;
}

int Shell::RunCommand(std::string_view name, std::string_view arguments, Streams io) {
    fault::Code result2 = fault::None;
    int rc = RETURN_OK;
    const CommandSpec* builtin = nullptr;
    if (name.find(':') == std::string_view::npos && name.find('/') == std::string_view::npos) {
        builtin = FindBuiltin(name);
    }
    if (builtin != nullptr) {
        CommandContext context{*this, host_, std::string(name), std::string(arguments), {}, io};
        if (builtin->argumentTemplate != nullptr) {
            auto parsed = ParseArgs(builtin->argumentTemplate, arguments);
            if (!parsed) {
                WriteAll(io.err, fault::FormatFault(parsed.error(), name));
                SetReturnCode(RETURN_FAIL, parsed.error());
                return lastRc_;
            }
            context.args = std::move(parsed.value());
        }
        rc = builtin->run(context);
        result2 = context.result2;
        SetReturnCode(rc, result2);
        return rc;
    }

    // The command search: a name with a path is taken as given; otherwise
    // every drawer of C: in turn, then the current drawer.
    std::optional<ObjectInfo> found;
    if (name.find(':') != std::string_view::npos || name.find('/') != std::string_view::npos) {
        if (auto info = host_.Examine(name)) {
            found = std::move(info.value());
        }
    } else {
        for (const std::string& drawer : host_.CommandDrawers()) {
            auto info = host_.Examine(JoinPath(drawer, name));
            if (info && !info->isDrawer) {
                found = std::move(info.value());
                break;
            }
        }
        if (!found) {
            if (auto info = host_.Examine(name)) {
                found = std::move(info.value());
            }
        }
    }
    if (!found) {
        WriteAll(io.err, std::string(name) + ": Unknown command\n");
        SetReturnCode(RETURN_FAIL, fault::ObjectNotFound);
        return lastRc_;
    }
    if (found->isDrawer) {
        // A drawer typed as a command becomes the current drawer, as the
        // AmigaDOS shell does.
        if (!Trim(arguments).empty()) {
            WriteAll(io.err,
                     std::string(name) + ": " + fault::FaultText(fault::ObjectWrongType) + "\n");
            SetReturnCode(RETURN_FAIL, fault::ObjectWrongType);
            return lastRc_;
        }
        fault::Code error = host_.SetCurrentDrawer(found->amigaPath);
        SetReturnCode(error == fault::None ? RETURN_OK : RETURN_ERROR, error);
        return lastRc_;
    }
    if ((found->protection & FIBF_SCRIPT) != 0) {
        rc = ExecuteFile(found->amigaPath, arguments, io);
        SetReturnCode(rc, result2_);
        return rc;
    }
    if (!found->hostExecutable) {
        WriteAll(io.err, fault::FormatFault(fault::FileNotObject, name));
        SetReturnCode(RETURN_FAIL, fault::FileNotObject);
        return lastRc_;
    }
    rc = RunExternal(*found, name, arguments, io, result2);
    SetReturnCode(rc, result2);
    return rc;
}

int Shell::RunExternal(const ObjectInfo& program, std::string_view name, std::string_view arguments,
                       Streams io, fault::Code& result2) {
    ChildRequest request;
    request.hostPath = program.hostPath;
    request.argv.emplace_back(name);
    std::size_t pos = 0;
    for (;;) {
        auto item = ReadItem(arguments, pos);
        if (!item) {
            WriteAll(io.err, fault::FormatFault(item.error(), name));
            result2 = item.error();
            return RETURN_FAIL;
        }
        if (item->kind == LineItem::Kind::End) {
            break;
        }
        request.argv.push_back(item->kind == LineItem::Kind::Equal ? std::string("=") : item->text);
    }
    request.environment = host_.ChildEnvironment();
    request.environment.push_back("STOVAN_SHELL_ARGUMENTS=" + std::string(arguments));
    request.workingDirectory = host_.CurrentDrawerHostPath();
    request.io = io;
    int rc = RunChild(request, result2);
    if (result2 == fault::NotExecutable || result2 == fault::ObjectNotFound) {
        WriteAll(io.err, fault::FormatFault(result2, name));
    }
    return rc;
}

std::string Shell::Capture(std::string_view line, Streams io) {
    FileDescriptor capture = CreateCaptureFile();
    if (!capture.valid()) {
        return {};
    }
    // The embedded command runs as in a sub-shell: it does not change the
    // return code the script sees.
    int savedRc = lastRc_;
    fault::Code savedResult2 = result2_;
    Streams streams{io.in, capture.get(), io.err};
    RunLine(line, streams);
    SetReturnCode(savedRc, savedResult2);
    return ReadCaptureFile(capture.get(), kMaxLineLength);
}

int Shell::ExecuteFile(std::string_view path, std::string_view arguments, Streams io) {
    auto info = host_.Examine(path);
    std::string scriptPath(path);
    if (!info && path.find(':') == std::string_view::npos) {
        scriptPath = "S:" + std::string(path);
        info = host_.Examine(scriptPath);
    }
    if (!info) {
        WriteAll(io.err, fault::FormatFault(info.error(), "Execute"));
        SetReturnCode(RETURN_FAIL, info.error());
        return lastRc_;
    }
    if (info->isDrawer) {
        WriteAll(io.err, fault::FormatFault(fault::ObjectWrongType, "Execute"));
        SetReturnCode(RETURN_FAIL, fault::ObjectWrongType);
        return lastRc_;
    }
    auto opened = host_.OpenFile(info->amigaPath, OpenMode::OldFile);
    if (!opened) {
        WriteAll(io.err, fault::FormatFault(opened.error(), "Execute"));
        SetReturnCode(RETURN_FAIL, opened.error());
        return lastRc_;
    }
    FileDescriptor file(*opened);
    auto text = ReadAll(file.get(), kMaxScriptSize);
    if (!text) {
        WriteAll(io.err, fault::FormatFault(fault::ObjectTooLarge, "Execute"));
        SetReturnCode(RETURN_FAIL, fault::ObjectTooLarge);
        return lastRc_;
    }
    auto prepared = PrepareExecuteScript(*text, arguments, ProcessNumber());
    if (!prepared) {
        WriteAll(io.err, fault::FormatFault(prepared.error(), "Execute"));
        SetReturnCode(RETURN_FAIL, prepared.error());
        return lastRc_;
    }
    ScriptText script(prepared->text);
    return RunScriptText(script, io);
}

int Shell::RunScript(std::string_view text, Streams io) {
    ScriptText script(text);
    return RunScriptText(script, io);
}

int Shell::RunScriptText(ScriptText& script, Streams io) {
    if (static_cast<int>(scripts_.size()) >= kMaxNesting) {
        WriteAll(io.err, fault::FormatFault(fault::TooManyLevels, "Execute"));
        SetReturnCode(RETURN_FAIL, fault::TooManyLevels);
        return lastRc_;
    }
    bool outermost = scripts_.empty();
    scripts_.push_back(&script);
    while (!quit_ && !abort_) {
        if (BreakRequested()) {
            ClearBreak();
            WriteAll(io.err, "***Break\n");
            SetReturnCode(RETURN_FAIL, fault::Break);
            abort_ = true;
            break;
        }
        auto line = script.ReadLine();
        if (!line) {
            break;
        }
        std::string name;
        if (auto command = SplitCommand(StripComment(*line))) {
            name = command->name;
        }
        int rc = RunLine(*line, io);
        if (quit_ || abort_) {
            break;
        }
        if (BreakRequested()) {
            continue;  // reported at the top of the loop
        }
        if (rc >= failAt_) {
            WriteAll(io.err, name + " failed returncode " + std::to_string(rc) + "\n");
            abort_ = true;
        }
    }
    scripts_.pop_back();
    int rc = quit_ ? quitRc_ : lastRc_;
    if (outermost) {
        // The command sequence is over: Quit and the fail limit apply no more.
        quit_ = false;
        abort_ = false;
        failAt_ = kDefaultFailAt;
    }
    SetReturnCode(rc, result2_);
    return rc;
}

}  // namespace amiga
