#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

#include "platform/DosErrors.h"

namespace amiga {
namespace {

TEST(DosErrors, ErrnoMapsBothWays) {
    struct Row {
        int hostErrno;
        DosError error;
    };
    const Row rows[] = {
        {ENOENT, ERROR_OBJECT_NOT_FOUND},       {EEXIST, ERROR_OBJECT_EXISTS},
        {ENOTEMPTY, ERROR_DIRECTORY_NOT_EMPTY}, {ENOSPC, ERROR_DISK_FULL},
        {EROFS, ERROR_DISK_WRITE_PROTECTED},    {EACCES, ERROR_WRITE_PROTECTED},
        {EXDEV, ERROR_RENAME_ACROSS_DEVICES},   {ELOOP, ERROR_TOO_MANY_LEVELS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.hostErrno);
        EXPECT_EQ(DosErrorFromErrno(row.hostErrno), row.error);
        EXPECT_EQ(ErrnoFromDosError(row.error), row.hostErrno);
    }
    // Every code the table produces maps back to an errno that produces the
    // same code again (the fallback for unknown errno values aside).
    for (int e = 1; e < 140; ++e) {
        const DosError error = DosErrorFromErrno(e);
        if (error == ERROR_ACTION_NOT_KNOWN) {
            continue;
        }
        SCOPED_TRACE(e);
        EXPECT_EQ(DosErrorFromErrno(ErrnoFromDosError(error)), error);
    }
}

TEST(DosErrors, UnknownValuesFallBack) {
    EXPECT_EQ(DosErrorFromErrno(0), 0);
    EXPECT_EQ(DosErrorFromErrno(99999), ERROR_ACTION_NOT_KNOWN);
    EXPECT_NE(DosErrorFromErrno(EPROTO), ERROR_OBJECT_NOT_FOUND);
    EXPECT_EQ(ErrnoFromDosError(0), 0);
    EXPECT_EQ(ErrnoFromDosError(ERROR_BAD_TEMPLATE), EIO);
}

TEST(DosErrors, FaultTexts) {
    EXPECT_EQ(FaultText(ERROR_OBJECT_NOT_FOUND), "object not found");
    EXPECT_EQ(FaultText(ERROR_DEVICE_NOT_MOUNTED), "device (or volume) is not mounted");
    EXPECT_EQ(FaultText(ERROR_BREAK), "***Break");
    EXPECT_EQ(FaultText(4711), "Error 4711");
    EXPECT_EQ(Fault(ERROR_OBJECT_EXISTS, "MakeDir"), "MakeDir: object already exists");
    EXPECT_EQ(Fault(ERROR_OBJECT_EXISTS), "object already exists");
    EXPECT_EQ(Fault(0, "MakeDir"), "");

    char buffer[128] = {};
    std::FILE* out = fmemopen(buffer, sizeof buffer - 1, "w");
    ASSERT_NE(out, nullptr);
    PrintFault(0, "Copy", out);
    PrintFault(ERROR_DIRECTORY_NOT_EMPTY, "Delete", out);
    std::fclose(out);
    EXPECT_STREQ(buffer, "Delete: directory not empty\n");
}

}  // namespace
}  // namespace amiga
