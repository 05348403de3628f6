#pragma once
// Public message ports between processes, as exec.library's FindPort,
// PutMsg and ReplyMsg serve the companion commands on AmigaOS. A public port
// is a Unix domain socket named after the port in a ports folder; the port
// is "public" while the socket file exists and a server listens on it.
//
// One connection carries one message and its reply. The message is the
// companion-command message: its declared length (exec's mn_Length, which
// must be PORT_MESSAGE_LENGTH for the receiver to process it), the command
// number, two texts and two numbers. The reply carries the result word and a
// reply text of at most 255 characters.
//
// Wire layout (big-endian, as on the Amiga):
//   message: "PMSG", UWORD length, UWORD 0, ULONG command, LONG number1,
//            LONG number2, ULONG text1 size, ULONG text2 size, text1, text2
//   reply:   "PRPL", LONG result, UWORD text size, text
// Texts carry no NUL (they are C strings on the Amiga); a text holding one,
// or longer than kPortTextMax, makes the frame malformed.
//
// Every read is bounded by the sizes above and by a deadline: a peer that
// sends too little, too much or nothing, or goes away, yields an error,
// never a hang.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Expected.h"

namespace amiga {

// The name of the public port the companion-command messages go to. The
// one name of the application in this layer: the protocol below is that
// port's, and both its server and the companion commands reach it here.
inline constexpr std::string_view kStovanPortName = "STOVAN.INTERFACE";

// The declared length of a companion-command message.
inline constexpr std::uint16_t PORT_MESSAGE_LENGTH = 292;
// Command numbers the port serves: download, gauge step, log line.
inline constexpr std::uint32_t PORT_DOWNLOAD = 1;
inline constexpr std::uint32_t PORT_GAUGE = 2;
inline constexpr std::uint32_t PORT_LOG = 3;
// The result of a message that was not processed because its declared
// length was wrong; the sender gets it at once instead of waiting.
inline constexpr std::int32_t PORT_REFUSED = -1;

// Limits: a text of the message (a URL, a file name, a log text) and the
// reply text (256 bytes in the original message, at most 255 characters).
inline constexpr std::size_t kPortTextMax = 4096;
inline constexpr std::size_t kPortReplyTextMax = 255;
// Unix socket paths are limited by sockaddr_un.
inline constexpr std::size_t kPortPathMax = 107;

struct PortMessage {
    std::uint16_t length = PORT_MESSAGE_LENGTH;
    std::uint32_t command = 0;
    std::string text1;  // command 1: the URL; commands 2 and 3: the keyword
    std::string text2;  // command 1: the local file name; 2 and 3: the text shown
    std::int32_t number1 = 0;
    std::int32_t number2 = 0;
};

struct PortReply {
    std::int32_t result = 0;  // 0 or a message number; PORT_REFUSED
    std::string text;         // at most kPortReplyTextMax characters
};

enum class PortError {
    BadName,       // empty, ".", "..", or holding "/" or NUL
    PathTooLong,   // the socket path does not fit a Unix socket address
    NoPort,        // no such port (no socket, or nobody listens on it)
    PortInUse,     // creating a port whose name a live server already has
    NotASocket,    // something other than a socket has the port's name
    TimedOut,      // the deadline passed before the peer answered
    Disconnected,  // the peer closed the connection early
    Malformed,     // the frame breaks the layout or its limits
    TextTooLong,   // a text to send is longer than its limit or holds a NUL
    SystemError,   // a socket call failed
    NotPrivate,    // the ports folder is not the user's own, or others can enter it
};

std::string_view PortErrorText(PortError error);

using PortTimeout = std::chrono::milliseconds;

// The socket path of a port: portsDir + "/" + name, checked.
Expected<std::string, PortError> PortSocketPath(const std::string& portsDir, std::string_view name);

// Frames in memory (exposed for tests and fuzzing).
Expected<std::string, PortError> EncodePortMessage(const PortMessage& message);
// Decodes one whole message frame; bytes after it are an error.
Expected<PortMessage, PortError> DecodePortMessage(std::string_view frame);
// For a receiver that gathers a frame piece by piece without blocking: the
// size of the whole frame as far as the bytes received so far tell it (the
// header's size until the header is complete, then header plus texts).
// Malformed as soon as the received bytes break the layout.
Expected<std::size_t, PortError> PortMessageFrameSize(std::string_view received);
// The reply text is cut to kPortReplyTextMax characters (and at a NUL).
std::string EncodePortReply(const PortReply& reply);
Expected<PortReply, PortError> DecodePortReply(std::string_view frame);

// --- Client side -------------------------------------------------------------

// exec FindPort: true when the port's socket exists and a server listens.
// The probe is a connection that closes without a message; the server sees
// it as Disconnected and goes on.
bool FindPort(const std::string& portsDir, std::string_view name);

// PutMsg + WaitPort + GetMsg: sends the message and waits for its reply,
// at most `timeout` in all. The time-out covers the server's work (a
// download can take minutes); a server that dies closes the connection, which
// ends the wait at once with Disconnected whatever the time-out.
Expected<PortReply, PortError> SendPortMessage(const std::string& portsDir, std::string_view name,
                                               const PortMessage& message, PortTimeout timeout);

// --- Server side -------------------------------------------------------------

// An open file descriptor, closed on destruction.
class PortSocket {
  public:
    PortSocket() = default;
    explicit PortSocket(int fd) : fd_(fd) {}
    PortSocket(PortSocket&& other) noexcept : fd_(other.release()) {}
    PortSocket& operator=(PortSocket&& other) noexcept;
    PortSocket(const PortSocket&) = delete;
    PortSocket& operator=(const PortSocket&) = delete;
    ~PortSocket();

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_ = -1;
};

// Makes the ports folder private to the user: created with mode 0700 when
// missing (its parent must exist); an existing one must be a real folder
// (not a link) owned by the user, and loses any group or other access.
// NotPrivate when it cannot be made so.
Expected<bool, PortError> PreparePrivatePortsFolder(const std::string& portsDir);

// A public port: the listening socket and its file, removed again when the
// port is destroyed (exec DeletePort after RemPort). The socket file gets
// mode 0600: only the user's own processes may send to it.
class PublicPort {
  public:
    // Creates the port. A socket file left by a server that died is
    // replaced; a live port of the same name gives PortInUse; a file that is
    // not a socket is never removed (NotASocket).
    static Expected<PublicPort, PortError> Create(const std::string& portsDir,
                                                  std::string_view name);

