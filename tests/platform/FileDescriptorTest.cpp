#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/FileDescriptor.h"

namespace amiga {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(FileDescriptor, ClosesExactlyOnce) {
    auto pipe = CreatePipe();
    ASSERT_TRUE(pipe);
    const int readEnd = pipe->read.get();
    {
        FileDescriptor moved = std::move(pipe->read);
        EXPECT_FALSE(pipe->read.valid());
        EXPECT_TRUE(IsOpen(readEnd));
    }
    EXPECT_FALSE(IsOpen(readEnd));
    const int writeEnd = pipe->write.get();
    FileDescriptor other(::dup(writeEnd));
    other = std::move(pipe->write);  // the dup is closed, the write end taken
    EXPECT_EQ(other.get(), writeEnd);
    EXPECT_TRUE(IsOpen(writeEnd));
    const int released = other.Release();
    EXPECT_TRUE(IsOpen(released));
    EXPECT_TRUE(FileDescriptor(released).Close());
    EXPECT_FALSE(IsOpen(released));
}

TEST(FileDescriptor, ReadAllAndWriteAllMoveEverything) {
    struct Row {
        const char* name;
        std::size_t size;
        std::size_t limit;
        bool fits;
    } rows[] = {
        {"empty", 0, 10, true},
        {"exactly the limit", 100, 100, true},
        {"one over the limit", 101, 100, false},
        {"larger than a pipe buffer", 1 << 20, 1 << 20, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto pipe = CreatePipe();
        ASSERT_TRUE(pipe);
        std::string data(row.size, 'x');
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<char>(i * 7);
        }
        std::thread writer([&] {
            EXPECT_TRUE(WriteAll(pipe->write.get(), data));
            pipe->write.Reset();
        });
        auto read = ReadAll(pipe->read.get(), row.limit);
        pipe->read.Reset();  // a writer still blocked gets EPIPE
        writer.join();
        ASSERT_EQ(read.has_value(), row.fits);
        if (row.fits) {
            EXPECT_EQ(*read, data);
        } else {
            EXPECT_EQ(errno, EFBIG);
        }
    }
}

TEST(FileDescriptor, ReadLineStopsAtTheLineFeed) {
    auto pipe = CreatePipe();
    ASSERT_TRUE(pipe);
    ASSERT_TRUE(WriteAll(pipe->write.get(), "first\nsecond line is long\n\nlast"));
    pipe->write.Reset();
    EXPECT_EQ(ReadLine(pipe->read.get()), "first");
    EXPECT_EQ(ReadLine(pipe->read.get(), 6), "second");
    EXPECT_EQ(ReadLine(pipe->read.get()), "");
    EXPECT_EQ(ReadLine(pipe->read.get()), "last");
    EXPECT_EQ(ReadLine(pipe->read.get()), std::nullopt);
}

}  // namespace
}  // namespace amiga
