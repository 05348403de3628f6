// Scripts run against a throw-away root: output, error stream, files and
// return codes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "shell/Break.h"
#include "shell/Shell.h"
#include "tests/shell/TestHost.h"

namespace amiga {
namespace {

struct Outcome {
    int rc = 0;
    std::string out;
    std::string err;
};

Outcome RunScript(test::TestHost& host, std::string_view script, Shell* reuse = nullptr) {
    FileDescriptor out = CreateCaptureFile();
    FileDescriptor err = CreateCaptureFile();
    FileDescriptor in(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    Streams io{in.get(), out.get(), err.get()};
    host.WriteFile("T:script", script);
    Outcome outcome;
    if (reuse != nullptr) {
        outcome.rc = reuse->ExecuteFile("T:script", "", io);
    } else {
        Shell shell(host, io);
        outcome.rc = shell.ExecuteFile("T:script", "", io);
    }
    outcome.out = ReadCaptureFile(out.get(), 1 << 20);
    outcome.err = ReadCaptureFile(err.get(), 1 << 20);
    return outcome;
}

struct Row {
    const char* name;
    const char* script;
    const char* out;  // exact standard output
    int rc;
    const char* errContains = "";
};

void RunRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TestHost host;
        host.WriteFile("SYS:data/file.txt", "hello\n");
        host.WriteFile("SYS:data/b.info", "icon");
        Outcome outcome = RunScript(host, row.script);
        EXPECT_EQ(outcome.out, row.out);
        EXPECT_EQ(outcome.rc, row.rc);
        EXPECT_NE(outcome.err.find(row.errContains), std::string::npos) << outcome.err;
    }
}

TEST(ShellScripts, FlowControl) {
    RunRows({
        {"if eq true", "If \"a\" EQ \"A\"\nEcho yes\nElse\nEcho no\nEndIf\n", "yes\n", 0},
        {"if eq false", "If \"a\" EQ \"b\"\nEcho yes\nElse\nEcho no\nEndIf\n", "no\n", 0},
        {"not exists", "If NOT EXISTS \"SYS:nothing\"\nEcho missing\nEndIf\n", "missing\n", 0},
        {"exists drawer", "If EXISTS SYS:data\nEcho there\nEndIf\n", "there\n", 0},
        {"stray word", "If EXISTS \"SYS:data/b.info\" NOREQ\nEcho ok\nEndIf\n", "ok\n", 0},
        {"nested skip",
         "If a EQ b\n If c EQ c\n  Echo inner\n Else\n  Echo x\n EndIf\nEcho skipped\n"
         "Else\nEcho outer-else\nEndIf\nEcho end\n",
         "outer-else\nend\n", 0},
        {"VAL", "If 10 GT 9 VAL\nEcho num\nEndIf\nIf 10 GT 9\nEcho text\nEndIf\n", "num\n", 0},
        {"not ge is less", "If 3 NOT GE 4 VAL\nEcho less\nEndIf\n", "less\n", 0},
        {"warn after rc 5", "Get nothing\nIf WARN\nEcho warned\nEndIf\n", "warned\n", 0,
         "Get: object not found"},
        {"missing endif", "If a EQ b\nEcho x\n", "", 10, "no matching Else or EndIf"},
        {"skip forward", "Skip there\nEcho no\nLab there\nEcho yes\n", "yes\n", 0},
        {"skip endskip", "Skip\nEcho no\nEndSkip\nEcho yes\n", "yes\n", 0},
        {"skip back once", "Lab top\nEcho x\nIf $n EQ 1\nQuit 3\nEndIf\nSet n 1\nSkip top BACK\n",
         "x\nx\n", 3},
        {"keyword as variable name", "Set name World\nEcho $name\n", "$name\n", 0},
        {"skip missing label", "Skip nowhere\nEcho after\n", "", 20, "Skip: object not found"},
        {"quit code", "Echo a\nQuit 7\nEcho b\n", "a\n", 7},
        {"comment and blank lines keep rc", "Quit 0\n", "", 0},
    });
}

TEST(ShellScripts, FailAtAndReturnCodes) {
    RunRows({
        {"default stops at 10", "Copy SYS:none T:x\nEcho after\n", "", 20,
         "Copy failed returncode 20"},
        {"install prologue stops at error", "FailAt 9\nMakeDir SYS:data\nEcho after\n", "", 10,
         "MakeDir failed returncode 10"},
        {"warn passes install prologue", "FailAt 9\nDelete SYS:nothing QUIET\nEcho after\n",
         "No file to delete\nafter\n", 0},
        {"uninstall prologue goes on", "FailAt 30\nCopy SYS:none T:x\nEcho after\n", "after\n", 0},
        {"rc variable", "FailAt 30\nCopy SYS:none T:x\nEcho $RC $Result2\n", "20 205\n", 0},
        {"if fail under failat 30",
         "FailAt 30\nDir >NIL: \"ENVARC:foo#?\"\nIf NOT FAIL\nEcho found\nElse\nEcho none\nEndIf\n",
         "none\n", 0},
        {"unknown command fails", "NoSuchCommand x\nEcho after\n", "", 20,
         "NoSuchCommand: Unknown command"},
        {"bad arguments fail", "MakeDir\n", "", 20, "required argument missing"},
    });
}

TEST(ShellScripts, VariablesEchoAndBackticks) {
    RunRows({
        {"set and use", "Set who World\nEcho \"Hello $who\"\n", "Hello World\n", 0},
        {"braces", "Set a_b x\nEcho ${a_b}\n", "x\n", 0},
        {"unset", "Set v 1\nUnset v\nEcho $v\n", "$v\n", 0},
        {"global", "SetEnv g glob\nEcho $g\nGetEnv g\n", "glob\nglob\n", 0},
        {"local wins", "SetEnv g glob\nSet g loc\nEcho $g\n", "loc\n", 0},
        {"backtick", "Echo \"[`Echo inner`]\"\n", "[inner]\n", 0},
        {"backtick does not set rc", "Echo `Get nothing`\nEcho $RC\n", "\n0\n", 0},
        {"echo on", "Set echo on\nEcho hi\n", "Echo hi\nhi\n", 0},
        {"echo noline first len", "Echo abcdef FIRST 2 LEN 3\nEcho abcdef LEN 2 NOLINE\n",
         "bcd\nef", 0},
        {"escapes in quotes", "Echo \"a*\"b*Nc\"\n", "a\"b\nc\n", 0},
        {"escaped dollar", "Set x 1\nEcho \"*$x\"\n", "$x\n", 0},
        {"requestchoice without terminal", "Echo `RequestChoice T B \"Yes|No\"`\n", "0\n", 0},
        {"requestchoice to variable", "RequestChoice T B Yes No TO r\nEcho $r\n", "0\n", 0},
        {"ask without input", "Ask \"Sure?\"\nIf WARN\nEcho yes\nEndIf\n", "Sure? ", 0},
    });
}

TEST(ShellScripts, Redirection) {
    test::TestHost host;
    Outcome outcome = RunScript(host,
                                "Echo one >T:out\nEcho second >>T:out\n"
                                "Echo \"quoted\" >>\"T:out\"\nEcho gone >NIL:\n"
                                "Get nothing *>T:err\nType <T:out T:out >T:copy\n");
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(host.ReadFile("T:out"), "one\nsecond\nquoted\n");
    EXPECT_EQ(host.ReadFile("T:copy"), "one\nsecond\nquoted\n");
    EXPECT_EQ(host.ReadFile("T:err"), "Get: object not found\n");
    EXPECT_EQ(outcome.rc, 0) << outcome.err;

    Outcome bad = RunScript(host, "Echo x >SYS:missing/drawer/file\nEcho after\n");
    EXPECT_EQ(bad.rc, 20);
    EXPECT_EQ(bad.out, "");
}

TEST(ShellScripts, FileCommands) {
    test::TestHost host;
    host.WriteFile("RAM:T/App/App", "program $VER: App 2.18 (08.10.2015)\n");
    host.WriteFile("RAM:T/App/App.info", "icon");
    host.WriteFile("RAM:T/App/Docs/readme", "doc");
    host.WriteFile("RAM:T/App.info", "drawer icon");
    ASSERT_EQ(host.SetComment("RAM:T/App/App", "note"), kNoError);
    ASSERT_EQ(host.SetProtection("RAM:T/App/App", FIBF_SCRIPT), kNoError);

    Outcome copy = RunScript(host,
                             "FailAt 9\nMakeDir Work:Apps\n"
                             "Copy \"T:App/#?\" \"Work:Apps/App\" ALL QUIET\n"
                             "Copy \"T:App.info\" \"Work:Apps/App.info\"\n"
                             "Copy T:App/App Work:clone CLONE\n");
    EXPECT_EQ(copy.rc, 0) << copy.err;
    EXPECT_EQ(host.ReadFile("Work:Apps/App/Docs/readme"), "doc");
    EXPECT_EQ(host.ReadFile("Work:Apps/App.info"), "drawer icon");
    EXPECT_EQ(host.Protection("Work:Apps/App/App"), FIBF_SCRIPT);  // kept by default
    EXPECT_EQ(host.Comment("Work:Apps/App/App"), "");              // only with CLONE
    EXPECT_EQ(host.Comment("Work:clone"), "note");

    Outcome version = RunScript(host,
                                "Version Work:Apps/App/App\n"
                                "Version FULL NAME \"Work:Apps/App/App\" FILE *>NIL:\n"
                                "Version Work:Apps/App/App 2 19\nEcho $RC\n"
                                "Version Work:Apps/App/App 2 9\nEcho $RC\n");
    EXPECT_EQ(version.out, "App 2.18\nApp 2.18 (08.10.2015)\nApp 2.18\n5\nApp 2.18\n0\n");

    Outcome noVersion = RunScript(host,
                                  "FailAt 30\nVersion Work:Apps/App/Docs/readme\nEcho $RC\n"
                                  "Version Work:none\nEcho $RC\n");
    EXPECT_EQ(noVersion.out, "10\n20\n");

    Outcome protect = RunScript(host,
                                "Protect Work:clone s ADD\nProtect Work:clone +d\n"
                                "Protect Work:Apps/App/Docs/readme rw\nProtect Work:clone xyz\n");
    EXPECT_EQ(protect.rc, 20);
    EXPECT_NE(protect.err.find("Invalid flags - must be one of HSPARWED"), std::string::npos);
    EXPECT_EQ(host.Protection("Work:clone"), FIBF_SCRIPT);
    EXPECT_EQ(host.Protection("Work:Apps/App/Docs/readme"), FIBF_EXECUTE | FIBF_DELETE);

    Outcome del = RunScript(host,
                            "FailAt 30\nDelete Work:Apps/App/Docs/readme\n"
                            "Delete FORCE Work:Apps/App/Docs/readme QUIET\nDelete Work:Apps/App\n"
                            "Delete Work:Apps/App ALL QUIET\nDelete \"Work:nothing#?\"\n"
                            "Echo $RC\n");
    EXPECT_FALSE(host.Exists("Work:Apps/App"));
    EXPECT_NE(
        del.out.find("Work:Apps/App/Docs/readme  Not Deleted: object is protected from deletion"),
        std::string::npos)
        << del.out;
    EXPECT_NE(del.out.find("Work:Apps/App  Not Deleted: directory not empty"), std::string::npos);
    EXPECT_NE(del.out.find("No file to delete\n5\n"), std::string::npos);

    Outcome dirs = RunScript(host,
                             "MakeDir Work:a/b/c ALL\nMakeDir Work:a/b/c ALL\n"
                             "Rename Work:clone Work:a/renamed\nDir Work:a/b\n"
                             "List Work:a LFORMAT \"%s|%l\"\n");
    EXPECT_EQ(dirs.rc, 0) << dirs.err;
    EXPECT_TRUE(host.Exists("Work:a/renamed"));
    EXPECT_EQ(dirs.out, "     c (dir)\nb|Dir\nrenamed|" +
                            std::to_string(host.ReadFile("Work:a/renamed").size()) + "\n");

    Outcome makeExisting = RunScript(host, "MakeDir Work:a\n");
    EXPECT_EQ(makeExisting.rc, 10);
    EXPECT_NE(makeExisting.err.find("Cannot create directory Work:a"), std::string::npos);
}

TEST(ShellScripts, ExecuteAndCommandSearch) {
    test::TestHost host;
    host.WriteFile("S:greet", ".key WHO/A,LOUD/S\nEcho \"Hi <WHO>\" <LOUD>\nFailAt 15\n");
    host.WriteFile("Work:Tools/C/Hello", "Echo from-script\nFailAt 25\n");
    ASSERT_EQ(host.SetProtection("Work:Tools/C/Hello", FIBF_SCRIPT), kNoError);
    host.WriteFile("SYS:C/Plain", "not a program");
    host.WriteFile("SYS:C/HostTool", "#!/bin/sh\necho \"args:$#:$1:$2\"\nexit 3\n");
    ::chmod(host.HostPath("SYS:C/HostTool").c_str(), 0755);

    Outcome outcome = RunScript(host,
                                "Execute greet Bob LOUD\nEcho limit\nFailAt\nHello\nEcho rc $RC\n"
                                "FailAt 10\nHostTool \"a b\" c\nEcho rc $RC\nPlain\n");
    EXPECT_EQ(outcome.out,
              "Hi Bob LOUD\nlimit\nFail limit: 15\nfrom-script\nrc 0\nargs:2:a b:c\nrc 3\n");
    EXPECT_EQ(outcome.rc, 20);
    EXPECT_NE(outcome.err.find("Plain: file is not executable"), std::string::npos);

    Outcome missingArgument = RunScript(host, "Execute greet\nEcho after\n");
    EXPECT_EQ(missingArgument.rc, 20);
    EXPECT_NE(missingArgument.err.find("Execute: required argument missing"), std::string::npos);

    // Quit inside a nested script ends the caller too.
    host.WriteFile("S:stop", "Quit 6\n");
    Outcome nested = RunScript(host, "FailAt 30\nExecute stop\nEcho not-reached\n");
    EXPECT_EQ(nested.rc, 6);
    EXPECT_EQ(nested.out, "");

    // The fail limit goes back to 10 once the outermost script has ended.
    FileDescriptor null(::open("/dev/null", O_RDWR | O_CLOEXEC));
    Shell shell(host, Streams{null.get(), null.get(), null.get()});
    RunScript(host, "FailAt 30\n", &shell);
    EXPECT_EQ(shell.failAt(), 10);
}

TEST(ShellScripts, CurrentDrawerAndAssigns) {
    test::TestHost host;
    host.WriteFile("Work:dir/file", "x");
    Outcome outcome = RunScript(host,
                                "CD Work:dir\nCD\nType file\nEcho\nCD /\nCD\nAssign X: Work:dir\n"
                                "Type X:file\nEcho\nAssign X: EXISTS\nAssign Y: EXISTS\n"
                                "Echo $RC\n");
    EXPECT_EQ(outcome.out, "Work:dir\nx\nWork:\nx\nX              Work:dir\nY: not assigned\n5\n");
    Outcome bad = RunScript(host, "CD Work:dir/file\n");
    EXPECT_EQ(bad.rc, 10);
    EXPECT_NE(bad.err.find("CD: object is not of required type"), std::string::npos);
}

TEST(ShellScripts, BreakEndsTheScript) {
    test::TestHost host;
    SignalBreak();
    Outcome outcome = RunScript(host, "Echo never\n");
    EXPECT_EQ(outcome.rc, 20);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("***Break"), std::string::npos);
    EXPECT_FALSE(BreakRequested());
}

TEST(ShellScripts, HostileInput) {
    test::TestHost host;
    // Self-executing script: nesting is bounded.
    host.WriteFile("S:loop", "Execute loop\n");
    Outcome loop = RunScript(host, "Execute loop\n");
    EXPECT_EQ(loop.rc, 20);
    EXPECT_NE(loop.err.find("too many levels"), std::string::npos);
    // A huge variable expansion is refused, not grown without end.
    Outcome big = RunScript(host, "Set a " + std::string(40000, 'x') + "\nEcho $a$a$a\n");
    EXPECT_EQ(big.rc, 20);
    Outcome quote = RunScript(host, "Echo \"unterminated\n");
    EXPECT_EQ(quote.rc, 20);
    Outcome empty = RunScript(host, "");
    EXPECT_EQ(empty.rc, 0);
}

}  // namespace
}  // namespace amiga
