// The stovan-shell program itself on throw-away system roots: scripts with
// their output, files and exit codes; the install and uninstall prologues;
// archives unpacked by the install templates; the backup template with the
// restore script it writes, run back on a pseudo-terminal.

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/LhaWriter.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "tests/support/Programs.h"
#include "tests/support/TempRoot.h"

namespace amiga {
namespace {

using stovan::archive::CreateLhaArchive;
using stovan::archive::LhaInput;
using stovan::archive::LhaWriteOptions;
using stovan::test::ReadHostFile;
using stovan::test::Spawn;
using stovan::test::SpawnedRun;
using stovan::test::TempRoot;
using stovan::test::WriteHostFile;

const std::string kShell = stovan::test::BuiltProgram("stovan-shell");

class ShellProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kShell))
            << kShell << " is missing: build the stovan-shell target before test_shell";
        // Companion commands the templates call: host programs that note
        // their arguments, one line per call.
        for (const char* name : {"SGauge", "SLog", "STooltype"}) {
            std::string path = root.Host("SYS", std::string("C/") + name);
            WriteHostFile(path,
                          "#!/bin/sh\necho \"$0 $*\" >>\"" + root.folder() + "/companions\"\n");
            ::chmod(path.c_str(), 0755);
        }
    }

    void Write(const std::string& amigaPath, const std::string& text) {
        ASSERT_TRUE(CreateDrawerPath(root.dos(), PathPart(amigaPath)).ok()) << amigaPath;
        ASSERT_TRUE(WriteFile(root.dos(), amigaPath, text).ok()) << amigaPath;
    }
    std::string Read(const std::string& amigaPath) {
        auto text = ReadFile(root.dos(), amigaPath);
        return text ? *text : "<missing>";
    }
    bool Exists(const std::string& amigaPath) { return Lock(root.dos(), amigaPath).ok(); }

    // Writes the script to S: and runs it the way Stovan does.
    SpawnedRun Script(const std::string& text, int inputFd = -1) {
        Write("S:test-script", text);
        return Spawn(root.folder(), {kShell, "--root", root.root(), "S:test-script"}, inputFd);
    }
    SpawnedRun Line(const std::string& line) {
        return Spawn(root.folder(), {kShell, "--root", root.root(), "-c", line});
    }
    std::string Companions() { return ReadHostFile(root.folder() + "/companions"); }

    TempRoot root;
};

