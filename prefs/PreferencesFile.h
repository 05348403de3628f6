#pragma once
// The preferences file "PROGDIR:Prefs/stovan.prefs": an IFF FORM "PREF" with
// the standard preferences header chunk "PRHD" (version 5) and the data chunk
// "STVN". The data chunk holds the record's fifteen words big-endian (60
// bytes), its eighteen strings each with a terminating zero byte, and ten
// spare empty strings that are written but never read back.
//
//   FORM <count> PREF
//     PRHD 6   5 0 0 0 0 0
//     STVN L   words[15] strings[18] 0*10   (pad byte when L is odd)

#include <cstddef>
#include <string>
#include <string_view>

#include "core/Status.h"
#include "prefs/Preferences.h"

namespace stovan {

// A preferences file is a few hundred bytes; anything beyond this is not one.
inline constexpr std::size_t kMaxPreferencesFileSize = 4 * 1024 * 1024;

// The bytes of the file for the record. stringsOffset is written as 60
// whatever the record holds. A string is written up to its first zero byte
// (the file has no way to hold one inside a string).
std::string EncodePreferences(const Preferences& record);

// The record stored in a file's bytes, or msg::PrefsInvalidUsingDefaults when
// the bytes are not an acceptable preferences file: not a FORM "PREF", a
// missing "PRHD" or "STVN" chunk, a header version other than 5, a damaged
// IFF structure, or a data chunk whose strings do not all end inside it.
// Nothing outside `bytes` is read. When a chunk occurs twice the last one
// counts; other chunks are skipped.
Result<Preferences> DecodePreferences(std::string_view bytes);

}  // namespace stovan
