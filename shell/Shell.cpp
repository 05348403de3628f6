#include "shell/Shell.h"

#include <unistd.h>

#include <cerrno>

#include "platform/AmigaPath.h"
#include "platform/Latin1.h"
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
    const LocalVariable* found = locals_.Find(name, LV_VAR);
    if (found == nullptr) {
        return std::nullopt;
    }
    return found->value;
}

void Shell::SetLocal(std::string_view name, std::string_view value) {
    locals_.Set(name, LV_VAR, value);
}

bool Shell::UnsetLocal(std::string_view name) {
    return locals_.Remove(name, LV_VAR);
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

void Shell::SetReturnCode(int rc, DosError result2) {
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
        WriteAll(io.err, FaultLine(ERROR_TOO_MANY_LEVELS, "Shell"));
        SetReturnCode(RETURN_FAIL, ERROR_TOO_MANY_LEVELS);
        return lastRc_;
    }
    NestingGuard guard(nesting_);
    if (rawLine.size() > kMaxLineLength) {
        WriteAll(io.err, FaultLine(ERROR_LINE_TOO_LONG, "Shell"));
        SetReturnCode(RETURN_FAIL, ERROR_LINE_TOO_LONG);
        return lastRc_;
    }
    std::string line = StripComment(rawLine);
    if (Trim(line).empty()) {
        return lastRc_;
    }

    auto substituted = SubstituteVariables(
        line, [this](std::string_view name) { return LookupVariable(name); }, kMaxLineLength);
    if (!substituted) {
        WriteAll(io.err, FaultLine(substituted.error(), "Shell"));
        SetReturnCode(RETURN_FAIL, substituted.error());
        return lastRc_;
    }
    auto expanded = SubstituteBackticks(
        *substituted, [this, io](std::string_view command) { return Capture(command, io); },
        kMaxLineLength);
    if (!expanded) {
        WriteAll(io.err, FaultLine(expanded.error(), "Shell"));
        SetReturnCode(RETURN_FAIL, expanded.error());
        return lastRc_;
    }
    auto redirections = ExtractRedirections(*expanded);
    if (!redirections) {
        WriteAll(io.err, FaultLine(redirections.error(), "Shell"));
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
        StreamMode mode = target.reading ? StreamMode::OldFile
                          : where.append ? StreamMode::Append
                                         : StreamMode::NewFile;
        auto opened = host_.OpenFile(where.path, mode);
        if (!opened) {
            WriteAll(io.err, FaultLine(opened.error(), command->name));
            SetReturnCode(RETURN_FAIL, opened.error());
            return lastRc_;
        }
        target.holder = FileDescriptor(*opened);
        target.slot = target.holder.get();
    }

    // The command's return code is kept in lastRc_ too, which is returned
    // below once the redirections are closed.
    (void)RunCommand(command->name, command->arguments, streams);
    // Closing a redirection writes its data back: a failure there is a
    // failed write of the command.
    for (FileDescriptor* holder : {&output, &error}) {
        if (holder->valid() && ::close(holder->Release()) != 0) {
            const DosError closeError = DosErrorFromErrno(errno);
            WriteAll(io.err, FaultLine(closeError, command->name));
            SetReturnCode(RETURN_FAIL, closeError);
        }
    }
    return lastRc_;
}

