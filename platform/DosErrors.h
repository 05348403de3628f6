#pragma once
// AmigaDOS error codes (the values IoErr() returns), their fault texts, and
// the one table that turns a host errno into an AmigaDOS error.
//
// Which code to use:
//  - ERROR_OBJECT_NOT_FOUND (205): a name does not exist (also a drawer
//    along the path), or "/" climbed past a volume's root.
//  - ERROR_DEVICE_NOT_MOUNTED (218): the part before ":" names no volume,
//    device or assign (also NIL: when a lock is asked of it).
//  - ERROR_INVALID_COMPONENT_NAME (210): a name that can never be valid
//    ("." or "..", a NUL byte, a name ending in ".uaem"); it differs from 205
//    in that no file of that name could ever exist.
//  - ERROR_OBJECT_WRONG_TYPE (212): a file where a drawer is needed or the
//    other way round.
//  - ERROR_READ_PROTECTED (224): a symbolic link leads outside its volume.

#include <concepts>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace amiga {

using DosError = std::int32_t;

inline constexpr DosError ERROR_NO_FREE_STORE = 103;
inline constexpr DosError ERROR_TASK_TABLE_FULL = 105;
inline constexpr DosError ERROR_BAD_TEMPLATE = 114;
inline constexpr DosError ERROR_BAD_NUMBER = 115;
inline constexpr DosError ERROR_REQUIRED_ARG_MISSING = 116;
inline constexpr DosError ERROR_KEY_NEEDS_ARG = 117;
inline constexpr DosError ERROR_TOO_MANY_ARGS = 118;
inline constexpr DosError ERROR_UNMATCHED_QUOTES = 119;
inline constexpr DosError ERROR_LINE_TOO_LONG = 120;
inline constexpr DosError ERROR_FILE_NOT_OBJECT = 121;
inline constexpr DosError ERROR_INVALID_RESIDENT_LIBRARY = 122;
inline constexpr DosError ERROR_NO_DEFAULT_DIR = 201;
inline constexpr DosError ERROR_OBJECT_IN_USE = 202;
inline constexpr DosError ERROR_OBJECT_EXISTS = 203;
inline constexpr DosError ERROR_DIR_NOT_FOUND = 204;
inline constexpr DosError ERROR_OBJECT_NOT_FOUND = 205;
inline constexpr DosError ERROR_BAD_STREAM_NAME = 206;
inline constexpr DosError ERROR_OBJECT_TOO_LARGE = 207;
inline constexpr DosError ERROR_ACTION_NOT_KNOWN = 209;
inline constexpr DosError ERROR_INVALID_COMPONENT_NAME = 210;
inline constexpr DosError ERROR_INVALID_LOCK = 211;
inline constexpr DosError ERROR_OBJECT_WRONG_TYPE = 212;
inline constexpr DosError ERROR_DISK_NOT_VALIDATED = 213;
inline constexpr DosError ERROR_DISK_WRITE_PROTECTED = 214;
inline constexpr DosError ERROR_RENAME_ACROSS_DEVICES = 215;
inline constexpr DosError ERROR_DIRECTORY_NOT_EMPTY = 216;
inline constexpr DosError ERROR_TOO_MANY_LEVELS = 217;
inline constexpr DosError ERROR_DEVICE_NOT_MOUNTED = 218;
inline constexpr DosError ERROR_SEEK_ERROR = 219;
inline constexpr DosError ERROR_COMMENT_TOO_BIG = 220;
inline constexpr DosError ERROR_DISK_FULL = 221;
inline constexpr DosError ERROR_DELETE_PROTECTED = 222;
inline constexpr DosError ERROR_WRITE_PROTECTED = 223;
inline constexpr DosError ERROR_READ_PROTECTED = 224;
inline constexpr DosError ERROR_NOT_A_DOS_DISK = 225;
inline constexpr DosError ERROR_NO_DISK = 226;
inline constexpr DosError ERROR_NO_MORE_ENTRIES = 232;
inline constexpr DosError ERROR_IS_SOFT_LINK = 233;
inline constexpr DosError ERROR_OBJECT_LINKED = 234;
inline constexpr DosError ERROR_BAD_HUNK = 235;
inline constexpr DosError ERROR_NOT_IMPLEMENTED = 236;
inline constexpr DosError ERROR_RECORD_NOT_LOCKED = 240;
inline constexpr DosError ERROR_LOCK_COLLISION = 241;
inline constexpr DosError ERROR_LOCK_TIMEOUT = 242;
inline constexpr DosError ERROR_UNLOCK_ERROR = 243;
inline constexpr DosError ERROR_BUFFER_OVERFLOW = 303;
inline constexpr DosError ERROR_BREAK = 304;
inline constexpr DosError ERROR_NOT_EXECUTABLE = 305;

// Success or an AmigaDOS error code, for operations that return no value.
class [[nodiscard]] DosStatus {
  public:
    constexpr DosStatus() = default;
    constexpr DosStatus(DosError error) : error_(error) {}  // NOLINT: implicit by design
    // No other integer and no bool becomes a status: `return false;` would
    // otherwise compile and mean success.
    template <std::integral T>
    requires(!std::same_as<T, DosError>) DosStatus(T)
    = delete;
    static constexpr DosStatus Ok() { return DosStatus(); }

    constexpr bool ok() const { return error_ == 0; }
    constexpr explicit operator bool() const { return ok(); }
    // The error code of a failure, 0 on success.
    constexpr DosError error() const { return error_; }

  private:
    DosError error_ = 0;
};

// The AmigaDOS error for a host errno value. errno 0 gives 0; an errno the
// table does not know gives ERROR_ACTION_NOT_KNOWN (209), so an unexpected
// host failure is never taken for a missing file.
DosError DosErrorFromErrno(int hostErrno);
// The host errno that stands for an AmigaDOS error (the first table row
// with that code), EIO for a code the table does not hold, 0 for 0.
int ErrnoFromDosError(DosError error);

// The fault text of an error code without header ("object not found"),
// "Error <n>" for an unknown code, "" for 0.
std::string FaultText(DosError error);
// dos.library Fault(): "header: text", or the text alone when header is
// empty; "" for code 0.
std::string Fault(DosError error, std::string_view header = {});
// dos.library PrintFault(): writes Fault() and a line feed to out (the
// caller's Output(), not an error stream); nothing for code 0.
void PrintFault(DosError error, std::string_view header, std::FILE* out);

}  // namespace amiga
