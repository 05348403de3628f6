// The script templates as they really run: an install or uninstall script
// assembled the way Stovan writes it (the CD line into the temporary drawer,
// the prologue with its FailAt level, the entry's block), expanded for a
// sample item, and run by the stovan-shell executable on a throw-away root
// with the real companion commands talking to a test port that stands in for
// Stovan's. Archives are made by the test: .lha by the archive writer, .zip
// by zip(1); backups are checked with lhasa.

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/LhaWriter.h"
#include "commands/CommandSupport.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Icon.h"
#include "platform/Locks.h"
#include "platform/PortMessage.h"
#include "platform/SystemRoot.h"
#include "prefs/Preferences.h"
#include "tests/scripts/PlaceholderFixture.h"
#include "tests/support/Programs.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {
namespace {

using namespace std::chrono_literals;

const std::string kShell = BuiltProgram("stovan-shell");
// The companion commands the templates call, by the file names they are
// built under.
const char* const kCompanions[] = {"SGauge", "SLog", "SToolType"};

// Stovan's public port as the companion commands see it: a thread answers
// every message with success and notes it as "<command> KEYWORD|text|n1|n2".
class TestPort {
  public:
    explicit TestPort(const std::string& portsFolder) {
        std::filesystem::create_directories(portsFolder);
        auto port = amiga::PublicPort::Create(portsFolder, commands::kStovanPortName);
        if (!port.ok()) {
            ADD_FAILURE() << "cannot open the test port: " << amiga::PortErrorText(port.error());
            return;
        }
        port_.emplace(std::move(*port));
        thread_ = std::thread([this] { Serve(); });
    }
    ~TestPort() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    TestPort(const TestPort&) = delete;
    TestPort& operator=(const TestPort&) = delete;

    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }

  private:
    void Serve() {
        while (!stop_) {
            auto connection = port_->accept(20ms);
            if (!connection.ok()) {
                continue;
            }
            // FindPort's probes close without a message; that is no error here.
            (void)amiga::ServePortConnection(
                *connection,
                [this](const amiga::PortMessage& message) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    messages_.push_back(std::to_string(message.command) + " " + message.text1 +
                                        "|" + message.text2 + "|" +
                                        std::to_string(message.number1) + "|" +
                                        std::to_string(message.number2));
                    return amiga::PortReply{0, {}};
                },
                5s);
        }
    }

    std::optional<amiga::PublicPort> port_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

// The bytes of a valid icon of a type, as Workbench would have written it.
std::string IconBytes(std::uint8_t type) {
    auto icon = amiga::GetDefDiskObject(type);
    EXPECT_TRUE(icon.ok());
    if (!icon.ok()) {
        return {};
    }
    auto bytes = amiga::EncodeDiskObject(*icon);
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? *bytes : std::string();
}

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

enum class ScriptKind { Install = 1, Uninstall = 2 };

