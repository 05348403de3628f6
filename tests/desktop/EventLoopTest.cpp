// The event loop with real workers and the real port: scripts run by
// stovan-shell, the companion commands talking back, aborts, hostile
// clients.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "core/MessageIds.h"
#include "desktop/CompanionCommands.h"
#include "desktop/Interrupt.h"
#include "desktop/ServeEvents.h"
#include "engine/InstalledVersion.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "platform/SystemRoot.h"
#include "scripts/ScriptRunner.h"
#include "scripts/ScriptWriter.h"
#include "tests/support/PlaceholderWorld.h"
#include "tests/support/RecordingFrontend.h"
#include "tests/support/RunProgram.h"

namespace stovan::test {
namespace {

using namespace std::chrono_literals;

const char* const kCommandDrawer = "PROGDIR:Database/Commands/AmigaOS4";
const std::vector<std::string> kCommands = {"SDownload", "SGauge", "SLog"};

// The processes whose parent is this one.
std::vector<pid_t> ChildProcesses() {
    std::vector<pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) {
            continue;
        }
        // "pid (name) state ppid ...": the name may hold blanks.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        char state = 0;
        long parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) == 2 &&
            parent == ::getpid()) {
            children.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
        }
    }
    return children;
}

class EventLoopTest : public ::testing::Test {
  protected:
    EventLoopTest()
        : item(world.AddItem("Foo")),
          server(world.root.dos(), frontend, world.log, BuiltProgram("stovan-shell")) {
        world.Set(item, ItemField::installDir, "Work:Apps/");
        item.installedVersion = {1, 2, 0};
        auto drawer = amiga::Lock(world.root.dos(), kCommandDrawer);
        EXPECT_TRUE(drawer.ok());
        for (const std::string& name : kCommands) {
            std::error_code error;
            std::filesystem::copy_file(BuiltProgram(name), drawer->hostPath + "/" + name, error);
            EXPECT_FALSE(error) << name;
        }
        EXPECT_TRUE(InstallCompanionCommands(world.root.dos(), kCommands, kCommandDrawer).ok());
        server.setDownloadHandler([this](std::string_view url, std::string_view name) {
            downloads.push_back(std::string(url) + " -> " + std::string(name));
            return url.find("missing") == std::string_view::npos ? Status::Ok()
                                                                 : Status(msg::CannotFind);
        });
    }

    Status Run(const std::string& block, ScriptOperation operation = ScriptOperation::Install) {
        std::string path;
        const ScriptKind kind =
            operation == ScriptOperation::Uninstall ? ScriptKind::Uninstall : ScriptKind::Install;
        EXPECT_TRUE(WriteScript(*world.engine, item, block, kind, path).ok());
        return RunScript(*world.engine, server, frontend, item, path, operation);
    }

    bool Logged(const std::string& text) const {
        return std::ranges::any_of(world.log.entries(),
                                   [&](const LogEntry& entry) { return entry.text == text; });
    }

    PlaceholderWorld world;
    ApplicationItem& item;
    RecordingFrontend frontend;
    EventServer server;
    std::vector<std::string> downloads;
};

TEST_F(EventLoopTest, ScriptReachesGaugeLogAndDownloadThroughThePort) {
    EXPECT_TRUE(Run("SGauge \"EXTRACTING\" \"Foo.lha\" 1 1\n"
                    "SGauge \"whatever\" \"Foo\" 0 0\n"
                    "SLog \"backup\" \"Foo\" 2 18\n"
                    "SLog \"OTHER\" \"Foo\"\n"
                    "SDownload \"http://example.com/files/Foo.lha\" \"RAM:T/Foo.lha\"\n")
                    .ok());
    ASSERT_EQ(frontend.progress.size(), 2u);
    EXPECT_EQ(frontend.progress[0], "Extracting 'Foo.lha'   -   1/1");
    EXPECT_EQ(frontend.progress[1], "Installing 'Foo' - This may take a while...");
    EXPECT_TRUE(Logged("Creating backup of 'Foo' V2.18..."));
    EXPECT_TRUE(Logged("Installing 'Foo'..."));
    EXPECT_TRUE(Logged("Finished installation of 'Foo'."));
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0], "http://example.com/files/Foo.lha -> RAM:T/Foo.lha");
    EXPECT_TRUE(frontend.requests.empty());
    // The port is public only during the run.
    EXPECT_FALSE(amiga::FindPort(amiga::PortsFolder(world.root.dos()), kPublicPortName));

    // A companion command after the run finds no port and says so.
    std::int32_t rc = 0;
    ShellCommand late{"SGauge INSTALLING Foo", "", "RAM:T/late.txt", 4096};
    EXPECT_TRUE(server.RunCommand(late, rc).ok());
    EXPECT_EQ(rc, 20);
    auto said = amiga::ReadFile(world.root.dos(), "RAM:T/late.txt");
    ASSERT_TRUE(said.ok());
    EXPECT_NE(said->find("Failed to locate Stovan interface port"), std::string::npos) << *said;
}

