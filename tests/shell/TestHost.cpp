#include "tests/shell/TestHost.h"

#include <gtest/gtest.h>

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"

namespace amiga::test {

TestHost::TestHost() : PlatformHost(temp.dos()) {
    EnsureDrawer("Work:Tools/C");
    EXPECT_EQ(Assign("C", {"Work:Tools/C"}, AssignMode::Add), kNoError);
}

std::string TestHost::HostPath(std::string_view amigaPath) {
    auto target = LockForCreate(dos(), amigaPath);
    return target ? target->hostPath() : std::string();
}

void TestHost::EnsureDrawer(std::string_view amigaPath) {
    ASSERT_TRUE(CreateDrawerPath(dos(), amigaPath).ok()) << amigaPath;
}

void TestHost::WriteFile(std::string_view amigaPath, std::string_view content) {
    stovan::test::WriteAmigaFile(dos(), amigaPath, content);
}

std::string TestHost::ReadFile(std::string_view amigaPath) {
    return stovan::test::ReadAmigaFile(dos(), amigaPath);
}

bool TestHost::Exists(std::string_view amigaPath) {
    return Examine(amigaPath).ok();
}

std::uint32_t TestHost::Protection(std::string_view amigaPath) {
    auto info = Examine(amigaPath);
    return info ? info->protection : 0xFFFFFFFFu;
}

std::string TestHost::Comment(std::string_view amigaPath) {
    auto info = Examine(amigaPath);
    return info ? info->comment : std::string();
}

}  // namespace amiga::test
