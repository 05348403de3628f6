#pragma once
// Runs a built program as a child process for end-to-end tests: its
// arguments, environment, working folder and standard input under the
// test's control, standard output and standard error captured apart (or
// together), and a time-out after which the child is killed.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace stovan::test {

struct RunOptions {
    // Added to the environment ("NAME=value"); a later entry wins.
    std::vector<std::string> environment{};
    // Variables of this process whose names start with one of these are
    // not passed on, so that a developer's own STOVAN_ROOT never leaks in.
    std::vector<std::string> dropPrefixes{"STOVAN_"};
    // Start from an empty environment instead of this process's one.
    bool cleanEnvironment = false;
    std::string workingDirectory{};  // "" = the test's own
    std::string input{};             // written to standard input, then closed
    // Standard input from this descriptor instead (a terminal's, say); the
    // caller keeps it open and closes it.
    int inputFd = -1;
    // Standard error goes into `out`, interleaved as the child wrote it.
    bool mergeError = false;
    // Standard output goes to this host file (or device, "/dev/full")
    // instead of being captured.
    std::string outputFile{};
    std::chrono::milliseconds timeout{20000};
    // Told the child's process id once it runs (from the calling thread),
    // for a test that signals a program running in the background.
    std::function<void(int pid)> started{};
};

struct ProgramRun {
    int exitCode = -1;  // -1 unless the child exited normally
    int signal = 0;     // the signal that ended the child, 0 if none
    bool timedOut = false;
    bool started = false;  // false when the program could not be started
    std::string out;
    std::string err;
};

// The path of a program the build made: the build folder/<name>.
std::string BuiltProgram(const std::string& name);

// Runs program with arguments (argv[0] is the program path) and waits for
// it, at most options.timeout; then it is killed and timedOut is set.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const RunOptions& options = {});

}  // namespace stovan::test
