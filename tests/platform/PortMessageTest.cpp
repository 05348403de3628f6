#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/BigEndian.h"
#include "platform/PortMessage.h"
#include "tests/support/TempFolder.h"

namespace amiga {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kName = "STOVAN.INTERFACE";

// Short on purpose: socket paths are limited to 107 bytes.
struct PortsDir : stovan::test::TempFolder {
    PortsDir() : TempFolder("ports") {}
};

PortMessage GaugeMessage() {
    PortMessage message;
    message.command = PORT_GAUGE;
    message.text1 = "EXTRACTING";
    message.text2 = "Foo.lha";
    message.number1 = 1;
    message.number2 = -7;
    return message;
}

// A raw client that writes exactly the given bytes, then maybe closes.
PortSocket RawConnect(const std::string& path) {
    PortSocket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);
    return socket;
}

void RawSend(const PortSocket& socket, std::string_view bytes) {
    ASSERT_EQ(::send(socket.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

// Serves connections one after another with handler on a thread of its own;
// a failed assertion in the test still joins it (each accept waits 5 s at most).
std::jthread Serve(const PublicPort& port, PortHandler handler, int connections = 1) {
    return std::jthread([&port, handler, connections] {
        for (int served = 0; served < connections; ++served) {
            auto connection = port.accept(5s);
            ASSERT_TRUE(connection.ok());
            EXPECT_TRUE(ServePortConnection(*connection, handler, 5s).ok());
        }
    });
}

TEST(PortMessage, FramesRoundTrip) {
    const PortMessage message = GaugeMessage();
    auto frame = EncodePortMessage(message);
    ASSERT_TRUE(frame.ok());
    EXPECT_EQ(frame->substr(0, 4), "PMSG");
    EXPECT_EQ(ReadBE16(*frame, 4), 292);
    const auto decoded = DecodePortMessage(*frame);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded->length, 292);
    EXPECT_EQ(decoded->command, PORT_GAUGE);
    EXPECT_EQ(decoded->text1, "EXTRACTING");
    EXPECT_EQ(decoded->text2, "Foo.lha");
    EXPECT_EQ(decoded->number1, 1);
    EXPECT_EQ(decoded->number2, -7);

    auto reply = DecodePortReply(EncodePortReply({329, "Not enough memory"}));
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(reply->result, 329);
    EXPECT_EQ(reply->text, "Not enough memory");
    // The reply text is at most 255 characters, as in the 256-byte buffer.
    EXPECT_EQ(DecodePortReply(EncodePortReply({1, std::string(600, 'x')}))->text.size(), 255u);
}

TEST(PortMessage, MalformedFramesAreRefused) {
    const std::string good = EncodePortMessage(GaugeMessage()).value();
    const auto patched = [&good](std::size_t offset, std::uint32_t value) {
        std::string frame = good;
        WriteBE32(frame, offset, value);
        return frame;
    };
    const std::pair<const char*, std::string> rows[] = {
        {"header cut", good.substr(0, 27)},
        {"text cut", good.substr(0, good.size() - 1)},
        {"trailing byte", good + "x"},
        {"bad magic", "X" + good.substr(1)},
        {"text size of 4 GiB", patched(20, 0xFFFFFFFF)},
        {"text size over the limit", patched(24, kPortTextMax + 1)},
        {"NUL inside a text", std::string(good).replace(30, 1, 1, '\0')},
        {"reserved word set", std::string(good).replace(7, 1, 1, '\1')},
    };
    for (const auto& [name, frame] : rows) {
        SCOPED_TRACE(name);
        auto decoded = DecodePortMessage(frame);
        ASSERT_FALSE(decoded.ok());
        EXPECT_EQ(decoded.error(), PortError::Malformed);
    }
    std::string replyTooLong = EncodePortReply({0, "abc"});
    replyTooLong[8] = 1;  // declares 256+3 bytes
    EXPECT_FALSE(DecodePortReply(replyTooLong).ok());
    EXPECT_FALSE(DecodePortReply("PRPL").ok());

    PortMessage tooLong = GaugeMessage();
    tooLong.text2 = std::string(kPortTextMax + 1, 'a');
    EXPECT_EQ(EncodePortMessage(tooLong).error(), PortError::TextTooLong);
    PortMessage withNul = GaugeMessage();
    withNul.text1 = std::string("A\0B", 3);
    EXPECT_EQ(EncodePortMessage(withNul).error(), PortError::TextTooLong);
}

TEST(PortMessage, PortNamesAreChecked) {
    const auto path = [](const char* dir, const std::string& name) -> std::string {
        auto socketPath = PortSocketPath(dir, name);
        return socketPath ? *socketPath : std::string(PortErrorText(socketPath.error()));
    };
    const std::string bad(PortErrorText(PortError::BadName));
    EXPECT_EQ(path("/tmp/p", kName), std::string("/tmp/p/") + kName);
    EXPECT_EQ(path("/tmp/p/", kName), std::string("/tmp/p/") + kName);
    EXPECT_EQ(path("/tmp/p", ""), bad);
    EXPECT_EQ(path("/tmp/p", "."), bad);
    EXPECT_EQ(path("/tmp/p", ".."), bad);
    EXPECT_EQ(path("/tmp/p", "a/b"), bad);
    EXPECT_EQ(path("/tmp/p", std::string("a\0b", 3)), bad);
    EXPECT_EQ(path("/tmp/p", std::string(120, 'N')), PortErrorText(PortError::PathTooLong));
}

TEST(PortMessage, MessageAndReplyTravelThroughThePort) {
    PortsDir dir;
    EXPECT_FALSE(FindPort(dir.path(), kName));
    auto port = PublicPort::Create(dir.path(), kName);
    ASSERT_TRUE(port.ok()) << PortErrorText(port.error());
    EXPECT_TRUE(FindPort(dir.path(), kName));
    // FindPort's probe connection is waiting; the server sees it close at once.
    {
        auto probe = port->accept(1s);
        ASSERT_TRUE(probe.ok());
        EXPECT_EQ(ReadPortMessage(*probe, 1s).error(), PortError::Disconnected);
    }

    std::atomic<int> handled{0};
    const PortHandler handler = [&](const PortMessage& message) {
        ++handled;
        return PortReply{message.number1 + message.number2, message.text1 + ":" + message.text2};
    };
    // Nobody calls: the server's wait for a caller ends at its deadline.
    EXPECT_EQ(port->accept(20ms).error(), PortError::TimedOut);
    std::jthread server = Serve(*port, handler, 2);
    auto reply = SendPortMessage(dir.path(), kName, GaugeMessage(), 5s);
    ASSERT_TRUE(reply.ok()) << PortErrorText(reply.error());
    EXPECT_EQ(reply->result, -6);
    EXPECT_EQ(reply->text, "EXTRACTING:Foo.lha");

    // A message declaring another length is not processed, yet answered.
    PortMessage wrongLength = GaugeMessage();
    wrongLength.length = 40;
    auto refused = SendPortMessage(dir.path(), kName, wrongLength, 5s);
    ASSERT_TRUE(refused.ok());
    EXPECT_EQ(refused->result, PORT_REFUSED);
    EXPECT_TRUE(refused->text.empty());
    server.join();
    EXPECT_EQ(handled.load(), 1);
}

TEST(PortMessage, APortIsPublicOnlyWhileItsServerLives) {
    PortsDir dir;
    const std::string path = dir.path() + "/" + kName;
    {
        auto port = PublicPort::Create(dir.path(), kName);
        ASSERT_TRUE(port.ok());
        // A second server cannot take a live port's name.
        EXPECT_EQ(PublicPort::Create(dir.path(), kName).error(), PortError::PortInUse);
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(FindPort(dir.path(), kName));
    EXPECT_EQ(SendPortMessage(dir.path(), kName, GaugeMessage(), 1s).error(), PortError::NoPort);

    // A socket left behind by a server that died: not found, and replaceable.
    {
        PortSocket stale(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(stale.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
                  0);
    }
    ASSERT_TRUE(fs::exists(path));
    EXPECT_FALSE(FindPort(dir.path(), kName));
    EXPECT_TRUE(PublicPort::Create(dir.path(), kName).ok());

    // A plain file with the port's name is never removed.
    std::ofstream(path) << "user data";
    EXPECT_EQ(PublicPort::Create(dir.path(), kName).error(), PortError::NotASocket);
    EXPECT_FALSE(FindPort(dir.path(), kName));
    EXPECT_TRUE(fs::is_regular_file(path));
}

TEST(PortMessage, ASenderIsNeverLeftWaiting) {
    PortsDir dir;
    auto port = PublicPort::Create(dir.path(), kName);
    ASSERT_TRUE(port.ok());

    // Nobody accepts: the time-out ends the wait.
    auto silent = SendPortMessage(dir.path(), kName, GaugeMessage(), 200ms);
    ASSERT_FALSE(silent.ok());
    EXPECT_EQ(silent.error(), PortError::TimedOut);
    ASSERT_TRUE(port->accept(1s).ok());  // drop the abandoned connection

    struct Row {
        const char* name;
        std::function<void(const PortSocket&)> server;
        PortError expected;
    };
    const Row rows[] = {
        {"server closes without a reply", [](const PortSocket&) {}, PortError::Disconnected},
        {"server sends half a reply",
         [](const PortSocket& connection) {
             ASSERT_TRUE(ReadPortMessage(connection, 1s).ok());
             const std::string reply = EncodePortReply({0, "hello"});
             ::send(connection.fd(), reply.data(), 6, MSG_NOSIGNAL);
         },
         PortError::Disconnected},
        {"server sends garbage",
         [](const PortSocket& connection) {
             ASSERT_TRUE(ReadPortMessage(connection, 1s).ok());
             ::send(connection.fd(), "GARBAGE!!!", 10, MSG_NOSIGNAL);
         },
         PortError::Malformed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::jthread server([&] {
            auto connection = port->accept(5s);
            ASSERT_TRUE(connection.ok());
            row.server(*connection);
        });
        auto reply = SendPortMessage(dir.path(), kName, GaugeMessage(), 5s);
        server.join();
        ASSERT_FALSE(reply.ok());
        EXPECT_EQ(reply.error(), row.expected);
    }
}

TEST(PortMessage, TheServerSurvivesHostileSenders) {
    PortsDir dir;
    auto port = PublicPort::Create(dir.path(), kName);
    ASSERT_TRUE(port.ok());
    const std::string path = port->path();
    const std::string good = EncodePortMessage(GaugeMessage()).value();
    std::string huge = good;
    WriteBE32(huge, 20, 0x7FFFFFFF);

    struct Row {
        const char* name;
        std::string bytes;
        bool closeAfter;
        PortError expected;
    };
    const Row rows[] = {
        {"disconnects inside the header", good.substr(0, 10), true, PortError::Disconnected},
        {"disconnects inside the texts", good.substr(0, good.size() - 2), true,
         PortError::Disconnected},
        {"stalls inside the texts", good.substr(0, good.size() - 2), false, PortError::TimedOut},
        {"declares a 2 GiB text", huge, false, PortError::Malformed},
        {"sends no frame at all", "GET / HTTP/1.1\r\n\r\n....", false, PortError::Malformed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PortSocket client = RawConnect(path);
        RawSend(client, row.bytes);
        if (row.closeAfter) {
            client = PortSocket();
        }
        auto connection = port->accept(1s);
        ASSERT_TRUE(connection.ok());
        bool called = false;
        auto served = ServePortConnection(
            *connection,
            [&](const PortMessage&) {
                called = true;
                return PortReply{};
            },
            300ms);
        ASSERT_FALSE(served.ok());
        EXPECT_EQ(served.error(), row.expected);
        EXPECT_FALSE(called);
    }

    // After all that, a good message is still served.
    std::jthread server = Serve(*port, [](const PortMessage&) { return PortReply{0, "ok"}; });
    auto reply = SendPortMessage(dir.path(), kName, GaugeMessage(), 5s);
    server.join();
    ASSERT_TRUE(reply.ok());
    EXPECT_EQ(reply->text, "ok");
}

}  // namespace
}  // namespace amiga
