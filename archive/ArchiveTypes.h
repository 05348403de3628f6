#pragma once
// Types shared by the archive module: what an archive entry carries besides
// its data (Amiga protection bits, file comment, date), the seam through which
// extracted files receive that metadata, and the error every archive
// operation reports.
//
// The archive module works on HOST paths only. Mapping Amiga paths to host
// paths, and storing protection bits and comments beside host files, belongs
// to the host layer; it plugs in through MetadataSink (extraction) and
// MetadataSource (creation).

#include <cstdint>
#include <optional>
#include <string>

#include "platform/DateStamp.h"
#include "platform/Expected.h"

namespace stovan::archive {

// The archive layer stands on the host layer and speaks its result types.
using amiga::DateStamp;
using amiga::Expected;
using amiga::Unexpected;

// What an archive keeps about one entry besides its data. Fields the archive
// does not carry stay empty: protection is only set for entries written on an
// Amiga system (or level-0 LhA headers, which Amiga LhA always fills with the
// protection byte).
struct ArchiveMetadata {
    // fib_Protection: bits 0-3 DEWR active low, 4-7 APSH active high.
    std::optional<std::uint32_t> protection;
    // File comment in ISO-8859-1, empty when none.
    std::string comment;
    std::optional<DateStamp> date;

    friend bool operator==(const ArchiveMetadata&, const ArchiveMetadata&) = default;
};

// Receives the Amiga metadata of every file and drawer an extraction creates,
// after the object exists on the host with its final name and host time. The
// host layer implements it with SetProtection / SetComment / SetFileDate.
class MetadataSink {
  public:
    virtual ~MetadataSink() = default;
    virtual void apply(const std::string& hostPath, const ArchiveMetadata& metadata) = 0;
};

// Gives the Amiga metadata of a host file or drawer that goes into a new
// archive (the host layer reads its sidecar). Returning nothing means "no
// comment, default protection, the host modification time".
class MetadataSource {
  public:
    virtual ~MetadataSource() = default;
    virtual std::optional<ArchiveMetadata> read(const std::string& hostPath) = 0;
};

struct ArchiveError {
    enum class Kind {
        NotFound,       // the archive or an input file does not exist
        ReadFailed,     // the archive or an input file cannot be read
        UnknownFormat,  // not an archive this module understands
        Corrupt,        // damaged header, data that does not decode, CRC mismatch
        Unsupported,    // a valid archive feature this module cannot handle
        UnsafeEntry,    // an entry would land outside the target drawer
        LimitExceeded,  // the extraction limits (size, entry count) were reached
        Exists,         // an object in the way that may not be replaced
        WriteFailed,    // the host refused to create or write something
        BadArguments,   // a command line that does not make sense
    };
    Kind kind = Kind::Corrupt;
    // A complete sentence for the user, naming the entry or file concerned.
    std::string message;

    // AmigaDOS return code for a command that failed this way: every archive
    // failure is a failure (20), as LhA and UnZip report them.
    int returnCode() const { return 20; }
};

const char* ArchiveErrorKindName(ArchiveError::Kind kind);

// An error of this kind with this message (the archive code's shorthand).
ArchiveError Error(ArchiveError::Kind kind, std::string message);
// The host's text for the current errno, for messages about a failed call.
std::string ErrnoText();

}  // namespace stovan::archive