TEST_F(EventLoopTest, ReturnCodesAgainstThePrologue) {
    // The requesters a script's run showed.
    auto asked = [this](const char* block, ScriptOperation operation) {
        frontend.requests.clear();
        EXPECT_TRUE(Run(block, operation).ok());
        return frontend.requests;
    };
    using Shown = std::vector<std::string>;
    auto failed = [](const std::string& doing) {
        return Shown{"Stovan request...|" + doing + " the application\n'Foo' V1.2 failed!|Ok"};
    };
    EXPECT_EQ(asked("Quit 5\n", ScriptOperation::Install), Shown{}) << "a warning";
    EXPECT_EQ(asked("Quit 10\n", ScriptOperation::Install), failed("Installing"));
    EXPECT_EQ(asked("Quit 10\n", ScriptOperation::Update), failed("Updating"));
    EXPECT_EQ(asked("Quit 10\n", ScriptOperation::Uninstall), Shown{}) << "an uninstall's error";
    EXPECT_EQ(asked("Quit 20\n", ScriptOperation::Uninstall), failed("Uninstalling"));
    // A failed download stops the install.
    EXPECT_EQ(
        asked("SDownload \"http://x/missing.lha\" \"RAM:T/m.lha\"\n", ScriptOperation::Repair),
        failed("Repairing"));
    EXPECT_TRUE(Logged("'Foo' was removed completely."));
}

TEST_F(EventLoopTest, ShellOutputGoesToTheOutputViewOnlyWhenAsked) {
    EXPECT_TRUE(Run("Echo \"quiet\"\n").ok());
    EXPECT_EQ(frontend.output, "");
    world.preferences.flags |= SHOW_SHELL_OUTPUT;
    EXPECT_TRUE(Run("Echo \"shown\"\n").ok());
    EXPECT_NE(frontend.output.find("shown"), std::string::npos) << frontend.output;
    // The output window is told the script has ended, after its output.
    EXPECT_TRUE(frontend.output.ends_with("<end>")) << frontend.output;
}

TEST_F(EventLoopTest, AbortDuringAScriptReapsTheChild) {
    std::thread breaker([] {
        std::this_thread::sleep_for(300ms);
        RaiseInterrupt();
    });
    const auto start = std::chrono::steady_clock::now();
    const Status status = Run("Wait 30\n");
    const auto took = std::chrono::steady_clock::now() - start;
    breaker.join();
    EXPECT_EQ(status.message(), msg::ProcessingAborted);
    EXPECT_LT(took, 1500ms);
    EXPECT_TRUE(frontend.requests.empty());
    EXPECT_TRUE(ChildProcesses().empty());
    EXPECT_EQ(server.workerCount(), 0u);
    EXPECT_TRUE(Logged("Finished installation of 'Foo'."));
}

TEST_F(EventLoopTest, FrontendAbortAndRelaunchEndWaits) {
    std::uint32_t relaunch = 1;
    server.setRelaunchRequested(&relaunch);
    std::int32_t rc = 0;
    ShellCommand command{"Wait 30", "", "NIL:", 4096};
    EXPECT_EQ(server.RunCommand(command, rc).message(), msg::ProcessingAborted);
    EXPECT_TRUE(ChildProcesses().empty());
    server.setRelaunchRequested(nullptr);

    // A command whose drawer does not exist is not run.
    ShellCommand lost{"Echo x", "Work:NoSuchDrawer", "NIL:", 4096};
    EXPECT_TRUE(server.RunCommand(lost, rc).ok());
    EXPECT_EQ(rc, kCommandNotRun);
    ShellCommand here{"CD", "Work:Apps", "RAM:T/cd.txt", 4096};
    ASSERT_TRUE(amiga::CreateDrawerPath(world.root.dos(), "Work:Apps").ok());
    EXPECT_TRUE(server.RunCommand(here, rc).ok());
    EXPECT_EQ(rc, 0);
    auto cd = amiga::ReadFile(world.root.dos(), "RAM:T/cd.txt");
    EXPECT_TRUE(cd.ok() && cd->rfind("Work:Apps", 0) == 0) << (cd.ok() ? *cd : "");
}

// Connects to the port and sends raw bytes.
int RawClient(const std::string& path, std::string_view bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
    return fd;
}

