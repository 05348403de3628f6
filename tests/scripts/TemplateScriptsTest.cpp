// The script templates as they really run: assembled and expanded as Stovan
// writes them, run by stovan-shell on a throw-away root with the real
// companion commands talking to a test port.

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "archive/LhaWriter.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Icon.h"
#include "platform/Locks.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"
#include "tests/support/FakeStovan.h"
#include "tests/support/PlaceholderWorld.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {
namespace {

using namespace std::chrono_literals;

const std::string kShell = BuiltProgram("stovan-shell");
// The companion commands the templates call, by the file names they are
// built under.
const char* const kCompanions[] = {"SGauge", "SLog", "SToolType"};

// The bytes of a valid icon of a type, as Workbench would have written it.
std::string IconBytes(std::uint8_t type) {
    auto icon = amiga::GetDefDiskObject(type);
    EXPECT_TRUE(icon.ok());
    auto bytes = icon.ok() ? amiga::EncodeDiskObject(*icon) : amiga::Unexpected{icon.error()};
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? *bytes : std::string();
}

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

enum class ScriptKind { Install = 1, Uninstall = 2 };

using Files = std::vector<std::pair<std::string, std::string>>;  // Amiga path, content

// One throw-away system: an engine over a fresh root, the item "Foo"
// installed to Work:Apps/, the companion commands in C: and the test port.
class TemplateWorld {
  public:
    TemplateWorld()
        : item(world.AddItem("Foo")), port(world.root.dos()), toolIcon(IconBytes(amiga::WBTOOL)) {
        world.Set(item, ItemField::installDir, "Work:Apps/");
        world.Set(item, ItemField::urlArchive, "http://example.com/files/Foo.lha");
        item.type = AppType::UTILITY;
        item.installedVersion = {1, 2, 0};
        item.serverVersion = {1, 3, 0};
        world.engine->currentOperation = EngineOperation::Install;
        for (const char* name : kCompanions) {
            std::error_code error;
            std::filesystem::copy_file(BuiltProgram(name), world.root.Host("SYS", "C/") + name,
                                       error);
            EXPECT_FALSE(error) << name << ": " << error.message();
        }
    }

    std::string Expand(std::string_view text) { return world.Expand(&item, text); }

    void Write(const std::string& amigaPath, const std::string& text) {
        WriteAmigaFile(world.root.dos(), amigaPath, text);
    }
    void Write(const Files& files) {
        for (const auto& [path, content] : files) {
            Write(path, content);
        }
    }
    void ExpectFiles(const Files& files, const std::vector<std::string>& absent = {}) {
        for (const auto& [path, content] : files) {
            EXPECT_EQ(Read(path), content) << path;
        }
        for (const std::string& path : absent) {
            EXPECT_FALSE(Exists(path)) << path;
        }
    }
    std::string Read(const std::string& amigaPath) {
        return ReadAmigaFile(world.root.dos(), amigaPath);
    }
    bool Exists(const std::string& amigaPath) {
        return amiga::Lock(world.root.dos(), amigaPath).ok();
    }
    std::string Comment(const std::string& amigaPath) {
        auto info = amiga::Examine(world.root.dos(), amigaPath);
        return info.ok() ? info->comment : "<no such file>";
    }
    std::string Folder() const { return world.root.folder(); }

    // The downloaded application as its author packed it: the drawer with
    // the program, its icon and a guide, and the drawer icon beside it.
    std::string MakeSource() {
        const std::string source = Folder() + "/src";
        std::filesystem::create_directories(source + "/Foo/Docs");
        WriteHostFile(source + "/Foo/Foo", "program v2");
        WriteHostFile(source + "/Foo/Docs/Foo.guide", "@database");
        WriteHostFile(source + "/Foo/Foo.info", toolIcon);
        WriteHostFile(source + "/Foo.info", "drawer icon");
        return source;
    }

