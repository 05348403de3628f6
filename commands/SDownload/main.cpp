// SDownload: the companion command; commands/PortCommands.h describes it.

#include "commands/PortCommands.h"

// The version string the Version command finds in the program file.
[[gnu::used]] static const char* const kVersionString = stovan::commands::kDownloadVersion;

int main(int argc, char** argv) {
    return stovan::commands::CommandMain("SDownload", argc, argv, stovan::commands::RunSDownload);
}
