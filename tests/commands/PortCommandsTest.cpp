#include <gtest/gtest.h>

#include <filesystem>

#include "commands/PortCommands.h"
#include "platform/DosFiles.h"
#include "platform/Icon.h"
#include "tests/commands/CommandsSupport.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;
using amiga::PortMessage;
using amiga::PortReply;

const char* const kAllCommands[] = {"SDownload", "SGauge",    "SLog",           "SSignal",
                                    "SStartup",  "SToolType", "SVersionCompare"};

bool Built(const std::string& name) {
    return fs::exists(BuiltProgram(name));
}

class PortCommandsTest : public ::testing::Test {
  protected:
    ChildResult Run(const std::string& name, const std::vector<std::string>& arguments,
                    const std::string& workingDirectory = {}) {
        return RunChild(BuiltProgram(name), arguments, RootEnvironment(root_.dos()),
                        workingDirectory);
    }

    TempRoot root_;
};

TEST_F(PortCommandsTest, GaugeAndLogSendTheirLines) {
    FakeStovan stovan(root_.dos());
    ASSERT_TRUE(stovan.ok());
    struct Row {
        const char* program;
        std::vector<std::string> arguments;
        std::string message;  // as Describe() gives it
    } rows[] = {
        {"SGauge", {"EXTRACTING", "Foo.lha", "1", "1"}, "2 EXTRACTING|Foo.lha|1|1"},
        {"SLog", {"backup", "Foo", "2", "18"}, "3 backup|Foo|2|18"},
        {"SLog", {"BACKUPDONE", "Foo"}, "3 BACKUPDONE|Foo|0|0"},
        {"SLog", {"BACKUP", "Foo", "", ""}, "3 BACKUP|Foo|0|0"},
        {"SGauge", {"PROCESSING", "x", "-4", "9"}, "2 PROCESSING|x|-4|9"},
        {"SLog", {"OTHER", "a \"b\" *c*"}, "3 OTHER|a \"b\" *c*|0|0"},
        {"SSignal", {"Please insert disk"}, "2 WAITINGFORUSER|Please insert disk|1|1"},
    };
    std::size_t count = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        if (!Built(row.program)) {
            GTEST_SKIP() << row.program << " is not built";
        }
        const ChildResult result = Run(row.program, row.arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, "");
        const auto received = stovan.Received();
        ASSERT_EQ(received.size(), ++count);
        const PortMessage& message = received.back();
        EXPECT_EQ(message.length, amiga::PORT_MESSAGE_LENGTH);
        EXPECT_EQ(Describe(message), row.message);
    }
}

TEST_F(PortCommandsTest, DownloadSendsFullNameAndReportsFailure) {
    if (!Built("SDownload")) {
        GTEST_SKIP();
    }
    FakeStovan stovan(root_.dos(), [](const PortMessage& message) {
        if (message.text1.ends_with("missing.lha")) {
            return PortReply{344, "Failed to download 'missing.lha'!"};
        }
        return PortReply{};
    });
    fs::create_directories(root_.Host("Work", "Downloads"));
    ChildResult result = Run("SDownload", {"http://example.org/foo.lha", "foo.lha"},
                             root_.Host("Work", "Downloads"));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output, "");
    result = Run("SDownload", {"http://example.org/missing.lha", "RAM:T/missing.lha"});
    EXPECT_EQ(result.exitCode, 20);
    EXPECT_EQ(result.output, "SDownload: Failed to download 'missing.lha'!\n");
    result = Run("SDownload", {"http://example.org/x.lha", "Work:NoDrawer/x.lha"});
    EXPECT_EQ(result.exitCode, 20);
    EXPECT_EQ(result.output, "SDownload: object not found\n");
    const auto received = stovan.Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].command, amiga::PORT_DOWNLOAD);
    EXPECT_EQ(received[0].text1, "http://example.org/foo.lha");
    EXPECT_EQ(received[0].text2, "Work:Downloads/foo.lha");
    EXPECT_EQ(received[1].text2, "RAM:T/missing.lha");
}

