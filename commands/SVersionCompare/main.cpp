// SVersionCompare: the companion command; commands/VersionCompare.h describes it.

#include "commands/VersionCompare.h"

// The version string the Version command finds in the program file.
[[gnu::used]] static const char* const kVersionString = stovan::commands::kVersionCompareVersion;

int main(int argc, char** argv) {
    return stovan::commands::CommandMain("SVersionCompare", argc, argv,
                                         stovan::commands::RunSVersionCompareMain);
}
