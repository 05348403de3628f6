// stovan root: shows the system root in use — its folder, the managed
// system, the mounted devices (boot volume marked) and the assigns. Opening
// the root creates the default one on first use.

#include <cstdio>
#include <string>

#include "app/CommandRegistry.h"
#include "core/TerminalText.h"
#include "engine/CompanionCommands.h"
#include "engine/ProgramFolders.h"
#include "platform/Latin1.h"
#include "platform/SystemRoot.h"

namespace {

void PrintHost(const std::string& hostText) {
    std::fwrite(hostText.data(), 1, hostText.size(), stdout);
}

void Print(const std::string& latin1Text) {
    const std::string text = stovan::TerminalText(latin1Text);
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int ShowRoot(const stovan::app::Context& context) {
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos) {
        // A host path and the mount table's own words: shown as they are.
        std::fprintf(stderr, "stovan: %s\n", dos.error().c_str());
        return 20;
    }
    if (std::string problem =
            stovan::InstallCompanionPrograms(*dos, stovan::CompanionProgramFolder());
        !problem.empty()) {
        std::fprintf(stderr, "stovan: %s\n", problem.c_str());  // host paths
    }
    // Host paths are printed as they are; Amiga names are ISO-8859-1.
    PrintHost("Root: " + dos->rootFolder() + "\n");
    Print("System: " + std::string(amiga::SystemKindName(dos->profile().kind)) + " " +
          dos->profile().version + "\n");
    Print("Devices:\n");
    for (const amiga::MountedDevice& device : dos->Devices()) {
        const amiga::Volume& volume = dos->volumes()[device.volume];
        std::string line = "  " + device.name + ":";
        if (device.name != volume.name) {
            line += " (" + volume.name + ":)";
        }
        Print(line + " ");
        PrintHost(volume.hostFolder + (device.boot ? " [boot]\n" : "\n"));
    }
    Print("Assigns:\n");
    for (const amiga::Assign& assign : dos->assigns()) {
        std::string line = "  " + assign.name + ":";
        for (const std::string& target : assign.targets) {
            line += " " + target;
        }
        Print(line + "\n");
    }
    return 0;
}

}  // namespace

void stovan::app::AddRootCommand(CLI::App& program, stovan::app::Context& context) {
    CLI::App* command =
        program.add_subcommand("root", "show the system root: folder, system, devices and assigns");
    command->callback([&context] { context.exitCode = ShowRoot(context); });
}