    PublicPort(PublicPort&&) noexcept = default;
    PublicPort& operator=(PublicPort&&) = delete;
    ~PublicPort();

    // The listening socket, for the event loop to poll (readable = a sender waits).
    int fd() const { return socket_.fd(); }
    const std::string& path() const { return path_; }

    // Takes the next sender's connection, waiting at most `timeout`.
    Expected<PortSocket, PortError> accept(PortTimeout timeout) const;

  private:
    PublicPort(PortSocket socket, std::string path);
    PortSocket socket_;
    std::string path_;
};

// Reads one message from a connection with full validation.
Expected<PortMessage, PortError> ReadPortMessage(const PortSocket& connection, PortTimeout timeout);
// Writes the reply (ReplyMsg).
Expected<bool, PortError> WritePortReply(const PortSocket& connection, const PortReply& reply,
                                         PortTimeout timeout);

// Serves one connection: reads the message; one whose declared length is
// not PORT_MESSAGE_LENGTH is not processed and is answered with
// PORT_REFUSED at once; any other goes to the handler, whose reply is sent.
// Returns whether the handler ran. A malformed frame is answered by closing
// the connection (the sender sees Disconnected).
using PortHandler = std::function<PortReply(const PortMessage&)>;
Expected<bool, PortError> ServePortConnection(const PortSocket& connection,
                                              const PortHandler& handler, PortTimeout timeout);

}  // namespace amiga
