// SToolType: the companion command; commands/ToolType.h describes it.

#include "commands/ToolType.h"

// The version string the Version command finds in the program file.
[[gnu::used]] static const char* const kVersionString = stovan::commands::kToolTypeVersion;

int main(int argc, char** argv) {
    return stovan::commands::CommandMain("SToolType", argc, argv, stovan::commands::RunSToolType);
}
