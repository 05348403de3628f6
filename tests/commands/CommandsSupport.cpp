#include "tests/commands/CommandsSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/SystemRoot.h"

namespace stovan::test {

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
    RunOptions options;
    options.environment = environment;
    options.workingDirectory = workingDirectory;
    options.mergeError = true;
    const ProgramRun run = RunProgram(program, arguments, options);
    if (!run.started) {
        ADD_FAILURE() << "cannot start " << program;
    }
    EXPECT_FALSE(run.timedOut) << program;
    return {run.exitCode, run.out};
}

}  // namespace stovan::test