// One throw-away system: an engine over a fresh root, the item "Foo"
// installed to Work:Apps/, the companion commands in C: and the test port.
class TemplateWorld {
  public:
    TemplateWorld()
        : item(world.AddItem("Foo")),
          port(amiga::PortsFolder(world.root.dos())),
          toolIcon(IconBytes(amiga::WBTOOL)) {
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
        ASSERT_TRUE(amiga::CreateDrawerPath(world.root.dos(), amiga::PathPart(amigaPath)).ok())
            << amigaPath;
        ASSERT_TRUE(amiga::WriteFile(world.root.dos(), amigaPath, text).ok()) << amigaPath;
    }
    std::string Read(const std::string& amigaPath) {
        auto text = amiga::ReadFile(world.root.dos(), amigaPath);
        return text.ok() ? *text : "<missing>";
    }
    bool Exists(const std::string& amigaPath) {
        return amiga::Lock(world.root.dos(), amigaPath).ok();
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
            SpawnedRun zipped = Spawn(
                Folder(), {"/bin/sh", "-c", "cd '" + source + "' && zip -qr '" + made + "' Foo"});
            ASSERT_EQ(zipped.rc, 0) << "zip: " << zipped.err;
        } else {
            WriteHostFile(made, "-lh5- not really an archive");
        }
        Write(Expand("{DOWNLOADDIR}{ARCHIVE}"), ReadHostFile(made));
    }

    // The script file as Stovan writes it: the CD line into the temporary
    // drawer, the prologue of the kind, the block; each part expanded.
    std::string Assemble(ScriptKind kind, const std::string& block) {
        std::string script = Expand("CD \"{TEMPDIR}\"\n");
        if (kind == ScriptKind::Install) {
            script += "FailAt 9\n";
        } else {
            script += "FailAt 30\n" + Expand("Delete FORCE \"{CHECKNAME}\"\n");
        }
        return script + Expand(block);
    }

    // Writes "{TEMPDIR}{NAME}.bat" and runs it as Stovan does; before an
    // installation Stovan creates the install drawer (with drawer icons).
    SpawnedRun Run(ScriptKind kind, const std::string& block, int inputFd = -1) {
        const std::string path = Expand("{TEMPDIR}{NAME}.bat");
        if (kind == ScriptKind::Install) {
            CreateDrawerPath(world.root.dos(), Expand("{INSTALLDIR}"), true);
        }
        Write(path, Assemble(kind, block));
        return Spawn(Folder(), {kShell, "--root", world.root.root(), path}, inputFd);
    }
    SpawnedRun Line(const std::string& line, int inputFd = -1) {
        return Spawn(Folder(), {kShell, "--root", world.root.root(), "-c", line}, inputFd);
    }

    PlaceholderWorld world;
    ApplicationItem& item;
    TestPort port;
    std::string toolIcon;
};

class TemplateScripts : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kShell))
            << kShell << " is missing: build the stovan-shell target before test_scripts";
        for (const char* name : kCompanions) {
            ASSERT_TRUE(std::filesystem::exists(BuiltProgram(name)))
                << BuiltProgram(name) << " is missing: build the " << name
                << " target before test_scripts";
        }
    }
};