TEST_F(EventLoopTest, HostileClientsDoNotStallThePort) {
    ASSERT_TRUE(server.AddPublicPort().ok());
    const std::string folder = amiga::PortsFolder(world.root.dos());
    const std::string path = folder + "/" + std::string(kPublicPortName);
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    const amiga::PortMessage gauge{.command = amiga::PORT_GAUGE, .text1 = "BACKUP", .text2 = "Foo"};
    auto frame = amiga::EncodePortMessage(gauge);
    ASSERT_TRUE(frame.ok());
    // Half a message, then a stranger's bytes, then nothing at all.
    const int half = RawClient(path, frame->substr(0, frame->size() / 2));
    const int stranger = RawClient(path, "GET / HTTP/1.0\r\n\r\n");
    const int silent = RawClient(path, "");

    amiga::PortMessage wrong = gauge;
    wrong.length = 100;
    // Sent one after the other while the port is served here.
    auto replies = std::async(std::launch::async, [&] {
        auto reply = amiga::SendPortMessage(folder, kPublicPortName, gauge, 10s);
        return std::pair{reply, amiga::SendPortMessage(folder, kPublicPortName, wrong, 10s)};
    });
    const auto start = std::chrono::steady_clock::now();
    while (replies.wait_for(0s) != std::future_status::ready &&
           std::chrono::steady_clock::now() - start < 15s) {
        (void)server.ServeOnce(50ms, false);
    }
    const auto [reply, refused] = replies.get();
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPortClientTimeout);
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(reply->result, 0);
    ASSERT_TRUE(refused.ok());
    EXPECT_EQ(refused->result, amiga::PORT_REFUSED);
    ASSERT_EQ(frontend.progress.size(), 1u);
    EXPECT_EQ(frontend.progress[0], "Creating Backup of 'Foo'");
    for (int fd : {half, stranger, silent}) {
        ::close(fd);
    }
    server.RemovePublicPort();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CompanionCommandsTest, StrayCopiesAndMissingCommands) {
    PlaceholderWorld world;
    amiga::DosList& dos = world.root.dos();
    auto drawer = amiga::Lock(dos, kCommandDrawer);
    ASSERT_TRUE(drawer.ok());
    for (const std::string& name : kCommands) {
        WriteHostFile(drawer->hostPath + "/" + name, "program");
    }
    WriteHostFile(world.root.Host("SYS", "C/SLog"), "a stray copy");
    EXPECT_EQ(InstallCompanionCommands(dos, kCommands, kCommandDrawer).message(),
              msg::InstallationModified);
    std::filesystem::remove(world.root.Host("SYS", "C/SLog"));
    EXPECT_EQ(InstallCompanionCommands(dos, {"SGauge", "SMissing"}, kCommandDrawer).message(),
              msg::InstallationModified);
    EXPECT_EQ(InstallCompanionCommands(dos, kCommands, "PROGDIR:NoDrawer").message(),
              msg::InstallationModified);

    EXPECT_TRUE(InstallCompanionCommands(dos, kCommands, kCommandDrawer).ok());
    EXPECT_TRUE(amiga::Lock(dos, "C:SGauge").ok());
    RemoveCompanionCommands(dos, kCommandDrawer);
    EXPECT_FALSE(amiga::Lock(dos, "C:SGauge").ok());
}

// The version check answers the Version command itself for files it can
// read; the answer must be the command's, whatever the file holds.
TEST_F(EventLoopTest, VersionAnsweredInProcessIsTheCommands) {
    const std::string nul("$VER: Nul 3.4\0 5.6", 18);
    const std::pair<const char*, std::string> rows[] = {
        {"plain", "xx$VER: Foo 1.2 (01.02.2015)\nrest"},
        {"v before the number", "$VER: Foo v3.1.4"},
        {"no blank after the colon", "$VER:Foo 7.8"},
        {"no number", "$VER: Foo"},
        {"nothing after it", "$VER:"},
        {"ended by NUL", nul},
        {"ended by CR", "$VER: Cr 2.3\r(4.5)"},
        {"second string ignored", "$VER: A 1.1\n$VER: B 9.9"},
        {"over 255 characters", "$VER: " + std::string(300, 'a') + " 4.4"},
        {"number in the name", "$VER: Foo2 5.0"},
        {"none", "Version: 1.0"},
    };
    ASSERT_TRUE(amiga::CreateDrawerPath(world.root.dos(), "Work:Files").ok());
    for (const auto& [name, content] : rows) {
        SCOPED_TRACE(name);
        const std::string path = "Work:Files/" + std::string(name);
        ASSERT_TRUE(amiga::WriteFile(world.root.dos(), path, content).ok());
        const auto known = VersionOfPlainFile(world.root.dos(), path, "SYS:");
        ASSERT_TRUE(known.has_value());
        VersionTriple command;
        ASSERT_TRUE(
            GetVersionFromCommand(*world.engine, server, path, "SYS:", false, true, command).ok());
        EXPECT_EQ(*known, command);
    }
    SCOPED_TRACE("what only the command knows");
    EXPECT_FALSE(VersionOfPlainFile(world.root.dos(), "Work:Files", "SYS:").has_value());
    EXPECT_FALSE(VersionOfPlainFile(world.root.dos(), "Work:Missing", "SYS:").has_value());
    EXPECT_FALSE(VersionOfPlainFile(world.root.dos(), "Work:Files/plain", "Work:None").has_value());
}

}  // namespace
}  // namespace stovan::test
