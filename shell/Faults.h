#pragma once
// AmigaDOS error codes (IoErr values) the interpreter and its commands report,
// their fault texts and PrintFault. A command returns a return code (0, 5, 10,
// 20) judged against FailAt; the reason travels separately as one of these
// codes and ends up in the Result2 variable.

#include <cstdint>
#include <string>
#include <string_view>

namespace amiga::fault {

using Code = std::int32_t;

inline constexpr Code None = 0;
inline constexpr Code NoFreeStore = 103;
inline constexpr Code BadTemplate = 114;
inline constexpr Code BadNumber = 115;
inline constexpr Code RequiredArgMissing = 116;
inline constexpr Code KeyNeedsArg = 117;
inline constexpr Code TooManyArgs = 118;
inline constexpr Code UnmatchedQuotes = 119;
inline constexpr Code LineTooLong = 120;
inline constexpr Code FileNotObject = 121;
inline constexpr Code ObjectInUse = 202;
inline constexpr Code ObjectExists = 203;
inline constexpr Code DirNotFound = 204;
inline constexpr Code ObjectNotFound = 205;
inline constexpr Code BadStreamName = 206;
inline constexpr Code ObjectTooLarge = 207;
inline constexpr Code ActionNotKnown = 209;
inline constexpr Code InvalidComponentName = 210;
inline constexpr Code ObjectWrongType = 212;
inline constexpr Code DiskWriteProtected = 214;
inline constexpr Code RenameAcrossDevices = 215;
inline constexpr Code DirectoryNotEmpty = 216;
inline constexpr Code TooManyLevels = 217;
inline constexpr Code DeviceNotMounted = 218;
inline constexpr Code SeekError = 219;
inline constexpr Code CommentTooBig = 220;
inline constexpr Code DiskFull = 221;
inline constexpr Code DeleteProtected = 222;
inline constexpr Code WriteProtected = 223;
inline constexpr Code ReadProtected = 224;
inline constexpr Code NoMoreEntries = 232;
inline constexpr Code NotImplemented = 236;
inline constexpr Code BufferOverflow = 303;
inline constexpr Code Break = 304;
inline constexpr Code NotExecutable = 305;

// The dos.library Fault text of a code; "Error <n>" for codes without one.
std::string FaultText(Code code);

// PrintFault: "header: text\n", or "text\n" without a header; nothing for 0.
std::string FormatFault(Code code, std::string_view header);

}  // namespace amiga::fault

namespace amiga {

// Standard return codes of commands and scripts.
inline constexpr int RETURN_OK = 0;
inline constexpr int RETURN_WARN = 5;
inline constexpr int RETURN_ERROR = 10;
inline constexpr int RETURN_FAIL = 20;

}  // namespace amiga
