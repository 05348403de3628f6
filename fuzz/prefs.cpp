// Fuzzes the preferences file decoder: any bytes must be refused or decoded,
// never read past, and a decoded record must survive a write and a re-read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "prefs/PreferencesFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto decoded = stovan::DecodePreferences(bytes);
    if (!decoded.ok()) {
        return 0;
    }
    // What was read is written back with stringsOffset 60 and read again equal.
    stovan::Preferences record = *decoded;
    record.stringsOffset = stovan::kPreferencesFixedSize;
    auto again = stovan::DecodePreferences(stovan::EncodePreferences(record));
    if (!again.ok() || !(*again == record)) {
        std::abort();
    }
    return 0;
}