TEST_F(PortCommandsTest, StovanThatGoesAwayMidMessageIsAFailure) {
    if (!Built("SGauge")) {
        GTEST_SKIP();
    }
    // A port whose server closes every connection without a reply.
    const std::string folder = root_.root() + "/Ports";
    fs::create_directories(folder);
    auto port = amiga::PublicPort::Create(folder, "STOVAN.INTERFACE");
    ASSERT_TRUE(port.ok());
    std::atomic<bool> stop{false};
    std::thread server([&] {
        while (!stop) {
            auto connection = port->accept(std::chrono::milliseconds(20));
            (void)connection;  // closed at once
        }
    });
    const ChildResult result = Run("SGauge", {"EXTRACTING", "x", "1", "1"});
    stop = true;
    server.join();
    EXPECT_EQ(result.exitCode, 20);
    EXPECT_TRUE(result.output.starts_with("SGauge: ")) << result.output;
}

TEST_F(PortCommandsTest, EveryCommandRefusesWithoutStovan) {
    for (const char* name : kAllCommands) {
        SCOPED_TRACE(name);
        if (!Built(name)) {
            ADD_FAILURE() << name << " is not built";
            continue;
        }
        // In a root without Stovan, and outside any Stovan run (no root at
        // all, and none is made), the answer is the same.
        const std::string empty = root_.folder() + "/no-root";
        for (const auto& environment :
             {RootEnvironment(root_.dos()), std::vector<std::string>{"STOVAN_ROOT=" + empty}}) {
            const ChildResult result = RunChild(BuiltProgram(name), {"a", "b"}, environment);
            EXPECT_EQ(result.exitCode, 20);
            EXPECT_EQ(result.output,
                      std::string(name) + ": Failed to locate Stovan interface port\n");
        }
        EXPECT_FALSE(fs::exists(empty));
    }
}

TEST_F(PortCommandsTest, StartupAddsAndRemovesAProgram) {
    if (!Built("SStartup")) {
        GTEST_SKIP();
    }
    FakeStovan stovan(root_.dos());
    fs::create_directories(root_.Host("Work", "Foo"));
    WriteHostFile(root_.Host("Work", "Foo/Foo"), "program");
    // The user's own start-up entry of the same base name stays.
    fs::create_directories(root_.Host("SYS", "WBStartup"));
    WriteHostFile(root_.Host("SYS", "WBStartup/Foo"), "user's own");

    ChildResult result = Run("SStartup", {"Foo/Foo"}, root_.Host("Work"));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    auto icon = amiga::ReadDiskObjectFile(root_.Host("SYS", "WBStartup/Foo_WBStartup.info"));
    ASSERT_TRUE(icon.ok());
    EXPECT_EQ(icon->type, amiga::WBPROJECT);
    EXPECT_EQ(icon->defaultTool, std::optional<std::string>("Work:Foo/Foo"));
    EXPECT_GE(icon->stackSize, 8192);
    EXPECT_EQ(icon->currentX, amiga::NO_ICON_POSITION);

    result = Run("SStartup", {"Work:Foo/Foo", "REMOVE"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(HostExists(root_.Host("SYS", "WBStartup/Foo_WBStartup.info")));
    EXPECT_EQ(ReadHostFile(root_.Host("SYS", "WBStartup/Foo")), "user's own");
    // Removing again is no error.
    EXPECT_EQ(Run("SStartup", {"Work:Foo/Foo", "REMOVE"}).exitCode, 0);

    result = Run("SStartup", {"Work:Foo/Missing"});
    EXPECT_EQ(result.exitCode, 20);
    EXPECT_EQ(result.output, "SStartup: object not found\n");
    EXPECT_TRUE(stovan.Received().empty());
}

}  // namespace
}  // namespace stovan::test
