#pragma once
// The program's start-up arguments: first the tool types of its own icon
// ("PROGDIR:Stovan.info"), then the command line read with the template
// "CX_POPKEY,CX_PRI/N,CX_POPUP/S,NOIMAGES/S", which overrides them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Volumes.h"

namespace stovan {

inline constexpr std::string_view kStartupTemplate = "CX_POPKEY,CX_PRI/N,CX_POPUP/S,NOIMAGES/S";
// The program's icon, whose tool types come before the command line.
inline constexpr std::string_view kProgramIcon = "PROGDIR:Stovan.info";

struct StartupArguments {
    std::string popKey = "control alt f5";  // the hot key that shows the window
    std::int32_t brokerPriority = 0;        // the commodity's priority
    bool popUp = true;                      // the window opens at launch
    std::uint32_t noImages = 0;             // not 0: no application images
};

// The tool types: CX_POPKEY text; CX_PRI a decimal number (anything else
// keeps the value); CX_POPUP and NOIMAGES on for "YES", "ON" or "TRUE" in
// any case, off for any other value (also for the bare name), unchanged
// when missing.
void ApplyToolTypes(StartupArguments& arguments, const std::vector<std::string>& toolTypes);

// The tool types of the program's icon; none when the icon is missing or
// cannot be read (then the defaults stand).
std::vector<std::string> ProgramToolTypes(const amiga::DosList& dos);

// The command line (ReadArgs with kStartupTemplate): a given CX_POPKEY or
// CX_PRI replaces the value, CX_POPUP switches the window on, NOIMAGES adds
// 1. On a bad line nothing changes and the AmigaDOS error comes back, for
// the caller to print with the header "Stovan".
std::optional<amiga::DosError> ApplyCommandLine(StartupArguments& arguments, std::string_view line);

// A command line for ReadArgs from the words a host shell passed: a word
// "NAME=value" stays a keyword with its value quoted, any other word is
// quoted as one value, so blanks inside a word never split it.
std::string StartupCommandLine(const std::vector<std::string>& words);

}  // namespace stovan
