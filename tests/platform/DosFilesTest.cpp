#include <gtest/gtest.h>

#include <filesystem>

#include "platform/DosFiles.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::test::HostExists;
using stovan::test::ReadHostFile;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

std::vector<std::string> Names(const DosList& dos, const std::string& path) {
    std::vector<std::string> names;
    auto lock = Lock(dos, path);
    if (!lock) {
        return {"error " + std::to_string(lock.error())};
    }
    auto entries = ListDrawer(*lock);
    if (!entries) {
        return {"error " + std::to_string(entries.error())};
    }
    for (const DrawerEntry& entry : *entries) {
        names.push_back(entry.drawer ? entry.name + "/" : entry.name);
    }
    return names;
}

class DosFiles : public ::testing::Test {
  protected:
    TempRoot root;
    DosList& dos = root.dos();
};

TEST_F(DosFiles, MetadataRoundTripsThroughSidecars) {
    ASSERT_TRUE(WriteFile(dos, "Work:App", "data").ok());
    const std::string sidecar = root.Host("Work", "App.uaem");
    EXPECT_FALSE(HostExists(sidecar));  // defaults need no sidecar

    const DateStamp date{16500, 600, 1234};
    ASSERT_TRUE(SetFileDate(dos, "work:app", date).ok());
    EXPECT_FALSE(HostExists(sidecar));
    ASSERT_TRUE(SetComment(dos, "Work:App", "Version 1.2 (1.1.2020)").ok());
    ASSERT_TRUE(SetProtection(dos, "Work:App", FIBF_SCRIPT | FIBF_WRITE).ok());
    auto info = Examine(dos, "Work:App");
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->name, "App");
    EXPECT_FALSE(info->drawer);
    EXPECT_EQ(info->size, 4u);
    EXPECT_EQ(info->date, date);
    EXPECT_EQ(info->comment, "Version 1.2 (1.1.2020)");
    EXPECT_EQ(info->protection, FIBF_SCRIPT | FIBF_WRITE);
    // The exact FS-UAE line (tests run with TZ=UTC).
    EXPECT_EQ(ReadHostFile(sidecar), "-s--r-ed 2023-03-06 10:00:24.68 Version 1.2 (1.1.2020)\n");

    // Write-protected: content can not be replaced.
    EXPECT_EQ(WriteFile(dos, "Work:App", "new").error(), ERROR_WRITE_PROTECTED);
    EXPECT_EQ(ReadFile(dos, "Work:App").value(), "data");

    // Back to defaults: the sidecar goes away.
    ASSERT_TRUE(SetProtection(dos, "Work:App", 0).ok());
    ASSERT_TRUE(SetComment(dos, "Work:App", "").ok());
    EXPECT_FALSE(HostExists(sidecar));
    EXPECT_EQ(SetComment(dos, "Work:App", std::string(80, 'c')).error(), ERROR_COMMENT_TOO_BIG);
    EXPECT_EQ(SetComment(dos, "Work:", "x").error(), ERROR_OBJECT_WRONG_TYPE);
}

TEST_F(DosFiles, SidecarsFollowTheirFilesAndStayHidden) {
    ASSERT_TRUE(CreateDrawerPath(dos, "Work:A/B").ok());
    ASSERT_TRUE(WriteFile(dos, "Work:A/B/File", "x").ok());
    ASSERT_TRUE(SetComment(dos, "Work:A/B/File", "note").ok());
    WriteHostFile(root.Host("Work", "A/B/Thumbs.db"), "");
    WriteHostFile(root.Host("Work", "A/B/odd:name"), "");
    EXPECT_EQ(Names(dos, "Work:A/B"), (std::vector<std::string>{"File"}));
    EXPECT_EQ(Names(dos, "Work:A"), (std::vector<std::string>{"B/"}));
    EXPECT_EQ(Lock(dos, "Work:A/B/File.uaem").error(), ERROR_INVALID_COMPONENT_NAME);

    // Rename keeps the comment; a case-only rename works.
    ASSERT_TRUE(Rename(dos, "Work:A/B/File", "Work:A/Moved").ok());
    EXPECT_EQ(Examine(dos, "Work:A/Moved")->comment, "note");
    EXPECT_FALSE(HostExists(root.Host("Work", "A/B/File.uaem")));
    ASSERT_TRUE(Rename(dos, "Work:A/moved", "Work:A/MOVED").ok());
    EXPECT_EQ(Names(dos, "Work:A"), (std::vector<std::string>{"B/", "MOVED"}));
    EXPECT_EQ(Examine(dos, "Work:A/Moved")->comment, "note");

    // Copy keeps it too, across volumes.
    ASSERT_TRUE(CopyFile(dos, "Work:A/MOVED", "RAM:T/Copy").ok());
    auto copied = Examine(dos, "RAM:T/Copy");
    ASSERT_TRUE(copied.ok());
    EXPECT_EQ(copied->comment, "note");
    EXPECT_EQ(copied->date, Examine(dos, "Work:A/MOVED")->date);

    // Rename refusals.
    EXPECT_EQ(Rename(dos, "Work:A/MOVED", "RAM:T/x").error(), ERROR_RENAME_ACROSS_DEVICES);
    ASSERT_TRUE(WriteFile(dos, "Work:A/Other", "o").ok());
    EXPECT_EQ(Rename(dos, "Work:A/MOVED", "Work:A/other").error(), ERROR_OBJECT_EXISTS);
    EXPECT_EQ(ReadFile(dos, "Work:A/Other").value(), "o");

    // Delete removes the sidecar; a non-empty drawer stays.
    ASSERT_TRUE(DeleteFile(dos, "Work:A/MOVED").ok());
    EXPECT_FALSE(HostExists(root.Host("Work", "A/MOVED.uaem")));
    EXPECT_EQ(DeleteFile(dos, "Work:A").error(), ERROR_DIRECTORY_NOT_EMPTY);
    EXPECT_EQ(DeleteFile(dos, "Work:").error(), ERROR_OBJECT_WRONG_TYPE);
    ASSERT_TRUE(SetProtection(dos, "Work:A/Other", FIBF_DELETE).ok());
    EXPECT_EQ(DeleteFile(dos, "Work:A/Other").error(), ERROR_DELETE_PROTECTED);
    ASSERT_TRUE(DeleteAll(dos, "Work:A").ok());
    EXPECT_FALSE(HostExists(root.Host("Work", "A")));
    EXPECT_EQ(Names(dos, "Work:"), (std::vector<std::string>{"Stovan/"}));
}