TEST_F(ShellProgram, ScriptsGiveOutputAndReturnCodes) {
    struct Row {
        const char* name;
        std::string script;
        std::string out;
        int rc;
        std::string errContains;
    };
    const std::string install = "CD \"T:\"\nFailAt 9\n";
    const std::string uninstall =
        "CD \"T:\"\nFailAt 30\nDelete FORCE \"PROGDIR:Prefs/VersionData/Foo\"\n";
    const Row rows[] = {
        {"install prologue stops at the first error", install + "Echo a\nMakeDir RAM:T\nEcho b\n",
         "a\n", 10, "MakeDir failed returncode 10"},
        {"install prologue passes warnings", install + "Delete RAM:T/none\nEcho $RC\n",
         "No file to delete\n5\n", 0, ""},
        {"install prologue stops at a failure", install + "Copy RAM:none RAM:x\nEcho b\n", "", 20,
         "Copy failed returncode 20"},
        {"uninstall prologue runs through failures",
         uninstall + "Copy RAM:none RAM:x\nEcho $RC\nDelete \"Work:Apps/Foo\" ALL\nEcho end\n",
         "No file to delete\n20\nNo file to delete\nend\n", 0, ""},
        {"uninstall prologue: If FAIL sees the failure",
         uninstall + "Dir >NIL: \"ENVARC:foo#?\"\nIf FAIL\nEcho none\nEndIf\n",
         "No file to delete\nnone\n", 0, ""},
        {"Quit code is the exit code", "Echo x\nQuit 7\nEcho y\n", "x\n", 7, ""},
        {"return codes above 255 are not taken for success", "Quit 300\n", "", 255, ""},
        {"the current drawer starts at SYS:", "CD\n", "SYS:\n", 0, ""},
        {"unknown command", "Frobnicate\n", "", 20, "Frobnicate: Unknown command"},
        {"companion commands run as host programs",
         "SGauge \"INSTALLING\" \"My App\" 1 1\nEcho $RC\n", "0\n", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SpawnedRun run = Script(row.script);
        EXPECT_EQ(run.out, row.out);
        EXPECT_EQ(run.rc, row.rc) << run.err;
        EXPECT_NE(run.err.find(row.errContains), std::string::npos) << run.err;
    }
    EXPECT_NE(Companions().find("SGauge INSTALLING My App 1 1"), std::string::npos);
}

TEST_F(ShellProgram, VersionOfFilesWithAndWithoutVersionString) {
    Write("Work:Apps/Foo/Foo", std::string("\0\0\0\3", 4) + "$VER: Foo 2.18 (08.10.2015)\0code");
    Write("Work:Apps/Foo/Plain", "no version here");
    SpawnedRun run = Script(
        "FailAt 30\n"
        "Version \"Work:Apps/Foo/Foo\"\nEcho $RC\n"
        "Version \"Work:Apps/Foo/Foo\" FULL\n"
        "Version \"Work:Apps/Foo/Foo\" 2 19\nEcho $RC\n"
        "Version \"Work:Apps/Foo/Foo\" 2 18\nEcho $RC\n"
        "Version \"Work:Apps/Foo/Plain\"\nEcho $RC\n"
        "Version \"Work:Apps/Foo/None\"\nEcho $RC\n");
    EXPECT_EQ(run.out, "Foo 2.18\n0\nFoo 2.18 (08.10.2015)\nFoo 2.18\n5\nFoo 2.18\n0\n10\n20\n");
    // Under the install prologue a file without a version string stops the script.
    SpawnedRun install = Script("FailAt 9\nVersion \"Work:Apps/Foo/Plain\"\nEcho after\n");
    EXPECT_EQ(install.rc, 10);
    EXPECT_EQ(install.out, "");
}

TEST_F(ShellProgram, StreamsVariablesAndChildren) {
    // Output to a file, errors to NIL:, an absolute host script with arguments.
    WriteHostFile(root.folder() + "/host-script",
                  ".key WHO/A,TIMES/N\nEcho \"hi <WHO> <TIMES>\"\nCopy RAM:none RAM:x\n");
    SpawnedRun hosted =
        Spawn(root.folder(), {kShell, "--root", root.root(), "--output", "RAM:log", "--error",
                              "NIL:", root.folder() + "/host-script", "two words", "3"});
    EXPECT_EQ(hosted.rc, 20);
    EXPECT_EQ(hosted.out, "");
    EXPECT_EQ(hosted.err, "");
    EXPECT_EQ(Read("RAM:log"), "hi two words 3\n");

    // Global variables are ENV: files, SAVE writes ENVARC: too; locals are not.
    SpawnedRun vars = Line("SetEnv SAVE stovan/test \"two words\"");
    EXPECT_EQ(vars.rc, 0) << vars.err;
    EXPECT_EQ(Read("ENV:stovan/test"), "two words");
    EXPECT_EQ(Read("ENVARC:stovan/test"), "two words");
    EXPECT_EQ(Line("Echo $stovan/test").out, "$stovan/test\n");
    EXPECT_EQ(Line("Echo ${stovan/test}").out, "two words\n");

    // An assign made at run time reaches a child shell through the environment.
    Write("Work:data/f", "from child");
    std::string sub = root.Host("SYS", "C/SubShell");
    WriteHostFile(sub, "#!/bin/sh\nexec \"" + kShell + "\" \"$@\"\n");
    ::chmod(sub.c_str(), 0755);
    SpawnedRun child = Script("Assign X: Work:data\nSubShell -c \"Type X:f\"\nEcho \" rc=$RC\"\n");
    EXPECT_EQ(child.out, "from child rc=0\n") << child.err;
    // C: as a multi-directory assign: the command is found in its second drawer.
    Write("Work:Tools/Hello", "Echo hello from Tools\n");
    ASSERT_TRUE(SetProtection(root.dos(), "Work:Tools/Hello", FIBF_SCRIPT).ok());
    SpawnedRun search =
        Script("Assign C: Work:Tools ADD\nHello\nAssign C: Work:Tools REMOVE\nHello\n");
    EXPECT_EQ(search.out, "hello from Tools\n");
    EXPECT_EQ(search.rc, 20);
    EXPECT_NE(search.err.find("Hello: Unknown command"), std::string::npos);

    // Redirection to a missing drawer and a bad root are clear failures.
    SpawnedRun missing = Line("Echo x >Work:none/file");
    EXPECT_EQ(missing.rc, 20);
    EXPECT_NE(missing.err.find("object not found"), std::string::npos) << missing.err;
    SpawnedRun usage = Spawn(root.folder(), {kShell, "--root"});
    EXPECT_EQ(usage.rc, 20);
    EXPECT_NE(usage.err.find("usage:"), std::string::npos);
    WriteHostFile(root.folder() + "/not-a-root", "x");
    SpawnedRun badRoot = Spawn(root.folder(), {kShell, "--root", root.folder(), "-c", "Echo x"});
    EXPECT_EQ(badRoot.rc, 20);
    EXPECT_EQ(badRoot.out, "");
}

// The install templates (extract, keep the icon, copy, drawer icon) expanded
// by hand for an application "Foo" installed to Work:Apps/.
std::string InstallScript(const std::string& archive, const std::string& extension) {
    const std::string temp = "T:StovanTemp0000ABCD/";
    return "CD \"" + temp + "\"\nFailAt 9\n" + "If \"" + extension +
           "\" EQ \".lha\"\n"
           " SGauge \"EXTRACTING\" \"" +
           archive +
           "\" 1 1\n"
           " LhA x \"Work:Stovan/Cache/Downloads/" +
           archive + "\" \"" + temp +
           "\"\n"
           " SGauge \"INSTALLING\" \"Foo\" 1 1\n"
           "EndIf\n"
           "If \"" +
           extension +
           "\" EQ \".zip\"\n"
           " SGauge \"EXTRACTING\" \"" +
           archive +
           "\" 1 1\n"
           " CD \"" +
           temp +
           "\"\n"
           " UnZip \"Work:Stovan/Cache/Downloads/" +
           archive +
           "\"\n"
           " SGauge \"INSTALLING\" \"Foo\" 1 1\n"
           "EndIf\n"
           "If EXISTS \"Work:Apps/Foo/Foo.info\"\n"
           " If EXISTS \"" +
           temp +
           "Foo/Foo.info\"\n"
           "  Delete FORCE \"" +
           temp +
           "Foo/Foo.info\"\n"
           " EndIf\n"
           "EndIf\n"
           "Copy \"" +
           temp +
           "Foo/#?\" \"Work:Apps/Foo\" ALL\n"
           "If NOT EXISTS \"Work:Apps/Foo.info\"\n"
           " If EXISTS \"" +
           temp +
           "Foo.info\"\n"
           "  Copy \"" +
           temp +
           "Foo.info\" \"Work:Apps/Foo.info\"\n"
           " Else\n"
           "  STooltype \"Work:Apps/Foo\" TYPE WBDRAWER\n"
           " EndIf\n"
           "EndIf\n";
}

TEST_F(ShellProgram, InstallTemplatesUnpackLhaAndZip) {
    // The download, as an Amiga LhA would have packed it: a script with the
    // s bit, a program with a comment, the drawer icon beside the drawer.
    const std::string source = root.folder() + "/src";
    std::filesystem::create_directories(source + "/Foo/Docs");
    WriteHostFile(source + "/Foo/Foo", "program v2");
    WriteHostFile(source + "/Foo/Install-Me", "Echo installing\n");
    WriteHostFile(source + "/Foo/Docs/Foo.guide", "@database");
    WriteHostFile(source + "/Foo/Foo.info", "new program icon");
    WriteHostFile(source + "/Foo.info", "drawer icon");
    std::vector<LhaInput> inputs = {
        {source + "/Foo", "Foo", 0, "", std::nullopt, true},
        {source + "/Foo/Foo", "Foo/Foo", 0, "The program", std::nullopt, false},
        {source + "/Foo/Install-Me", "Foo/Install-Me", FIBF_SCRIPT, "", std::nullopt, false},
        {source + "/Foo/Docs/Foo.guide", "Foo/Docs/Foo.guide", 0, "", std::nullopt, false},
        {source + "/Foo/Foo.info", "Foo/Foo.info", 0, "", std::nullopt, false},
        {source + "/Foo.info", "Foo.info", 0, "", std::nullopt, false},
    };
    ASSERT_TRUE(CreateDrawerPath(root.dos(), "Work:Stovan/Cache/Downloads").ok());
    LhaWriteOptions fresh;
    fresh.addToExisting = false;
    auto written =
        CreateLhaArchive(root.Host("Work", "Stovan/Cache/Downloads/Foo.lha"), inputs, fresh);
    ASSERT_TRUE(written.ok()) << written.error().message;

    // An earlier installation whose program icon the user changed.
    Write("Work:Apps/Foo/Foo.info", "the user's icon");
    Write("T:StovanTemp0000ABCD/keep", "");
    SpawnedRun lha = Script(InstallScript("Foo.lha", ".lha"));
    ASSERT_EQ(lha.rc, 0) << lha.err;
    EXPECT_EQ(Read("Work:Apps/Foo/Foo"), "program v2");
    EXPECT_EQ(Read("Work:Apps/Foo/Docs/Foo.guide"), "@database");
    EXPECT_EQ(Read("Work:Apps/Foo/Foo.info"), "the user's icon");
    EXPECT_EQ(Read("Work:Apps/Foo.info"), "drawer icon");
    // LhA keeps the comment; Copy without CLONE leaves it behind, as on AmigaDOS.
    auto unpacked = Examine(root.dos(), "T:StovanTemp0000ABCD/Foo/Foo");
    ASSERT_TRUE(unpacked.ok());
    EXPECT_EQ(unpacked->comment, "The program");
    auto program = Examine(root.dos(), "Work:Apps/Foo/Foo");
    ASSERT_TRUE(program.ok());
    EXPECT_EQ(program->comment, "");
    auto script = Examine(root.dos(), "Work:Apps/Foo/Install-Me");
    ASSERT_TRUE(script.ok());
    EXPECT_EQ(script->protection & FIBF_SCRIPT, FIBF_SCRIPT);
    EXPECT_NE(Companions().find("SGauge EXTRACTING Foo.lha 1 1"), std::string::npos);
    EXPECT_EQ(Companions().find("STooltype"), std::string::npos);

    // The same from a ZIP made by zip(1), into a fresh place; there is no
    // drawer icon in it, so STooltype makes one.
    ASSERT_EQ(::unlink(root.Host("Work", "Apps/Foo.info").c_str()), 0);
    ASSERT_EQ(DeleteAll(root.dos(), "T:StovanTemp0000ABCD").error(), 0);
    ASSERT_EQ(DeleteAll(root.dos(), "Work:Apps/Foo").error(), 0);
    std::string zip = root.Host("Work", "Stovan/Cache/Downloads/Foo.zip");
    SpawnedRun zipped = Spawn(
        source,
        {"/bin/sh", "-c", "cd '" + source + "' && zip -qr '" + zip + "' Foo -x Foo/Foo.info"});
    ASSERT_EQ(zipped.rc, 0) << zipped.err;
    Write("T:StovanTemp0000ABCD/keep", "");
    SpawnedRun unzip = Script(InstallScript("Foo.zip", ".zip"));
    ASSERT_EQ(unzip.rc, 0) << unzip.err;
    EXPECT_EQ(Read("Work:Apps/Foo/Docs/Foo.guide"), "@database");
    EXPECT_FALSE(Exists("Work:Apps/Foo/Foo.info"));
    EXPECT_NE(Companions().find("STooltype Work:Apps/Foo TYPE WBDRAWER"), std::string::npos);

    // A damaged archive stops the installation before anything is copied.
    WriteHostFile(root.Host("Work", "Stovan/Cache/Downloads/Bad.lha"), "-lh5- not really");
    ASSERT_EQ(DeleteAll(root.dos(), "Work:Apps/Foo").error(), 0);
    SpawnedRun bad = Script(InstallScript("Bad.lha", ".lha"));
    EXPECT_EQ(bad.rc, 20);
    EXPECT_NE(bad.err.find("LhA failed returncode 20"), std::string::npos) << bad.err;
    EXPECT_FALSE(Exists("Work:Apps/Foo"));
}

// The backup template expanded by hand for "Foo" installed in Work:Apps/,
// with backups enabled.
std::string BackupScript() {
    const std::string backupDir = "Work:Stovan/Cache/Backups/";
    const std::string backupName = backupDir + "Foo_1.2.lha";
    const std::string restore = "Foo/StovanRestore";
    auto echo = [&](const std::string& text) {
        return "   Echo \"" + text + "\" >>\"" + restore + "\"\n";
    };
    return "CD \"T:StovanTemp0000ABCD/\"\nFailAt 9\n"
           "If \"ENABLED\" EQ \"ENABLED\"\n"
           " If EXISTS \"Work:Apps/Foo\"\n"
           "  SGauge \"BACKUP\" \"Foo\" 1 1\n"
           "  If NOT EXISTS \"" +
           backupDir +
           "\"\n"
           "   Makedir \"" +
           backupDir +
           "\" ALL\n"
           "  EndIf\n"
           "  SLog \"BACKUP\" \"Foo\" 1 2\n"
           "  If EXISTS \"" +
           backupName +
           "\"\n"
           "   Delete \"" +
           backupName +
           "\"\n"
           "  EndIf\n"
           "  Cd \"Work:Apps/\"\n"
           "  Lha a -re \"" +
           backupName +
           "\" \"Foo\" \"Foo.info\"\n"
           "  Cd \"T:StovanTemp0000ABCD/\"\n"
           "  If NOT EXISTS \"Foo\"\n"
           "   MakeDir \"Foo/StovanRestoreData\" ALL\n"
           "  EndIf\n"
           "  FailAt 30\n"
           "  Dir >NIL: \"ENVARC:foo#?\"\n"
           "  If NOT FAIL\n"
           "   FailAt 10\n"
           "   If NOT EXISTS \"Foo/StovanRestoreData/ENVARC\"\n"
           "    MakeDir \"Foo/StovanRestoreData/ENVARC\" ALL\n"
           "   EndIf\n"
           "   Copy \"ENVARC:foo#?\" \"Foo/StovanRestoreData/ENVARC\" ALL\n"
           "  EndIf\n"
           "  FailAt 30\n"
           "  Dir >NIL: \"ENVARC:MUI/FOO#?.prefs\"\n"
           "  If NOT FAIL\n"
           "   FailAt 10\n"
           "   If NOT EXISTS \"Foo/StovanRestoreData/ENVARC/MUI\"\n"
           "    MakeDir \"Foo/StovanRestoreData/ENVARC/MUI\" ALL\n"
           "   EndIf\n"
           "   Copy \"ENVARC:MUI/FOO#?.prefs\" \"Foo/StovanRestoreData/ENVARC/MUI/\"\n"
           "  EndIf\n"
           "  FailAt 10\n"
           "  Echo \"If EQ `RequestChoice TITLE *\"Foo Restore*\" BODY *\"If you continue Foo "
           "will be**Nrestored to 'Work:Apps/'!*\" GADGETS *\"Continue|Cancel*\"*` *\"1*\"\" "
           ">>\"" +
           restore +
           "\"\n"
           "  If EXISTS \"Work:Apps/Foo\"\n" +
           echo(" FailAt 20") + echo(" MakeDir *\"Work:Apps/*\" ALL") + echo(" FailAt 10") +
           echo("*N; restore entire application directory*N") +
           echo(" Copy FROM *\"#?*\" TO *\"Work:Apps/Foo*\" ALL") +
           echo(" If EXISTS *\"/Foo.info*\"") + echo("  Copy *\"/Foo.info*\" TO *\"Work:Apps/*\"") +
           echo(" EndIf") + echo("*N; remove Stovan backup files from installation*N") +
           echo(" Delete *\"Work:Apps/Foo/StovanRestoreData*\" ALL FORCE") +
           echo(" Delete *\"Work:Apps/Foo/StovanRestore*\"         FORCE") +
           echo(" Delete *\"Work:Apps/Foo/StovanRestore.info*\"    FORCE") +
           "  EndIf\n"
           "  If EXISTS \"Foo/StovanRestoreData/ENVARC\"\n" +
           echo("*N; restore ENVARC: and ENV: files*N") +
           echo(" Copy *\"StovanRestoreData/ENVARC/#?*\" TO *\"ENVARC:*\" ALL") +
           echo(" Copy *\"StovanRestoreData/ENVARC/#?*\" TO *\"ENV:*\"    ALL") + "  EndIf\n" +
           echo("*N; restore done*N") +
           echo(
               " RequestChoice TITLE *\"Foo Restore*\" BODY *\"Foo is restored!*\" GADGETS "
               "*\"Ok*\"") +
           echo("EndIf") + "  Protect \"" + restore +
           "\" s ADD\n"
           "  If EXISTS \"Work:Stovan/Stovan.info\" NOREQ\n"
           "   Copy \"Work:Stovan/Stovan.info\" \"" +
           restore +
           ".info\"\n"
           "  EndIf\n"
           "  Lha a -re \"" +
           backupName +
           "\" \"Foo\"\n"
           "  Delete \"Foo\" ALL\n"
           "  SLog \"BACKUPDONE\" \"Foo\"\n"
           " EndIf\n"
           "EndIf\n";
}

TEST_F(ShellProgram, BackupTemplateWritesArchiveAndRestoreScript) {
    Write("Work:Apps/Foo/Foo", "program v1");
    Write("Work:Apps/Foo/Docs/Foo.guide", "guide v1");
    Write("Work:Apps/Foo.info", "drawer icon");
    Write("Work:Stovan/Stovan.info", "stovan icon");
    Write("ENVARC:foo.prefs", "saved prefs");
    Write("ENVARC:MUI/FOO.1.prefs", "mui prefs");
    Write("ENVARC:other.prefs", "not ours");
    ASSERT_TRUE(SetComment(root.dos(), "Work:Apps/Foo/Foo", "v1 program").ok());
    ASSERT_TRUE(CreateDrawerPath(root.dos(), "T:StovanTemp0000ABCD").ok());

    SpawnedRun backup = Script(BackupScript());
    ASSERT_EQ(backup.rc, 0) << backup.err << backup.out;
    EXPECT_FALSE(Exists("T:StovanTemp0000ABCD/Foo"));
    EXPECT_NE(Companions().find("SLog BACKUPDONE Foo"), std::string::npos);

    // lhasa lists and tests what we wrote.
    const std::string archive = root.Host("Work", "Stovan/Cache/Backups/Foo_1.2.lha");
    SpawnedRun list = Spawn(root.folder(), {"/usr/bin/lhasa", "l", archive});
    ASSERT_EQ(list.rc, 0) << list.err;
    for (const char* name : {"Foo/Foo", "Foo/Docs/Foo.guide", "Foo.info", "Foo/StovanRestore",
                             "Foo/StovanRestore.info", "Foo/StovanRestoreData/ENVARC/foo.prefs",
                             "Foo/StovanRestoreData/ENVARC/MUI/FOO.1.prefs"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(list.out.find(std::string(name) + "\n"), std::string::npos) << list.out;
    }
    EXPECT_EQ(list.out.find("other.prefs"), std::string::npos);
    EXPECT_EQ(list.out.find(".uaem"), std::string::npos);
    SpawnedRun test = Spawn(root.folder(), {"/usr/bin/lhasa", "t", archive});
    EXPECT_EQ(test.rc, 0) << test.out << test.err;

    // The application goes away; the backup brings it back.
    ASSERT_EQ(DeleteAll(root.dos(), "Work:Apps/Foo").error(), 0);
    ASSERT_EQ(DeleteFile(root.dos(), "Work:Apps/Foo.info").error(), 0);
    ASSERT_EQ(DeleteFile(root.dos(), "ENVARC:foo.prefs").error(), 0);
    SpawnedRun unpack = Line("LhA x \"Work:Stovan/Cache/Backups/Foo_1.2.lha\" \"RAM:Restore/\"");
    ASSERT_EQ(unpack.rc, 0) << unpack.err;
    std::string restoreScript = Read("RAM:Restore/Foo/StovanRestore");
    EXPECT_EQ(restoreScript.substr(0, restoreScript.find('\n')),
              "If EQ `RequestChoice TITLE \"Foo Restore\" BODY \"If you continue Foo will "
              "be*Nrestored to 'Work:Apps/'!\" GADGETS \"Continue|Cancel\"` \"1\"");
    auto restoreInfo = Examine(root.dos(), "RAM:Restore/Foo/StovanRestore");
    ASSERT_TRUE(restoreInfo.ok());
    EXPECT_EQ(restoreInfo->protection & FIBF_SCRIPT, FIBF_SCRIPT);

    // Without anyone to ask, the restore is cancelled and changes nothing.
    SpawnedRun cancelled = Script("CD RAM:Restore/Foo\nStovanRestore\n");
    EXPECT_EQ(cancelled.rc, 0) << cancelled.err;
    EXPECT_FALSE(Exists("Work:Apps/Foo"));

    // On a terminal the user answers "Continue" (1) and then "Ok" (0).
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(::write(master, "1\n0\n", 4), 4);
    SpawnedRun restored = Script("CD RAM:Restore/Foo\nStovanRestore\n", slave);
    ::close(slave);
    ::close(master);
    ASSERT_EQ(restored.rc, 0) << restored.err;
    EXPECT_EQ(Read("Work:Apps/Foo/Foo"), "program v1");
    EXPECT_EQ(Read("Work:Apps/Foo/Docs/Foo.guide"), "guide v1");
    EXPECT_EQ(Read("Work:Apps/Foo.info"), "drawer icon");
    EXPECT_EQ(Read("ENVARC:foo.prefs"), "saved prefs");
    EXPECT_EQ(Read("ENV:foo.prefs"), "saved prefs");
    EXPECT_EQ(Read("ENVARC:MUI/FOO.1.prefs"), "mui prefs");
    EXPECT_FALSE(Exists("Work:Apps/Foo/StovanRestore"));
    EXPECT_FALSE(Exists("Work:Apps/Foo/StovanRestoreData"));
    // The comment went into the backup and came out of it.
    auto program = Examine(root.dos(), "RAM:Restore/Foo/Foo");
    ASSERT_TRUE(program.ok());
    EXPECT_EQ(program->comment, "v1 program");
}

}  // namespace
}  // namespace amiga