    // Puts an archive into the download drawer and makes the item name it.
    void Download(const std::string& archive) {
        world.Set(item, ItemField::urlArchive, "http://example.com/files/" + archive);
        const std::string source = MakeSource();
        const std::string made = Folder() + "/" + archive;
        if (archive == "Foo.lha") {
            std::vector<stovan::archive::LhaInput> inputs = {
                {source + "/Foo", "Foo", 0, "", std::nullopt, true},
                {source + "/Foo/Foo", "Foo/Foo", 0, "The program", std::nullopt, false},
                {source + "/Foo/Docs/Foo.guide", "Foo/Docs/Foo.guide", 0, "", std::nullopt, false},
                {source + "/Foo/Foo.info", "Foo/Foo.info", 0, "", std::nullopt, false},
                {source + "/Foo.info", "Foo.info", 0, "", std::nullopt, false},
            };
            stovan::archive::LhaWriteOptions fresh;
            fresh.addToExisting = false;
            auto written = stovan::archive::CreateLhaArchive(made, inputs, fresh);
            ASSERT_TRUE(written.ok()) << written.error().message;
        } else if (archive == "Foo.zip") {
            // Only the drawer: the archive brings no drawer icon.
            ProgramRun zipped =
                RunProgram("/bin/sh", {"-c", "cd '" + source + "' && zip -qr '" + made + "' Foo"});
            ASSERT_EQ(zipped.exitCode, 0) << "zip: " << zipped.err;
        } else {
            WriteHostFile(made, "-lh5- not really an archive");
        }
        Write(Expand("{DOWNLOADDIR}{ARCHIVE}"), ReadHostFile(made));
    }

    // Writes "{TEMPDIR}{NAME}.bat" as Stovan does (the CD line into the
    // temporary drawer, the prologue of the kind, the block; each part
    // expanded) and runs it; before an installation Stovan creates the
    // install drawer (with drawer icons).
    ProgramRun Run(ScriptKind kind, const std::string& block) {
        const std::string path = Expand("{TEMPDIR}{NAME}.bat");
        std::string script = Expand("CD \"{TEMPDIR}\"\n");
        if (kind == ScriptKind::Install) {
            CreateDrawerPath(world.root.dos(), Expand("{INSTALLDIR}"), true);
            script += "FailAt 9\n";
        } else {
            script += "FailAt 30\n" + Expand("Delete FORCE \"{CHECKNAME}\"\n");
        }
        Write(path, script + Expand(block));
        return RunProgram(kShell, {"--root", world.root.root(), path});
    }
    ProgramRun Line(const std::string& line) {
        return RunProgram(kShell, {"--root", world.root.root(), "-c", line});
    }

    PlaceholderWorld world;
    ApplicationItem& item;
    FakeStovan port;
    std::string toolIcon;
};

class TemplateScripts : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const std::string& program :
             {kShell, BuiltProgram("SGauge"), BuiltProgram("SLog"), BuiltProgram("SToolType")}) {
            ASSERT_TRUE(std::filesystem::exists(program)) << program << " is missing: build it";
        }
    }
};

