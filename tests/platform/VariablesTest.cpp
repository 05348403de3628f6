#include <gtest/gtest.h>

#include "platform/DosFiles.h"
#include "platform/Variables.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::test::HostExists;
using stovan::test::ReadHostFile;
using stovan::test::TempRoot;

TEST(Variables, LocalAndGlobalScopes) {
    TempRoot root;
    DosList& dos = root.dos();
    LocalVariables locals;
    ASSERT_TRUE(SetVar(dos, &locals, "Echo", "on", 0).ok());  // flags 0: local
    EXPECT_EQ(GetVar(dos, &locals, "ECHO", GVF_LOCAL_ONLY).value(), "on");
    EXPECT_EQ(GetVar(dos, &locals, "echo", GVF_GLOBAL_ONLY).error(), ERROR_OBJECT_NOT_FOUND);
    EXPECT_FALSE(HostExists(root.Host("RAM", "ENV/Echo")));

    ASSERT_TRUE(SetVar(dos, &locals, "StovanPath", "Work:Stovan\nrest", GVF_GLOBAL_ONLY).ok());
    EXPECT_EQ(ReadHostFile(root.Host("RAM", "ENV/StovanPath")), "Work:Stovan\nrest");
    EXPECT_FALSE(HostExists(root.Host("SYS", "Prefs/Env-Archive/StovanPath")));
    EXPECT_EQ(GetVar(dos, &locals, "stovanpath", 0).value(), "Work:Stovan");
    EXPECT_EQ(GetVar(dos, nullptr, "STOVANPATH", GVF_BINARY_VAR).value(), "Work:Stovan\nrest");
    EXPECT_EQ(GetVar(dos, &locals, "StovanPath", GVF_LOCAL_ONLY).error(), ERROR_OBJECT_NOT_FOUND);

    // A local variable hides a global one of the same name.
    ASSERT_TRUE(SetVar(dos, &locals, "stovanpath", "local", 0).ok());
    EXPECT_EQ(GetVar(dos, &locals, "StovanPath", 0).value(), "local");
    EXPECT_EQ(GetVar(dos, &locals, "StovanPath", GVF_GLOBAL_ONLY).value(), "Work:Stovan");

    // Aliases are a separate type.
    ASSERT_TRUE(SetVar(dos, &locals, "d", "dir", LV_ALIAS).ok());
    EXPECT_EQ(GetVar(dos, &locals, "d", LV_ALIAS).value(), "dir");
    EXPECT_EQ(GetVar(dos, &locals, "d", LV_VAR | GVF_LOCAL_ONLY).error(), ERROR_OBJECT_NOT_FOUND);

    ASSERT_TRUE(DeleteVar(dos, &locals, "StovanPath", 0).ok());  // the local one
    EXPECT_EQ(GetVar(dos, &locals, "StovanPath", 0).value(), "Work:Stovan");
    ASSERT_TRUE(DeleteVar(dos, &locals, "StovanPath", 0).ok());  // then the global one
    EXPECT_EQ(GetVar(dos, &locals, "StovanPath", 0).error(), ERROR_OBJECT_NOT_FOUND);
    EXPECT_EQ(DeleteVar(dos, &locals, "StovanPath", 0).error(), ERROR_OBJECT_NOT_FOUND);
    EXPECT_EQ(SetVar(dos, nullptr, "x", "y", 0).error(), ERROR_REQUIRED_ARG_MISSING);
}

TEST(Variables, SavedVariablesGoToEnvarcToo) {
    TempRoot root;
    DosList& dos = root.dos();
    ASSERT_TRUE(SetVar(dos, nullptr, "Sys/Editor", "Ed", GVF_GLOBAL_ONLY | GVF_SAVE_VAR).ok());
    EXPECT_EQ(ReadHostFile(root.Host("RAM", "ENV/Sys/Editor")), "Ed");
    EXPECT_EQ(ReadHostFile(root.Host("SYS", "Prefs/Env-Archive/Sys/Editor")), "Ed");
    ASSERT_TRUE(DeleteVar(dos, nullptr, "sys/editor", GVF_GLOBAL_ONLY | GVF_SAVE_VAR).ok());
    EXPECT_FALSE(HostExists(root.Host("RAM", "ENV/Sys/Editor")));
    EXPECT_FALSE(HostExists(root.Host("SYS", "Prefs/Env-Archive/Sys/Editor")));
}

TEST(Variables, GlobalNamesStayInsideEnv) {
    TempRoot root;
    DosList& dos = root.dos();
    const char* names[] = {"/Escape", "a//b", "SYS:x", "..", "a/../b", "x/"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(SetVar(dos, nullptr, name, "v", GVF_GLOBAL_ONLY).error(),
                  ERROR_INVALID_COMPONENT_NAME);
        EXPECT_EQ(GetVar(dos, nullptr, name, GVF_GLOBAL_ONLY).error(), ERROR_OBJECT_NOT_FOUND);
    }
    EXPECT_FALSE(HostExists(root.Host("RAM", "Escape")));
}

}  // namespace
}  // namespace amiga
