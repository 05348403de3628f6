#pragma once
// What every atomic writer of the host layer shares (platform/HostFiles.cpp,
// platform/HostBeneath.cpp): a temporary name beside the file that no other
// writer picks, and a write of all bytes that retries short writes.

#include <string>
#include <string_view>

#include "platform/DosErrors.h"

namespace amiga {

// name + ".<16 random hex digits>.tmp".
std::string HostTemporaryName(const std::string& name);

// Writes all of data, retrying short writes and EINTR; the AmigaDOS error
// of a failed write.
DosStatus HostWriteAll(int descriptor, std::string_view data);

}  // namespace amiga
