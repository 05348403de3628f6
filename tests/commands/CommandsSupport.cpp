#include "tests/commands/CommandsSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/SystemRoot.h"

extern char** environ;

namespace stovan::test {

using namespace std::chrono_literals;

FakeStovan::FakeStovan(const amiga::DosList& dos, Handler handler) : handler_(std::move(handler)) {
    const std::string folder = amiga::PortsFolder(dos);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    auto port = amiga::PublicPort::Create(folder, commands::kStovanPortName);
    if (!port) {
        ADD_FAILURE() << "cannot create the port: " << amiga::PortErrorText(port.error());
        return;
    }
    port_.emplace(std::move(*port));
    thread_ = std::thread([this] { Serve(); });
}

FakeStovan::~FakeStovan() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<amiga::PortMessage> FakeStovan::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void FakeStovan::Serve() {
    while (!stop_) {
        auto connection = port_->accept(20ms);
        if (!connection) {
            continue;
        }
        (void)amiga::ServePortConnection(
            *connection,
            [this](const amiga::PortMessage& message) {
                {
                    std::lock_guard lock(mutex_);
                    received_.push_back(message);
                }
                return handler_ ? handler_(message) : amiga::PortReply{};
            },
            5s);
    }
}

CapturedContext::CapturedContext(const std::string& name, amiga::DosList& dos,
                                 std::string argumentLine) {
    context_.name = name;
    context_.dos = dos;
    context_.portsFolder = amiga::PortsFolder(dos);
    context_.argumentLine = std::move(argumentLine);
    context_.io.out = std::tmpfile();
}

CapturedContext::~CapturedContext() {
    if (context_.io.out != nullptr) {
        std::fclose(context_.io.out);
    }
}

std::string CapturedContext::Output() const {
    std::FILE* out = context_.io.out;
    std::fflush(out);
    const long end = std::ftell(out);
    std::string text(static_cast<std::size_t>(end), '\0');
    std::rewind(out);
    const std::size_t got = std::fread(text.data(), 1, text.size(), out);
    text.resize(got);
    std::fseek(out, 0, SEEK_END);
    return text;
}

std::string BuiltProgram(const std::string& name) {
    return std::string(STOVAN_BINARY_DIR) + "/" + name;
}

std::vector<std::string> RootEnvironment(const amiga::DosList& dos) {
    std::vector<std::string> environment;
    for (const auto& [name, value] : dos.ChildEnvironment()) {
        environment.push_back(name + "=" + value);
    }
    return environment;
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment,
                     const std::string& workingDirectory) {
    ChildResult result;
    std::FILE* capture = std::tmpfile();
    if (capture == nullptr) {
        ADD_FAILURE() << "tmpfile failed";
        return result;
    }
    std::vector<std::string> envStrings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "STOVAN_", 7) != 0) {
            envStrings.emplace_back(*entry);
        }
    }
    envStrings.insert(envStrings.end(), environment.begin(), environment.end());
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argStrings) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& text : envStrings) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::fileno(capture);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        const int input = ::open("/dev/null", O_RDONLY);
        ::dup2(input, 0);
        if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0) {
            ::_exit(126);
        }
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::fflush(capture);
    std::rewind(capture);
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, capture)) > 0) {
        result.output.append(buffer, got);
    }
    std::fclose(capture);
    return result;
}

}  // namespace stovan::test
