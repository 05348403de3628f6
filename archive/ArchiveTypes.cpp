#include "archive/ArchiveTypes.h"

#include <cerrno>
#include <cstring>

namespace stovan::archive {

const char* ArchiveErrorKindName(ArchiveError::Kind kind) {
    switch (kind) {
        case ArchiveError::Kind::NotFound:
            return "not found";
        case ArchiveError::Kind::ReadFailed:
            return "read failed";
        case ArchiveError::Kind::UnknownFormat:
            return "unknown format";
        case ArchiveError::Kind::Corrupt:
            return "corrupt";
        case ArchiveError::Kind::Unsupported:
            return "unsupported";
        case ArchiveError::Kind::UnsafeEntry:
            return "unsafe entry";
        case ArchiveError::Kind::LimitExceeded:
            return "limit exceeded";
        case ArchiveError::Kind::Exists:
            return "exists";
        case ArchiveError::Kind::WriteFailed:
            return "write failed";
        case ArchiveError::Kind::BadArguments:
            return "bad arguments";
    }
    return "unknown";
}

ArchiveError Error(ArchiveError::Kind kind, std::string message) {
    return ArchiveError{kind, std::move(message)};
}

std::string ErrnoText() {
    return std::strerror(errno);
}

}  // namespace stovan::archive
