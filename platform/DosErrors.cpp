#include "platform/DosErrors.h"

#include <cerrno>

namespace amiga {
namespace {

struct ErrnoRow {
    int hostErrno;
    DosError error;
};

// One table for both directions. The reverse direction takes the first row
// holding a code, so the most natural errno for each code comes first.
// EACCES is taken as a write refusal: the host layer writes far more often
// than it reads files the user may not read, and AmigaDOS has no general
// "permission denied".
constexpr ErrnoRow kErrnoTable[] = {
    {ENOENT, ERROR_OBJECT_NOT_FOUND},
    {EEXIST, ERROR_OBJECT_EXISTS},
    {ENOTEMPTY, ERROR_DIRECTORY_NOT_EMPTY},
    {ENOTDIR, ERROR_OBJECT_WRONG_TYPE},
    {EISDIR, ERROR_OBJECT_WRONG_TYPE},
    {EACCES, ERROR_WRITE_PROTECTED},
    {EPERM, ERROR_DELETE_PROTECTED},
    {EROFS, ERROR_DISK_WRITE_PROTECTED},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EBUSY, ERROR_OBJECT_IN_USE},
    {ETXTBSY, ERROR_OBJECT_IN_USE},
    {ENOMEM, ERROR_NO_FREE_STORE},
    {ENFILE, ERROR_NO_FREE_STORE},
    {EMFILE, ERROR_NO_FREE_STORE},
    {ENAMETOOLONG, ERROR_INVALID_COMPONENT_NAME},
    {EINVAL, ERROR_INVALID_COMPONENT_NAME},
    {ELOOP, ERROR_TOO_MANY_LEVELS},
    {EXDEV, ERROR_RENAME_ACROSS_DEVICES},
    {EFBIG, ERROR_OBJECT_TOO_LARGE},
    {ESPIPE, ERROR_SEEK_ERROR},
    {EIO, ERROR_SEEK_ERROR},
    {ENOSYS, ERROR_NOT_IMPLEMENTED},
    {EOPNOTSUPP, ERROR_NOT_IMPLEMENTED},
    {EINTR, ERROR_BREAK},
    {ENXIO, ERROR_NO_DISK},
    {ENODEV, ERROR_DEVICE_NOT_MOUNTED},
};

constexpr DosError kUnknownErrnoFallback = ERROR_ACTION_NOT_KNOWN;

struct FaultRow {
    DosError error;
    const char* text;
};

// The texts of dos.library's catalog.
constexpr FaultRow kFaultTable[] = {
    {ERROR_NO_FREE_STORE, "not enough memory available"},
    {ERROR_TASK_TABLE_FULL, "process table full"},
    {ERROR_BAD_TEMPLATE, "bad template"},
    {ERROR_BAD_NUMBER, "bad number"},
    {ERROR_REQUIRED_ARG_MISSING, "required argument missing"},
    {ERROR_KEY_NEEDS_ARG, "value after keyword missing"},
    {ERROR_TOO_MANY_ARGS, "wrong number of arguments"},
    {ERROR_UNMATCHED_QUOTES, "unmatched quotes"},
    {ERROR_LINE_TOO_LONG, "argument line invalid or too long"},
    {ERROR_FILE_NOT_OBJECT, "file is not executable"},
    {ERROR_INVALID_RESIDENT_LIBRARY, "invalid resident library"},
    {ERROR_OBJECT_IN_USE, "object is in use"},
    {ERROR_OBJECT_EXISTS, "object already exists"},
    {ERROR_DIR_NOT_FOUND, "directory not found"},
    {ERROR_OBJECT_NOT_FOUND, "object not found"},
    {ERROR_BAD_STREAM_NAME, "invalid window description"},
    {ERROR_OBJECT_TOO_LARGE, "object too large"},
    {ERROR_ACTION_NOT_KNOWN, "filesystem action type unknown"},
    {ERROR_INVALID_COMPONENT_NAME, "object name invalid"},
    {ERROR_INVALID_LOCK, "invalid object lock"},
    {ERROR_OBJECT_WRONG_TYPE, "object is not of required type"},
    {ERROR_DISK_NOT_VALIDATED, "disk not validated"},
    {ERROR_DISK_WRITE_PROTECTED, "disk is write-protected"},
    {ERROR_RENAME_ACROSS_DEVICES, "rename across devices attempted"},
    {ERROR_DIRECTORY_NOT_EMPTY, "directory not empty"},
    {ERROR_TOO_MANY_LEVELS, "too many levels"},
    {ERROR_DEVICE_NOT_MOUNTED, "device (or volume) is not mounted"},
    {ERROR_SEEK_ERROR, "seek failure"},
    {ERROR_COMMENT_TOO_BIG, "comment is too long"},
    {ERROR_DISK_FULL, "disk is full"},
    {ERROR_DELETE_PROTECTED, "object is protected from deletion"},
    {ERROR_WRITE_PROTECTED, "file is write protected"},
    {ERROR_READ_PROTECTED, "file is read protected"},
    {ERROR_NOT_A_DOS_DISK, "not a valid DOS disk"},
    {ERROR_NO_DISK, "no disk in drive"},
    {ERROR_NO_MORE_ENTRIES, "no more entries in directory"},
    {ERROR_IS_SOFT_LINK, "object is soft link"},
    {ERROR_OBJECT_LINKED, "object is linked"},
    {ERROR_BAD_HUNK, "bad loadfile hunk"},
    {ERROR_NOT_IMPLEMENTED, "function not implemented"},
    {ERROR_RECORD_NOT_LOCKED, "record not locked"},
    {ERROR_LOCK_COLLISION, "record lock collision"},
    {ERROR_LOCK_TIMEOUT, "record lock timeout"},
    {ERROR_UNLOCK_ERROR, "record unlock error"},
    {ERROR_BUFFER_OVERFLOW, "buffer overflow"},
    {ERROR_BREAK, "***Break"},
    {ERROR_NOT_EXECUTABLE, "file not executable"},
};

}  // namespace

DosError DosErrorFromErrno(int hostErrno) {
    if (hostErrno == 0) {
        return 0;
    }
    for (const ErrnoRow& row : kErrnoTable) {
        if (row.hostErrno == hostErrno) {
            return row.error;
        }
    }
    return kUnknownErrnoFallback;
}

int ErrnoFromDosError(DosError error) {
    if (error == 0) {
        return 0;
    }
    for (const ErrnoRow& row : kErrnoTable) {
        if (row.error == error) {
            return row.hostErrno;
        }
    }
    return EIO;
}

std::string FaultText(DosError error) {
    if (error == 0) {
        return {};
    }
    for (const FaultRow& row : kFaultTable) {
        if (row.error == error) {
            return row.text;
        }
    }
    return "Error " + std::to_string(error);
}

std::string Fault(DosError error, std::string_view header) {
    if (error == 0) {
        return {};
    }
    if (header.empty()) {
        return FaultText(error);
    }
    std::string text(header);
    text += ": ";
    text += FaultText(error);
    return text;
}

void PrintFault(DosError error, std::string_view header, std::FILE* out) {
    if (error == 0 || out == nullptr) {
        return;
    }
    const std::string line = Fault(error, header) + "\n";
    std::fwrite(line.data(), 1, line.size(), out);
}

}  // namespace amiga