TEST_F(TemplateScripts, EachTemplateRunsOnARoot) {
    struct Row {
        const char* name;
        ScriptKind kind;
        std::string archive;  // put into the download drawer; "" none
        std::function<void(TemplateWorld&)> setup;
        std::string block;
        int rc;
        std::string out;
        std::string errContains;
        std::vector<std::pair<std::string, std::string>> files;  // Amiga path, content
        std::vector<std::string> absent;
        std::vector<std::string> messages;  // what reached the port, in order
        std::function<void(TemplateWorld&)> check;
        bool linesInAnyOrder = false;  // an unzip lists files in the archive's order
    };
    const auto nothing = [](TemplateWorld&) {};
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
    const Row rows[] = {
        {"lha: STANDARDEXTRACT then STANDARDCOPY",
         ScriptKind::Install,
         "Foo.lha",
         nothing,
         "{STANDARDEXTRACT}{STANDARDCOPY}",
         0,
         lhaOut + copyOut + iconCopied + iconCopied,
         "",
         {{"Work:Apps/Foo/Foo", "program v2"},
          {"Work:Apps/Foo/Docs/Foo.guide", "@database"},
          {"Work:Apps/Foo.info", "drawer icon"}},
         {},
         {gaugeExtractLha, gaugeInstalling},
         [](TemplateWorld& w) { EXPECT_EQ(w.Read("Work:Apps/Foo/Foo.info"), w.toolIcon); },
         true},
        {"zip: STANDARDEXTRACT then COPYALL; STooltype makes the drawer icon",
         ScriptKind::Install,
         "Foo.zip",
         nothing,
         "{STANDARDEXTRACT}{COPYALL}",
         0,
         zipOut + copyOut + iconCopied,
         "",
         {{"Work:Apps/Foo/Foo", "program v2"}, {"Work:Apps/Foo/Docs/Foo.guide", "@database"}},
         {},
         {"2 EXTRACTING|Foo.zip|1|1", gaugeInstalling},
         [](TemplateWorld& w) {
             auto icon = amiga::ReadDiskObjectFile(w.world.root.Host("Work", "Apps/Foo.info"));
             ASSERT_TRUE(icon.ok()) << "no drawer icon made";
             EXPECT_EQ(icon->type, amiga::WBDRAWER);
         },
         true},
        {"CHECKAPPICON keeps the icon the user has",
         ScriptKind::Install,
         "Foo.lha",
         [](TemplateWorld& w) { w.Write("Work:Apps/Foo/Foo.info", "the user's icon"); },
         "{STANDARDEXTRACT}{STANDARDCOPY}",
         0,
         lhaOut + tempDir + "Foo/Foo.info  Deleted\n" + copyOut + iconCopied,
         "",
         {{"Work:Apps/Foo/Foo", "program v2"}, {"Work:Apps/Foo/Foo.info", "the user's icon"}},
         {},
         {gaugeExtractLha, gaugeInstalling},
         nullptr,
         true},
        {"COPYDRAWERICON leaves an existing drawer icon alone",
         ScriptKind::Install,
         "",
         [](TemplateWorld& w) {
             w.Write("Work:Apps/Foo/Foo", "program v1");
             w.Write("Work:Apps/Foo.info", "old drawer icon");
             w.Write(w.Expand("{TEMPDIR}Foo.info"), "new drawer icon");
         },
         "{COPYDRAWERICON}",
         0,
         "",
         "",
         {{"Work:Apps/Foo.info", "old drawer icon"}},
         {},
         {},
         nullptr},
        {"COPYDRAWERICON copies the unpacked drawer icon when there is none",
         ScriptKind::Install,
         "",
         [](TemplateWorld& w) {
             w.Write("Work:Apps/Foo/Foo", "program v1");
             w.Write(w.Expand("{TEMPDIR}Foo.info"), "new drawer icon");
         },
         "{COPYDRAWERICON}",
         0,
         iconCopied,
         "",
         {{"Work:Apps/Foo.info", "new drawer icon"}},
         {},
         {},
         nullptr},
        {"CREATEWBSTARTUPICON makes a project icon that starts the program",
         ScriptKind::Install,
         "",
         [](TemplateWorld& w) {
             w.Write("Work:Apps/Foo/Foo", "program v1");
             w.Write("Work:Apps/Foo/Foo.info", w.toolIcon);
         },
         "{CREATEWBSTARTUPICON}",
         0,
         iconCopied,
         "",
         {},
         {},
         {},
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
        {"CREATEWBSTARTUPICON keeps a start-up icon that exists",
         ScriptKind::Install,
         "",
         [](TemplateWorld& w) {
             w.Write("Work:Apps/Foo/Foo.info", w.toolIcon);
             w.Write("Work:Apps/Foo/Foo_WBStartup.info", "mine");
         },
         "{CREATEWBSTARTUPICON}",
         0,
         "",
         "",
         {{"Work:Apps/Foo/Foo_WBStartup.info", "mine"}},
         {},
         {},
         nullptr},
        {"CREATEWBSTARTUPICON without a program icon does nothing",
         ScriptKind::Install,
         "",
         [](TemplateWorld& w) { w.Write("Work:Apps/Foo/Foo", "program v1"); },
         "{CREATEWBSTARTUPICON}",
         0,
         "",
         "",
         {},
         {"Work:Apps/Foo/Foo_WBStartup.info"},
         {},
         nullptr},
        {"DELETEWBSTARTUPICON and the check file under the uninstall prologue",
         ScriptKind::Uninstall,
         "",
         [&](TemplateWorld& w) {
             for (const std::string& file : startupFiles) {
                 w.Write(file, "x");
             }
             w.Write("SYS:WBStartup/Other.info", "someone else's");
             w.Write("PROGDIR:Prefs/VersionData/Foo", "1.2");
         },
         "{DELETEWBSTARTUPICON}",
         0,
         "Work:Stovan/Prefs/VersionData/Foo  Deleted\nSYS:WBStartup/Foo_WBStartup.info  "
         "Deleted\nSYS:WBStartup/Foo_WBStartup  Deleted\nSYS:WBStartup/Foo.info  "
         "Deleted\nSYS:WBStartup/Foo  Deleted\n",
         "",
         {{"SYS:WBStartup/Other.info", "someone else's"}},
         {startupFiles[0], startupFiles[1], startupFiles[2], startupFiles[3],
          "PROGDIR:Prefs/VersionData/Foo"},
         {},
         nullptr},
        {"DELETEWBSTARTUPICON with nothing to delete",
         ScriptKind::Uninstall,
         "",
         nothing,
         "{DELETEWBSTARTUPICON}",
         0,
         "No file to delete\n",  // the check file of the prologue
         "",
         {},
         {},
         {},
         nullptr},
        {"a damaged archive stops the installation before the copy",
         ScriptKind::Install,
         "Bad.lha",
         nothing,
         "{STANDARDEXTRACT}{STANDARDCOPY}",
         20,
         "",
         "LhA failed returncode 20",
         {},
         {"Work:Apps/Foo"},
         {"2 EXTRACTING|Bad.lha|1|1"},
         nullptr},
        {"STANDARDBACKUP is skipped while backups are off",
         ScriptKind::Install,
         "",
         [](TemplateWorld& w) { w.Write("Work:Apps/Foo/Foo", "program v1"); },
         "{STANDARDBACKUP}",
         0,
         "",
         "",
         {{"Work:Apps/Foo/Foo", "program v1"}},
         {"PROGDIR:Cache/Backups/Foo_v1.02.lha"},
         {},
         [](TemplateWorld& w) { EXPECT_FALSE(w.Exists(w.Expand("{BACKUPNAME}"))); }},
        {"install prologue (FailAt 9) stops at an error",
         ScriptKind::Install,
         "Foo.lha",
         [](TemplateWorld& w) { w.Write("Work:Apps/Foo/Foo", "program v1"); },
         "{STANDARDEXTRACT}MakeDir \"{INSTALLDIR}\"\n{STANDARDCOPY}",
         10,
         lhaOut,
         "MakeDir failed returncode 10",
         {{"Work:Apps/Foo/Foo", "program v1"}},
         {"Work:Apps/Foo/Docs"},
         {gaugeExtractLha, gaugeInstalling},
         nullptr},
        {"install prologue (FailAt 9) passes a warning",
         ScriptKind::Install,
         "Foo.lha",
         nothing,
         "Delete \"{INSTALLDIR}none\"\n{STANDARDEXTRACT}{STANDARDCOPY}Echo \"rc $RC\"\n",
         0,
         "No file to delete\n" + lhaOut + copyOut + iconCopied + iconCopied + "rc 0\n",
         "",
         {{"Work:Apps/Foo/Foo", "program v2"}},
         {},
         {gaugeExtractLha, gaugeInstalling},
         nullptr,
         true},
        {"uninstall prologue (FailAt 30) runs through failures",
         ScriptKind::Uninstall,
         "",
         [](TemplateWorld& w) {
             w.Write("Work:Apps/Foo/Foo", "program v1");
             w.Write("SYS:WBStartup/Foo", "x");
         },
         "Copy \"{INSTALLDIR}none\" \"RAM:x\"\nEcho \"rc $RC\"\nDelete \"{INSTALLDIR}{NAME}\" "
         "ALL QUIET\n{DELETEWBSTARTUPICON}Echo done\n",
         0,
         "No file to delete\nrc 20\nSYS:WBStartup/Foo  Deleted\ndone\n",
         "",
         {},
         {"Work:Apps/Foo", "SYS:WBStartup/Foo"},
         {},
         [](TemplateWorld&) {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TemplateWorld w;
        if (!row.archive.empty()) {
            w.Download(row.archive);
        }
        row.setup(w);
        SpawnedRun run = w.Run(row.kind, row.block);
        EXPECT_EQ(run.rc, row.rc) << run.err << run.out;
        if (row.linesInAnyOrder) {
            EXPECT_EQ(SortedLines(run.out), SortedLines(row.out));
        } else {
            EXPECT_EQ(run.out, row.out);
        }
        EXPECT_NE(run.err.find(row.errContains), std::string::npos) << run.err;
        for (const auto& [path, content] : row.files) {
            EXPECT_EQ(w.Read(path), content) << path;
        }
        for (const std::string& path : row.absent) {
            EXPECT_FALSE(w.Exists(path)) << path;
        }
        EXPECT_EQ(w.port.Messages(), row.messages);
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
    w.Write("Work:Apps/Foo/Foo", "program v1");
    w.Write("Work:Apps/Foo/Docs/Foo.guide", "guide v1");
    w.Write("Work:Apps/Foo.info", "drawer icon");
    w.Write("PROGDIR:Stovan.info", "stovan icon");
    w.Write("ENVARC:foo.prefs", "saved prefs");
    w.Write("ENVARC:MUI/FOO.1.prefs", "mui prefs");
    w.Write("ENVARC:MUI/FOOBAR.prefs", "another program's");
    w.Write("ENVARC:other.prefs", "not ours");
    w.Write("PROGDIR:Prefs/VersionData/Foo", "1.2");
    const std::string backupName = w.Expand("{BACKUPNAME}");
    ASSERT_EQ(backupName.substr(backupName.rfind('/') + 1), "Foo_v1.02.lha");

    // The uninstallation: back up, then remove the drawer and its icon.
    SpawnedRun uninstall = w.Run(ScriptKind::Uninstall,
                                 "{STANDARDBACKUP}Delete \"{INSTALLDIR}{NAME}\" ALL QUIET\n"
                                 "Delete \"{INSTALLDIR}{NAME}.info\" QUIET\n");
    ASSERT_EQ(uninstall.rc, 0) << uninstall.err << uninstall.out;
    EXPECT_FALSE(w.Exists("Work:Apps/Foo"));
    EXPECT_FALSE(w.Exists("PROGDIR:Prefs/VersionData/Foo"));
    EXPECT_FALSE(w.Exists(w.Expand("{TEMPDIR}Foo")));
    const std::vector<std::string> expected = {"2 BACKUP|Foo|1|1", "3 BACKUP|Foo|1|2",
                                               "2 UNINSTALLING|Foo|1|1", "3 BACKUPDONE|Foo|0|0"};
    EXPECT_EQ(w.port.Messages(), expected);

    // lhasa lists and tests the archive.
    const std::string archive = w.Folder() + "/backup.lha";
    WriteHostFile(archive, w.Read(backupName));
    SpawnedRun list = Spawn(w.Folder(), {"/usr/bin/lhasa", "l", archive});
    ASSERT_EQ(list.rc, 0) << list.err;
    for (const char* name : {"Foo/Foo", "Foo/Docs/Foo.guide", "Foo.info", "Foo/StovanRestore",
                             "Foo/StovanRestore.info", "Foo/StovanRestoreData/ENVARC/foo.prefs",
                             "Foo/StovanRestoreData/ENVARC/MUI/FOO.1.prefs"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(list.out.find(std::string(name) + "\n"), std::string::npos) << list.out;
    }
    EXPECT_EQ(list.out.find("other.prefs"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("FOOBAR.prefs"), std::string::npos) << list.out;
    SpawnedRun test = Spawn(w.Folder(), {"/usr/bin/lhasa", "t", archive});
    EXPECT_EQ(test.rc, 0) << test.out << test.err;

    // Unpacked somewhere, the restore script carries the s bit and the icon.
    w.Write("ENVARC:foo.prefs", "changed since");
    SpawnedRun unpack = w.Line("LhA x \"" + backupName + "\" \"RAM:Restore/\"");
    ASSERT_EQ(unpack.rc, 0) << unpack.err;
    auto restoreInfo = amiga::Examine(w.world.root.dos(), "RAM:Restore/Foo/StovanRestore");
    ASSERT_TRUE(restoreInfo.ok());
    EXPECT_EQ(restoreInfo->protection & amiga::FIBF_SCRIPT, amiga::FIBF_SCRIPT);
    EXPECT_EQ(w.Read("RAM:Restore/Foo/StovanRestore.info"), "stovan icon");

    // Without anyone to answer its requester the restore changes nothing.
    w.Write("RAM:run-restore", "CD RAM:Restore/Foo\nStovanRestore\n");
    SpawnedRun cancelled =
        Spawn(w.Folder(), {kShell, "--root", w.world.root.root(), "RAM:run-restore"});
    EXPECT_EQ(cancelled.rc, 0) << cancelled.err;
    EXPECT_FALSE(w.Exists("Work:Apps/Foo"));
    EXPECT_EQ(w.Read("ENVARC:foo.prefs"), "changed since");

    // On a terminal the user answers "Continue" (1), then "Ok" (0).
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(::write(master, "1\n0\n", 4), 4);
    SpawnedRun restored =
        Spawn(w.Folder(), {kShell, "--root", w.world.root.root(), "RAM:run-restore"}, slave);
    ::close(slave);
    ::close(master);
    ASSERT_EQ(restored.rc, 0) << restored.err;
    EXPECT_EQ(w.Read("Work:Apps/Foo/Foo"), "program v1");
    EXPECT_EQ(w.Read("Work:Apps/Foo/Docs/Foo.guide"), "guide v1");
    EXPECT_EQ(w.Read("Work:Apps/Foo.info"), "drawer icon");
    EXPECT_EQ(w.Read("ENVARC:foo.prefs"), "saved prefs");
    EXPECT_EQ(w.Read("ENV:foo.prefs"), "saved prefs");
    EXPECT_EQ(w.Read("ENVARC:MUI/FOO.1.prefs"), "mui prefs");
    EXPECT_EQ(w.Read("ENV:MUI/FOO.1.prefs"), "mui prefs");
    EXPECT_FALSE(w.Exists("Work:Apps/Foo/StovanRestore"));
    EXPECT_FALSE(w.Exists("Work:Apps/Foo/StovanRestore.info"));
    EXPECT_FALSE(w.Exists("Work:Apps/Foo/StovanRestoreData"));
}

}  // namespace
}  // namespace stovan::test

namespace stovan::test {
namespace {

// Entries written before the backup template came first unpack the new
// version into "{TEMPDIR}Foo" and then back up: the backup stages its restore
// script in a drawer of its own, so the unpacked application survives to be
// copied, and the backup holds the old version only.
TEST_F(TemplateScripts, BackupAfterTheExtractionKeepsTheUnpackedVersion) {
    for (const char* order : {"{STANDARDEXTRACT}{STANDARDBACKUP}{STANDARDCOPY}",
                              "{STANDARDBACKUP}{STANDARDEXTRACT}{STANDARDCOPY}"}) {
        SCOPED_TRACE(order);
        TemplateWorld w;
        w.world.preferences.flags2 |= BACKUP_BEFORE_INSTALL;
        w.world.engine->currentOperation = EngineOperation::Install;
        w.Download("Foo.lha");
        w.Write("Work:Apps/Foo/Foo", "program v1");
        w.Write("Work:Apps/Foo.info", "drawer icon");
        SpawnedRun run = w.Run(ScriptKind::Install, order);
        ASSERT_EQ(run.rc, 0) << run.err << run.out;
        EXPECT_EQ(w.Read("Work:Apps/Foo/Foo"), "program v2");
        EXPECT_FALSE(w.Exists("Work:Apps/Foo/StovanRestore"));
        EXPECT_FALSE(w.Exists("Work:Apps/Foo/StovanRestoreData"));

        SpawnedRun unpack = w.Line("LhA x \"" + w.Expand("{BACKUPNAME}") + "\" \"RAM:Check/\"");
        ASSERT_EQ(unpack.rc, 0) << unpack.err;
        EXPECT_EQ(w.Read("RAM:Check/Foo/Foo"), "program v1");
        EXPECT_TRUE(w.Exists("RAM:Check/Foo/StovanRestore"));
        EXPECT_FALSE(w.Exists("RAM:Check/Foo/Docs"));  // nothing of the new version
    }
}

}  // namespace
}  // namespace stovan::test