TEST_F(TemplateScripts, EachTemplateRunsOnARoot) {
    struct Row {
        const char* name;
        ScriptKind kind = ScriptKind::Install;
        std::string archive{};  // put into the download drawer; "" none
        Files written{};        // put on the root after the archive
        std::string block{};
        int exitCode = 0;
        std::string out{};
        std::string errContains{};
        Files files{};
        std::vector<std::string> absent{};
        std::vector<std::string> messages{};  // what reached the port, in order
        std::function<void(TemplateWorld&)> check{};
        bool linesInAnyOrder = false;  // an unzip lists files in the archive's order
    };
    const std::string gaugeExtractLha = "2 EXTRACTING|Foo.lha|1|1";
    const std::string gaugeInstalling = "2 INSTALLING|Foo|1|1";
    const std::string lhaOut =
        " Creating: Foo/\n Extracting: Foo/Foo\n Extracting: Foo/Docs/Foo.guide\n"
        " Extracting: Foo/Foo.info\n Extracting: Foo.info\n";
    // Copy names what it copies; an unpacked icon that CHECKAPPICON deletes
    // is named by Delete.
    const std::string copyOut = "  Docs (Dir)\n    Foo.guide..copied\n  Foo..copied\n";
    const std::string iconCopied = "  Foo.info..copied\n";
    const std::string tempDir = "RAM:T/StovanTemp/001a2b3c/";
    const std::string zipOut =
        " Creating: Foo/\n Creating: Foo/Docs/\n Extracting: Foo/Docs/Foo.guide\n"
        " Extracting: Foo/Foo.info\n Extracting: Foo/Foo\n";
    const std::vector<std::string> startupFiles = {"SYS:WBStartup/Foo_WBStartup.info",
                                                   "SYS:WBStartup/Foo_WBStartup",
                                                   "SYS:WBStartup/Foo.info", "SYS:WBStartup/Foo"};
    const std::string toolIcon = IconBytes(amiga::WBTOOL);
    const Row rows[] = {
        {.name = "lha: STANDARDEXTRACT then STANDARDCOPY; the install prologue passes a warning",
         .archive = "Foo.lha",
         .block = "Delete \"{INSTALLDIR}none\"\n{STANDARDEXTRACT}{STANDARDCOPY}Echo \"rc $RC\"\n",
         .out = "No file to delete\n" + lhaOut + copyOut + iconCopied + iconCopied + "rc 0\n",
         .files = {{"Work:Apps/Foo/Foo", "program v2"},
                   {"Work:Apps/Foo/Docs/Foo.guide", "@database"},
                   {"Work:Apps/Foo.info", "drawer icon"}},
         .messages = {gaugeExtractLha, gaugeInstalling},
         .check =
             [](TemplateWorld& w) {
                 EXPECT_EQ(w.Read("Work:Apps/Foo/Foo.info"), w.toolIcon);
                 // LhA keeps the comment; Copy without CLONE leaves it behind.
                 EXPECT_EQ(w.Comment(w.Expand("{TEMPDIR}Foo/Foo")), "The program");
                 EXPECT_EQ(w.Comment("Work:Apps/Foo/Foo"), "");
             },
         .linesInAnyOrder = true},
        {.name = "zip: STANDARDEXTRACT then COPYALL; STooltype makes the drawer icon",
         .archive = "Foo.zip",
         .block = "{STANDARDEXTRACT}{COPYALL}",
         .out = zipOut + copyOut + iconCopied,
         .files = {{"Work:Apps/Foo/Foo", "program v2"},
                   {"Work:Apps/Foo/Docs/Foo.guide", "@database"}},
         .messages = {"2 EXTRACTING|Foo.zip|1|1", gaugeInstalling},
         .check =
             [](TemplateWorld& w) {
                 auto icon = amiga::ReadDiskObjectFile(w.world.root.Host("Work", "Apps/Foo.info"));
                 ASSERT_TRUE(icon.ok()) << "no drawer icon made";
                 EXPECT_EQ(icon->type, amiga::WBDRAWER);
             },
         .linesInAnyOrder = true},
        {.name = "CHECKAPPICON keeps the icon the user has",
         .archive = "Foo.lha",
         .written = {{"Work:Apps/Foo/Foo.info", "the user's icon"}},
         .block = "{STANDARDEXTRACT}{STANDARDCOPY}",
         .out = lhaOut + tempDir + "Foo/Foo.info  Deleted\n" + copyOut + iconCopied,
         .files = {{"Work:Apps/Foo/Foo", "program v2"},
                   {"Work:Apps/Foo/Foo.info", "the user's icon"}},
         .messages = {gaugeExtractLha, gaugeInstalling},
         .linesInAnyOrder = true},
        {.name = "COPYDRAWERICON leaves an existing drawer icon alone; STANDARDBACKUP is skipped "
                 "while backups are off",
         .written = {{"Work:Apps/Foo/Foo", "program v1"},
                     {"Work:Apps/Foo.info", "old drawer icon"},
                     {tempDir + "Foo.info", "new drawer icon"}},
         .block = "{STANDARDBACKUP}{COPYDRAWERICON}",
         .files = {{"Work:Apps/Foo.info", "old drawer icon"}, {"Work:Apps/Foo/Foo", "program v1"}},
         .absent = {"PROGDIR:Cache/Backups/Foo_v1.02.lha"}},
        {.name = "CREATEWBSTARTUPICON makes a project icon that starts the program",
         .written = {{"Work:Apps/Foo/Foo", "program v1"}, {"Work:Apps/Foo/Foo.info", toolIcon}},
         .block = "{CREATEWBSTARTUPICON}",
         .out = iconCopied,
         .check =
             [](TemplateWorld& w) {
                 auto icon = amiga::ReadDiskObjectFile(
                     w.world.root.Host("Work", "Apps/Foo/Foo_WBStartup.info"));
                 ASSERT_TRUE(icon.ok()) << "no start-up icon";
                 EXPECT_EQ(icon->type, amiga::WBPROJECT);
                 EXPECT_EQ(icon->defaultTool.value_or("<none>"), "Work:Apps/Foo/Foo");
                 EXPECT_EQ(icon->stackSize, 24576);
                 // "X -1 Y -1": Workbench places the icon.
                 EXPECT_EQ(icon->currentX, amiga::NO_ICON_POSITION);
                 EXPECT_EQ(icon->currentY, amiga::NO_ICON_POSITION);
                 EXPECT_EQ(w.Read("Work:Apps/Foo/Foo.info"), w.toolIcon);
             }},
        {.name = "CREATEWBSTARTUPICON keeps a start-up icon that exists",
         .written = {{"Work:Apps/Foo/Foo.info", toolIcon},
                     {"Work:Apps/Foo/Foo_WBStartup.info", "mine"}},
         .block = "{CREATEWBSTARTUPICON}",
         .files = {{"Work:Apps/Foo/Foo_WBStartup.info", "mine"}}},
        {.name = "CREATEWBSTARTUPICON without a program icon does nothing",
         .written = {{"Work:Apps/Foo/Foo", "program v1"}},
         .block = "{CREATEWBSTARTUPICON}",
         .absent = {"Work:Apps/Foo/Foo_WBStartup.info"}},
        {.name = "DELETEWBSTARTUPICON and the check file under the uninstall prologue",
         .kind = ScriptKind::Uninstall,
         .written = {{startupFiles[0], "x"},
                     {startupFiles[1], "x"},
                     {startupFiles[2], "x"},
                     {startupFiles[3], "x"},
                     {"SYS:WBStartup/Other.info", "someone else's"},
                     {"PROGDIR:Prefs/VersionData/Foo", "1.2"}},
         .block = "{DELETEWBSTARTUPICON}",
         .out = "Work:Stovan/Prefs/VersionData/Foo  Deleted\nSYS:WBStartup/Foo_WBStartup.info  "
                "Deleted\nSYS:WBStartup/Foo_WBStartup  Deleted\nSYS:WBStartup/Foo.info  "
                "Deleted\nSYS:WBStartup/Foo  Deleted\n",
         .files = {{"SYS:WBStartup/Other.info", "someone else's"}},
         .absent = {startupFiles[0], startupFiles[1], startupFiles[2], startupFiles[3],
                    "PROGDIR:Prefs/VersionData/Foo"}},
        {.name = "a damaged archive stops the installation before the copy",
         .archive = "Bad.lha",
         .block = "{STANDARDEXTRACT}{STANDARDCOPY}",
         .exitCode = 20,
         .errContains = "LhA failed returncode 20",
         .absent = {"Work:Apps/Foo"},
         .messages = {"2 EXTRACTING|Bad.lha|1|1"}},
        {.name = "install prologue (FailAt 9) stops at an error",
         .archive = "Foo.lha",
         .written = {{"Work:Apps/Foo/Foo", "program v1"}},
         .block = "{STANDARDEXTRACT}MakeDir \"{INSTALLDIR}\"\n{STANDARDCOPY}",
         .exitCode = 10,
         .out = lhaOut,
         .errContains = "MakeDir failed returncode 10",
         .files = {{"Work:Apps/Foo/Foo", "program v1"}},
         .absent = {"Work:Apps/Foo/Docs"},
         .messages = {gaugeExtractLha, gaugeInstalling}},
        {.name = "uninstall prologue (FailAt 30) runs through failures",
         .kind = ScriptKind::Uninstall,
         .written = {{"Work:Apps/Foo/Foo", "program v1"}, {"SYS:WBStartup/Foo", "x"}},
         .block =
             "Copy \"{INSTALLDIR}none\" \"RAM:x\"\nEcho \"rc $RC\"\nDelete \"{INSTALLDIR}{NAME}\" "
             "ALL QUIET\n{DELETEWBSTARTUPICON}Echo done\n",
         .out = "No file to delete\nrc 20\nSYS:WBStartup/Foo  Deleted\ndone\n",
         .absent = {"Work:Apps/Foo", "SYS:WBStartup/Foo"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TemplateWorld w;
        if (!row.archive.empty()) {
            w.Download(row.archive);
        }
        w.Write(row.written);
        ProgramRun run = w.Run(row.kind, row.block);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err << run.out;
        if (row.linesInAnyOrder) {
            EXPECT_EQ(SortedLines(run.out), SortedLines(row.out));
        } else {
            EXPECT_EQ(run.out, row.out);
        }
        EXPECT_NE(run.err.find(row.errContains), std::string::npos) << run.err;
        w.ExpectFiles(row.files, row.absent);
        EXPECT_EQ(Describe(w.port.Received()), row.messages);
        if (row.check) {
            row.check(w);
        }
    }
}

// The backup template before an uninstallation: the archive it writes holds
// the application, its settings and a restore script; lhasa lists and tests
// it; the restore script, unpacked and run back, restores the drawer.
TEST_F(TemplateScripts, BackupArchiveRestoresTheApplication) {
    TemplateWorld w;
    w.world.preferences.flags2 |= BACKUP_BEFORE_UNINSTALL;
    w.world.engine->currentOperation = EngineOperation::Uninstall;
    w.Write({{"Work:Apps/Foo/Foo", "program v1"},
             {"Work:Apps/Foo/Docs/Foo.guide", "guide v1"},
             {"Work:Apps/Foo.info", "drawer icon"},
             {"PROGDIR:Stovan.info", "stovan icon"},
             {"ENVARC:foo.prefs", "saved prefs"},
             {"ENVARC:MUI/FOO.1.prefs", "mui prefs"},
             {"ENVARC:MUI/FOOBAR.prefs", "another program's"},
             {"ENVARC:other.prefs", "not ours"},
             {"PROGDIR:Prefs/VersionData/Foo", "1.2"}});
    ASSERT_TRUE(amiga::SetComment(w.world.root.dos(), "Work:Apps/Foo/Foo", "v1 program").ok());
    const std::string backupName = w.Expand("{BACKUPNAME}");
    ASSERT_EQ(backupName.substr(backupName.rfind('/') + 1), "Foo_v1.02.lha");

    // The uninstallation: back up, then remove the drawer and its icon.
    ProgramRun uninstall = w.Run(ScriptKind::Uninstall,
                                 "{STANDARDBACKUP}Delete \"{INSTALLDIR}{NAME}\" ALL QUIET\n"
                                 "Delete \"{INSTALLDIR}{NAME}.info\" QUIET\n");
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err << uninstall.out;
    w.ExpectFiles({}, {"Work:Apps/Foo", "PROGDIR:Prefs/VersionData/Foo", w.Expand("{TEMPDIR}Foo")});
    const std::vector<std::string> expected = {"2 BACKUP|Foo|1|1", "3 BACKUP|Foo|1|2",
                                               "2 UNINSTALLING|Foo|1|1", "3 BACKUPDONE|Foo|0|0"};
    EXPECT_EQ(Describe(w.port.Received()), expected);

    // lhasa lists and tests the archive.
    const std::string archive = w.Folder() + "/backup.lha";
    WriteHostFile(archive, w.Read(backupName));
    ProgramRun list = RunProgram("/usr/bin/lhasa", {"l", archive});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    for (const char* name : {"Foo/Foo", "Foo/Docs/Foo.guide", "Foo.info", "Foo/StovanRestore",
                             "Foo/StovanRestore.info", "Foo/StovanRestoreData/ENVARC/foo.prefs",
                             "Foo/StovanRestoreData/ENVARC/MUI/FOO.1.prefs"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(list.out.find(std::string(name) + "\n"), std::string::npos) << list.out;
    }
    for (const char* name : {"other.prefs", "FOOBAR.prefs", ".uaem"}) {
        EXPECT_EQ(list.out.find(name), std::string::npos) << list.out;
    }
    ProgramRun test = RunProgram("/usr/bin/lhasa", {"t", archive});
    EXPECT_EQ(test.exitCode, 0) << test.out << test.err;

    // Unpacked somewhere, the restore script carries the s bit and the icon.
    w.Write("ENVARC:foo.prefs", "changed since");
    ProgramRun unpack = w.Line("LhA x \"" + backupName + "\" \"RAM:Restore/\"");
    ASSERT_EQ(unpack.exitCode, 0) << unpack.err;
    auto restoreInfo = amiga::Examine(w.world.root.dos(), "RAM:Restore/Foo/StovanRestore");
    ASSERT_TRUE(restoreInfo.ok());
    EXPECT_EQ(restoreInfo->protection & amiga::FIBF_SCRIPT, amiga::FIBF_SCRIPT);
    EXPECT_EQ(w.Read("RAM:Restore/Foo/StovanRestore.info"), "stovan icon");
    EXPECT_EQ(w.Comment("RAM:Restore/Foo/Foo"), "v1 program");

    // Without anyone to answer its requester the restore changes nothing.
    w.Write("RAM:run-restore", "CD RAM:Restore/Foo\nStovanRestore\n");
    ProgramRun cancelled = RunProgram(kShell, {"--root", w.world.root.root(), "RAM:run-restore"});
    EXPECT_EQ(cancelled.exitCode, 0) << cancelled.err;
    w.ExpectFiles({{"ENVARC:foo.prefs", "changed since"}}, {"Work:Apps/Foo"});

    // On a terminal the user answers "Continue" (1), then "Ok" (0).
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(::write(master, "1\n0\n", 4), 4);
    ProgramRun restored =
        RunProgram(kShell, {"--root", w.world.root.root(), "RAM:run-restore"}, {.inputFd = slave});
    ::close(slave);
    ::close(master);
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    w.ExpectFiles({{"Work:Apps/Foo/Foo", "program v1"},
                   {"Work:Apps/Foo/Docs/Foo.guide", "guide v1"},
                   {"Work:Apps/Foo.info", "drawer icon"},
                   {"ENVARC:foo.prefs", "saved prefs"},
                   {"ENV:foo.prefs", "saved prefs"},
                   {"ENVARC:MUI/FOO.1.prefs", "mui prefs"},
                   {"ENV:MUI/FOO.1.prefs", "mui prefs"}},
                  {"Work:Apps/Foo/StovanRestore", "Work:Apps/Foo/StovanRestore.info",
                   "Work:Apps/Foo/StovanRestoreData"});
}

}  // namespace
}  // namespace stovan::test
