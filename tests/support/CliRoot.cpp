#include "tests/support/CliRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "archive/LhaWriter.h"

namespace stovan::test {

namespace fs = std::filesystem;

CliRoot::CliRoot() {
    const ProgramRun made = Stovan({"root"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    fs::remove_all(Host("Work/Stovan/Database/Internal"));
    fs::create_directories(Host("Work/Stovan/Database/Internal"));
    fs::create_directories(Host("Work/Mirror"));
}

void CliRoot::Database(const std::string& text) const {
    WriteHostFile(Host("Work/Stovan/Database/Internal/Test.db"), text);
}

void CliRoot::Archive(const std::string& file, const std::string& name,
                      const std::string& version) const {
    const std::string source = temp_.folder() + "/src/" + file;
    fs::create_directories(source + "/" + name);
    WriteHostFile(source + "/" + name + "/" + name,
                  "program\n$VER: " + name + " " + version + " (01.01.2024)\n");
    archive::LhaInput drawer{source + "/" + name, name, 0, "", std::nullopt, true};
    archive::LhaInput program{
        source + "/" + name + "/" + name, name + "/" + name, 0, "", std::nullopt, false};
    EXPECT_TRUE(archive::CreateLhaArchive(Host("Work/Mirror/" + file), {drawer, program}).ok());
}

void CliRoot::Program(const std::string& drawer, const std::string& name,
                      const std::string& version) const {
    const std::string folder = Host("Work/" + drawer + "/" + name);
    fs::create_directories(folder);
    WriteHostFile(folder + "/" + name,
                  "program\n$VER: " + name + " " + version + " (01.01.2024)\n");
}

void CliRoot::Offer(const std::string& name, const std::string& state,
                    const std::string& serverVersion) const {
    const std::string path = Host("RAM/T/StovanVersion.db");
    std::string text = ReadHostFile(path);
    const std::regex line("(## ITEM \"" + name + "\".*STATE )[A-Z]+(.*SVERSION \")[0-9.]+(\")");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(text, found, line)) << text;
    text = found.prefix().str() + found[1].str() + state + found[2].str() + serverVersion +
           found[3].str() + found.suffix().str();
    WriteHostFile(path, text);
}

ProgramRun CliRoot::Stovan(int exitCode, std::vector<std::string> arguments) const {
    ProgramRun run = Stovan(std::move(arguments));
    EXPECT_EQ(run.exitCode, exitCode) << run.out << run.err;
    return run;
}

ProgramRun CliRoot::Stovan(std::vector<std::string> arguments,
                           std::chrono::milliseconds timeout) const {
    arguments.insert(arguments.begin(), {"--root", temp_.root()});
    RunOptions options;
    options.environment = {"LC_ALL=C", "LANG=C", "LANGUAGE=", "TZ=UTC"};
    options.timeout = timeout;
    ProgramRun run = RunProgram(BuiltProgram("stovan"), arguments, options);
    EXPECT_TRUE(run.started);
    return run;
}

std::string CliRoot::Installed(const std::string& name) const {
    return ReadHostFile(Host("Work/Apps/" + name + "/" + name));
}

std::vector<std::string> CliRoot::Downloads() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Host("Work/Stovan/Cache/Downloads"))) {
        const std::string name = entry.path().filename().string();
        if (name.find(".uaem") == std::string::npos) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ToolEntry(const std::string& name, const std::string& dependencies,
                      const std::string& install) {
    return "#ITEM \"" + name + "\"\n#APPTYPE TOOL\n#STOVANAUTHOR \"Tester\"\n" +
           "#URLARCHIVE \"Work:Mirror/" + name + "_{VERSION}.{REVISION}.lha\"\n" +
           "#INSTALLDIR \"Work:Apps/\"\n#INSTALLCHECK \"{INSTALLDIR}{NAME}/{NAME}\"\n" +
           "#DESCRIPTION \"A tool\"\n" +
           (dependencies.empty() ? "" : "#DEPENDENCIES " + dependencies + "\n") + "#INSTALL\n" +
           install + "\n#INSTALL END\n#UNINSTALL\n" +
           "Delete \"{INSTALLDIR}{NAME}\" ALL QUIET FORCE\n#UNINSTALL END\n#ITEM END\n";
}

}  // namespace stovan::test