int Shell::RunCommand(std::string_view name, std::string_view arguments, Streams io) {
    DosError result2 = kNoError;
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
                WriteAll(io.err, FaultLine(parsed.error(), name));
                SetReturnCode(RETURN_FAIL, parsed.error());
                return lastRc_;
            }
            context.args = std::move(parsed.value());
        }
        rc = builtin->run(context);
        result2 = context.result2;
        if (context.writeError != kNoError) {
            // Output that did not arrive is a failure, whatever the command
            // thought (a full volume, /dev/full, a closed pipe).
            WriteAll(io.err, FaultLine(context.writeError, name));
            rc = RETURN_FAIL;
            result2 = context.writeError;
        }
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
            std::string path = drawer;
            if (!AddPart(path, name)) {
                continue;
            }
            auto info = host_.Examine(path);
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
        SetReturnCode(RETURN_FAIL, ERROR_OBJECT_NOT_FOUND);
        return lastRc_;
    }
    if (found->isDrawer) {
        // A drawer typed as a command becomes the current drawer, as the
        // AmigaDOS shell does.
        if (!Trim(arguments).empty()) {
            WriteAll(io.err, std::string(name) + ": " + FaultText(ERROR_OBJECT_WRONG_TYPE) + "\n");
            SetReturnCode(RETURN_FAIL, ERROR_OBJECT_WRONG_TYPE);
            return lastRc_;
        }
        DosError error = host_.SetCurrentDrawer(found->amigaPath);
        SetReturnCode(error == kNoError ? RETURN_OK : RETURN_ERROR, error);
        return lastRc_;
    }
    if ((found->protection & FIBF_SCRIPT) != 0) {
        rc = ExecuteFile(found->amigaPath, arguments, io);
        SetReturnCode(rc, result2_);
        return rc;
    }
    if (!found->hostExecutable) {
        WriteAll(io.err, FaultLine(ERROR_FILE_NOT_OBJECT, name));
        SetReturnCode(RETURN_FAIL, ERROR_FILE_NOT_OBJECT);
        return lastRc_;
    }
    rc = RunExternal(*found, name, arguments, io, result2);
    SetReturnCode(rc, result2);
    return rc;
}

int Shell::RunExternal(const ObjectInfo& program, std::string_view name, std::string_view arguments,
                       Streams io, DosError& result2) {
    ChildRequest request;
    request.hostPath = program.hostPath;
    request.argv.emplace_back(name);
    auto words = SplitItems(arguments);
    if (!words) {
        WriteAll(io.err, FaultLine(words.error(), name));
        result2 = words.error();
        return RETURN_FAIL;
    }
    request.argv.insert(request.argv.end(), words->begin(), words->end());
    request.environment = host_.ChildEnvironment();
    request.environment.push_back("STOVAN_SHELL_ARGUMENTS=" + std::string(arguments));
    request.workingDirectory = host_.CurrentDrawerHostPath();
    request.io = io;
    int rc = RunChild(request, result2);
    if (result2 == ERROR_NOT_EXECUTABLE || result2 == ERROR_OBJECT_NOT_FOUND) {
        WriteAll(io.err, FaultLine(result2, name));
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
    DosError savedResult2 = result2_;
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
        WriteAll(io.err, FaultLine(info.error(), "Execute"));
        SetReturnCode(RETURN_FAIL, info.error());
        return lastRc_;
    }
    if (info->isDrawer) {
        WriteAll(io.err, FaultLine(ERROR_OBJECT_WRONG_TYPE, "Execute"));
        SetReturnCode(RETURN_FAIL, ERROR_OBJECT_WRONG_TYPE);
        return lastRc_;
    }
    auto opened = host_.OpenFile(info->amigaPath, StreamMode::OldFile);
    if (!opened) {
        WriteAll(io.err, FaultLine(opened.error(), "Execute"));
        SetReturnCode(RETURN_FAIL, opened.error());
        return lastRc_;
    }
    FileDescriptor file(*opened);
    auto text = ReadAll(file.get(), kMaxScriptSize);
    if (!text) {
        WriteAll(io.err, FaultLine(ERROR_OBJECT_TOO_LARGE, "Execute"));
        SetReturnCode(RETURN_FAIL, ERROR_OBJECT_TOO_LARGE);
        return lastRc_;
    }
    return ExecuteText(*text, arguments, io);
}

int Shell::ExecuteText(std::string_view text, std::string_view arguments, Streams io) {
    auto prepared = PrepareExecuteScript(text, arguments, ProcessNumber());
    if (!prepared) {
        WriteAll(io.err, FaultLine(prepared.error(), "Execute"));
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
        WriteAll(io.err, FaultLine(ERROR_TOO_MANY_LEVELS, "Execute"));
        SetReturnCode(RETURN_FAIL, ERROR_TOO_MANY_LEVELS);
        return lastRc_;
    }
    bool outermost = scripts_.empty();
    scripts_.push_back(&script);
    while (!quit_ && !abort_) {
        if (BreakRequested()) {
            ClearBreak();
            WriteAll(io.err, "***Break\n");
            SetReturnCode(RETURN_FAIL, ERROR_BREAK);
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
