#include "tests/support/Programs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "tests/support/TempRoot.h"

extern char** environ;

namespace stovan::test {

ProgramRun Spawn(const std::string& folder, const std::vector<std::string>& argv, int inputFd) {
    ProgramRun run;
    if (argv.empty()) {
        ADD_FAILURE() << "Spawn without a program";
        return run;
    }
    const std::string outPath = folder + "/spawn.out";
    const std::string errPath = folder + "/spawn.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> environment;
    for (char** env = environ; *env != nullptr; ++env) {
        if (std::strncmp(*env, "STOVAN_", 7) != 0) {
            environment.emplace_back(*env);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> arguments = argv;
    std::vector<char*> args;
    for (std::string& argument : arguments) {
        args.push_back(argument.data());
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(error);
        return run;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadHostFile(outPath);
    run.err = ReadHostFile(errPath);
    return run;
}

}  // namespace stovan::test