TEST_F(DosFiles, DrawerWithOnlyOrphanSidecarsCountsAsEmpty) {
    ASSERT_TRUE(CreateDir(dos, "Work:D").ok());
    WriteHostFile(root.Host("Work", "D/gone.uaem"), "----rwed 2000-01-01 00:00:00.00 x\n");
    EXPECT_EQ(Names(dos, "Work:D"), std::vector<std::string>{});
    EXPECT_TRUE(DeleteFile(dos, "Work:D").ok());
}

TEST_F(DosFiles, CreateDirAndDrawerPaths) {
    std::vector<std::string> created;
    auto hook = [&](const DosList&, const std::string& path) { created.push_back(path); };
    ASSERT_TRUE(CreateDrawerPath(dos, "work:stovan/New/Deeper", hook).ok());
    EXPECT_EQ(created, (std::vector<std::string>{"Work:Stovan/New", "Work:Stovan/New/Deeper"}));
    created.clear();
    ASSERT_TRUE(CreateDrawerPath(dos, "PROGDIR:New/Deeper/", hook).ok());
    EXPECT_TRUE(created.empty());
    ASSERT_TRUE(WriteFile(dos, "Work:Plain", "").ok());
    EXPECT_EQ(CreateDrawerPath(dos, "Work:Plain/Sub").error(), ERROR_OBJECT_WRONG_TYPE);
    EXPECT_EQ(CreateDir(dos, "Work:Plain").error(), ERROR_OBJECT_EXISTS);
    EXPECT_EQ(CreateDir(dos, "Work:").error(), ERROR_OBJECT_EXISTS);
    EXPECT_EQ(CreateDir(dos, "Work:no/such").error(), ERROR_OBJECT_NOT_FOUND);
    EXPECT_EQ(CreateDir(dos, "Work:..").error(), ERROR_INVALID_COMPONENT_NAME);
}

TEST_F(DosFiles, ReadingWritingAndNil) {
    ASSERT_TRUE(WriteFile(dos, "T:Script", "echo hi\n").ok());
    EXPECT_EQ(ReadFile(dos, "t:script").value(), "echo hi\n");
    ASSERT_TRUE(WriteFile(dos, "T:SCRIPT", "again").ok());  // replaces, keeps the disk name
    EXPECT_EQ(Names(dos, "T:"), (std::vector<std::string>{"Script"}));
    EXPECT_EQ(ReadFile(dos, "T:").error(), ERROR_OBJECT_WRONG_TYPE);
    EXPECT_EQ(WriteFile(dos, "RAM:T", "x").error(), ERROR_OBJECT_WRONG_TYPE);

    EXPECT_EQ(ReadFile(dos, "NIL:").value(), "");
    EXPECT_TRUE(WriteFile(dos, "nil:", "gone").ok());

    auto handle = FileHandle::Open(dos, "T:Log", OpenMode::NewFile);
    ASSERT_TRUE(handle.ok());
    ASSERT_TRUE(handle->WriteLine("one").ok());
    ASSERT_TRUE(handle->Write("two").ok());
    ASSERT_TRUE(handle->Close().ok());
    EXPECT_EQ(ReadFile(dos, "T:Log").value(), "one\ntwo");

    auto append = FileHandle::Open(dos, "T:Log", OpenMode::ReadWrite);
    ASSERT_TRUE(append.ok());
    ASSERT_TRUE(append->Seek(0, SEEK_END).ok());
    ASSERT_TRUE(append->Write("\nthree").ok());
    ASSERT_TRUE(append->Close().ok());
    auto reader = FileHandle::Open(dos, "T:log", OpenMode::OldFile);
    ASSERT_TRUE(reader.ok());
    char buffer[64];
    auto got = reader->Read(buffer, sizeof buffer);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(buffer, *got), "one\ntwo\nthree");

    auto nil = FileHandle::Open(dos, "NIL:", OpenMode::OldFile);
    ASSERT_TRUE(nil.ok());
    EXPECT_TRUE(nil->isNil());
    EXPECT_EQ(nil->Read(buffer, sizeof buffer).value(), 0u);
    EXPECT_EQ(FileHandle::Open(dos, "T:Missing", OpenMode::OldFile).error(),
              ERROR_OBJECT_NOT_FOUND);
    // No temporary files are left behind.
    for (const auto& entry : std::filesystem::directory_iterator(root.Host("RAM", "T"))) {
        EXPECT_EQ(entry.path().extension(), "") << entry.path();
    }
}

}  // namespace
}  // namespace amiga
