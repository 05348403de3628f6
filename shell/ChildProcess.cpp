#include "shell/ChildProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>

#include "shell/Break.h"

extern char** environ;

namespace amiga {

namespace {

std::vector<std::string> MergeEnvironment(const std::vector<std::string>& extra) {
    std::map<std::string, std::string> entries;
    std::vector<std::string> order;
    auto add = [&](std::string_view entry) {
        std::size_t eq = entry.find('=');
        std::string key(entry.substr(0, eq));
        if (entries.find(key) == entries.end()) {
            order.push_back(key);
        }
        entries[key] = std::string(entry);
    };
    for (char** env = environ; env != nullptr && *env != nullptr; ++env) {
        add(*env);
    }
    for (const std::string& entry : extra) {
        add(entry);
    }
    std::vector<std::string> merged;
    merged.reserve(order.size());
    for (const std::string& key : order) {
        merged.push_back(entries[key]);
    }
    return merged;
}

}  // namespace

int RunChild(const ChildRequest& request, DosError& result2) {
    std::vector<std::string> environment = MergeEnvironment(request.environment);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> arguments = request.argv;
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 onto 0/1/2 clears close-on-exec; a descriptor already in place is
    // left alone.
    const int sources[3] = {request.io.in, request.io.out, request.io.err};
    for (int target = 0; target < 3; ++target) {
        if (sources[target] != target) {
            posix_spawn_file_actions_adddup2(&actions, sources[target], target);
        }
    }
    if (!request.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, request.workingDirectory.c_str());
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int error = posix_spawn(&pid, request.hostPath.c_str(), &actions, &attributes, argv.data(),
                            envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        result2 = error == ENOENT ? ERROR_OBJECT_NOT_FOUND : ERROR_NOT_EXECUTABLE;
        return RETURN_FAIL;
    }
    bool forwarded = false;
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid, &status, 0);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            result2 = ERROR_OBJECT_NOT_FOUND;
            return RETURN_FAIL;
        }
        if (BreakRequested() && !forwarded) {
            kill(pid, SIGINT);
            forwarded = true;
        }
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) {
        SignalBreak();
        result2 = ERROR_BREAK;
    }
    return RETURN_FAIL;
}

}  // namespace amiga
