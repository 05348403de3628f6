#pragma once
// The sample database shipped with the program: a few entries of every kind
// (applications of several types, a database package, Stovan itself, a
// DUPENAME and an INSTALLDIR DEPENDENCY entry, localised descriptions) that
// a new system root gets, so that Stovan has something to show at once.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Volumes.h"

namespace stovan {

// Copies every file of the host folder (not its sub-folders) into the
// drawer ("PROGDIR:Database/Internal" unless given) when that drawer exists
// and is empty; a drawer holding anything, a missing drawer or a missing
// folder is left alone. Returns the number of files copied.
std::size_t SeedSampleDatabase(const amiga::DosList& dos, const std::string& hostFolder,
                               std::string_view drawer = {});

}  // namespace stovan
