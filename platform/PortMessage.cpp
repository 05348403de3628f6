#include "platform/PortMessage.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/BigEndian.h"

namespace amiga {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kMessageMagic = "PMSG";
constexpr std::string_view kReplyMagic = "PRPL";
constexpr std::size_t kMessageHeaderSize = 28;
constexpr std::size_t kReplyHeaderSize = 10;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    return left > 60'000 ? 60'000 : static_cast<int>(left);
}

// Waits until the socket is ready for `events` or the deadline passes.
Expected<bool, PortError> WaitFor(int fd, short events, Clock::time_point deadline) {
    while (true) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0) {
            if (Clock::now() >= deadline) {
                return Unexpected{PortError::TimedOut};
            }
            continue;
        }
        if (errno != EINTR) {
            return Unexpected{PortError::SystemError};
        }
    }
}

// Reads exactly `count` bytes; never more, whatever the peer sends.
Expected<std::string, PortError> ReadExactly(int fd, std::size_t count,
                                             Clock::time_point deadline) {
    std::string data(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::recv(fd, data.data() + done, count - done, MSG_DONTWAIT);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0) {
            return Unexpected{PortError::Disconnected};
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == ECONNRESET) {
            return Unexpected{PortError::Disconnected};
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Unexpected{PortError::SystemError};
        }
        auto ready = WaitFor(fd, POLLIN, deadline);
        AMIGA_RETURN_IF_FAILED(ready);
    }
    return data;
}

Expected<bool, PortError> WriteAll(int fd, std::string_view data, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < data.size()) {
        // MSG_NOSIGNAL: a peer that went away is an error here, not SIGPIPE.
        const ssize_t put =
            ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && (errno == EPIPE || errno == ECONNRESET)) {
            return Unexpected{PortError::Disconnected};
        }
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return Unexpected{PortError::SystemError};
        }
        auto ready = WaitFor(fd, POLLOUT, deadline);
        AMIGA_RETURN_IF_FAILED(ready);
    }
    return true;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

PortSocket NewSocket() {
    return PortSocket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
}

// Connects to the socket at path. A listener whose backlog is full makes
// connect fail with EAGAIN; that is retried until the deadline.
Expected<PortSocket, PortError> Connect(const std::string& path, Clock::time_point deadline) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        return Unexpected{PortError::PathTooLong};
    }
    while (true) {
        PortSocket socket = NewSocket();
        if (!socket.valid()) {
            return Unexpected{PortError::SystemError};
        }
        if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            0) {
            return socket;
        }
        switch (errno) {
            case EINTR:
            case EAGAIN:
                if (Clock::now() >= deadline) {
                    return Unexpected{PortError::TimedOut};
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            case ENOENT:
            case ECONNREFUSED:
            case ENOTDIR:
                return Unexpected{PortError::NoPort};
            case ENOTSOCK:
            case EPROTOTYPE:
                return Unexpected{PortError::NotASocket};
            default:
                return Unexpected{PortError::SystemError};
        }
    }
}

bool ValidText(std::string_view text, std::size_t limit) {
    return text.size() <= limit && text.find('\0') == std::string_view::npos;
}

struct MessageHeader {
    std::uint16_t length = 0;
    std::uint32_t command = 0;
    std::int32_t number1 = 0;
    std::int32_t number2 = 0;
    std::uint32_t size1 = 0;
    std::uint32_t size2 = 0;
};

Expected<MessageHeader, PortError> DecodeMessageHeader(std::string_view header) {
    if (header.size() < kMessageHeaderSize || header.substr(0, 4) != kMessageMagic ||
        ReadBE16(header, 6) != 0) {
        return Unexpected{PortError::Malformed};
    }
    MessageHeader result;
    result.length = ReadBE16(header, 4);
    result.command = ReadBE32(header, 8);
    result.number1 = static_cast<std::int32_t>(ReadBE32(header, 12));
    result.number2 = static_cast<std::int32_t>(ReadBE32(header, 16));
    result.size1 = ReadBE32(header, 20);
    result.size2 = ReadBE32(header, 24);
    // Sizes are checked before anything is read or reserved for them.
    if (result.size1 > kPortTextMax || result.size2 > kPortTextMax) {
        return Unexpected{PortError::Malformed};
    }
    return result;
}

Expected<PortMessage, PortError> MessageFrom(const MessageHeader& header, std::string_view texts) {
    PortMessage message;
    message.length = header.length;
    message.command = header.command;
    message.number1 = header.number1;
    message.number2 = header.number2;
    message.text1 = std::string(texts.substr(0, header.size1));
    message.text2 = std::string(texts.substr(header.size1, header.size2));
    if (!ValidText(message.text1, kPortTextMax) || !ValidText(message.text2, kPortTextMax)) {
        return Unexpected{PortError::Malformed};
    }
    return message;
}

std::string ReplyText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    return std::string(text.substr(0, kPortReplyTextMax));
}

}  // namespace

std::string_view PortErrorText(PortError error) {
    switch (error) {
        case PortError::BadName:
            return "invalid port name";
        case PortError::PathTooLong:
            return "port path is too long";
        case PortError::NoPort:
            return "port not found";
        case PortError::PortInUse:
            return "port is already in use";
        case PortError::NotASocket:
            return "port name is taken by a file that is not a port";
        case PortError::TimedOut:
            return "port did not answer in time";
        case PortError::Disconnected:
            return "port connection closed early";
        case PortError::Malformed:
            return "malformed port message";
        case PortError::TextTooLong:
            return "port message text too long";
        case PortError::SystemError:
            return "port system call failed";
        case PortError::NotPrivate:
            return "port folder is not private to the user";
    }
    return "port error";
}

Expected<std::string, PortError> PortSocketPath(const std::string& portsDir,
                                                std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos) {
        return Unexpected{PortError::BadName};
    }
    const std::string_view dir = portsDir.empty() ? std::string_view(".") : portsDir;
    std::string path;
    path.reserve(dir.size() + 1 + name.size());
    path.append(dir);
    if (dir.back() != '/') {
        path.push_back('/');
    }
    path.append(name);
    if (path.size() > kPortPathMax) {
        return Unexpected{PortError::PathTooLong};
    }
    return path;
}

Expected<std::string, PortError> EncodePortMessage(const PortMessage& message) {
    if (!ValidText(message.text1, kPortTextMax) || !ValidText(message.text2, kPortTextMax)) {
        return Unexpected{PortError::TextTooLong};
    }
    std::string frame(kMessageMagic);
    AppendBE16(frame, message.length);
    AppendBE16(frame, 0);
    AppendBE32(frame, message.command);
    AppendBE32(frame, static_cast<std::uint32_t>(message.number1));
    AppendBE32(frame, static_cast<std::uint32_t>(message.number2));
    AppendBE32(frame, static_cast<std::uint32_t>(message.text1.size()));
    AppendBE32(frame, static_cast<std::uint32_t>(message.text2.size()));
    frame += message.text1;
    frame += message.text2;
    return frame;
}

Expected<PortMessage, PortError> DecodePortMessage(std::string_view frame) {
    auto header = DecodeMessageHeader(frame.substr(0, kMessageHeaderSize));
    AMIGA_RETURN_IF_FAILED(header);
    const std::size_t texts = std::size_t{header->size1} + header->size2;
    if (frame.size() != kMessageHeaderSize + texts) {
        return Unexpected{PortError::Malformed};
    }
    return MessageFrom(*header, frame.substr(kMessageHeaderSize));
}

Expected<std::size_t, PortError> PortMessageFrameSize(std::string_view received) {
    const std::size_t magic = std::min(received.size(), kMessageMagic.size());
    if (received.substr(0, magic) != kMessageMagic.substr(0, magic)) {
        return Unexpected{PortError::Malformed};
    }
    if (received.size() < kMessageHeaderSize) {
        return kMessageHeaderSize;
    }
    auto header = DecodeMessageHeader(received.substr(0, kMessageHeaderSize));
    AMIGA_RETURN_IF_FAILED(header);
    return kMessageHeaderSize + std::size_t{header->size1} + header->size2;
}

std::string EncodePortReply(const PortReply& reply) {
    const std::string text = ReplyText(reply.text);
    std::string frame(kReplyMagic);
    AppendBE32(frame, static_cast<std::uint32_t>(reply.result));
    AppendBE16(frame, static_cast<std::uint16_t>(text.size()));
    frame += text;
    return frame;
}

Expected<PortReply, PortError> DecodePortReply(std::string_view frame) {
    if (frame.size() < kReplyHeaderSize || frame.substr(0, 4) != kReplyMagic) {
        return Unexpected{PortError::Malformed};
    }
    const std::size_t size = ReadBE16(frame, 8);
    if (size > kPortReplyTextMax || frame.size() != kReplyHeaderSize + size) {
        return Unexpected{PortError::Malformed};
    }
    PortReply reply;
    reply.result = static_cast<std::int32_t>(ReadBE32(frame, 4));
    reply.text = std::string(frame.substr(kReplyHeaderSize));
    if (reply.text.find('\0') != std::string::npos) {
        return Unexpected{PortError::Malformed};
    }
    return reply;
}

bool FindPort(const std::string& portsDir, std::string_view name) {
    auto path = PortSocketPath(portsDir, name);
    if (!path) {
        return false;
    }
    // Connecting is all it takes: a listener answers at once (the kernel
    // queues the connection); a socket file without a server refuses.
    auto socket = Connect(*path, Clock::now() + std::chrono::milliseconds(200));
    return socket.ok();
}

Expected<PortReply, PortError> SendPortMessage(const std::string& portsDir, std::string_view name,
                                               const PortMessage& message, PortTimeout timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    auto frame = EncodePortMessage(message);
    AMIGA_RETURN_IF_FAILED(frame);
    auto path = PortSocketPath(portsDir, name);
    AMIGA_RETURN_IF_FAILED(path);
    auto socket = Connect(*path, deadline);
    AMIGA_RETURN_IF_FAILED(socket);
    auto sent = WriteAll(socket->fd(), *frame, deadline);
    AMIGA_RETURN_IF_FAILED(sent);
    auto header = ReadExactly(socket->fd(), kReplyHeaderSize, deadline);
    AMIGA_RETURN_IF_FAILED(header);
    if (header->substr(0, 4) != kReplyMagic) {
        return Unexpected{PortError::Malformed};
    }
    const std::size_t size = ReadBE16(*header, 8);
    if (size > kPortReplyTextMax) {
        return Unexpected{PortError::Malformed};
    }
    auto text = ReadExactly(socket->fd(), size, deadline);
    AMIGA_RETURN_IF_FAILED(text);
    return DecodePortReply(*header + *text);
}

PortSocket& PortSocket::operator=(PortSocket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.release();
    }
    return *this;
}

PortSocket::~PortSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

PublicPort::PublicPort(PortSocket socket, std::string path)
    : socket_(std::move(socket)), path_(std::move(path)) {}

PublicPort::~PublicPort() {
    if (socket_.valid() && !path_.empty()) {
        ::unlink(path_.c_str());
    }
}

Expected<bool, PortError> PreparePrivatePortsFolder(const std::string& portsDir) {
    if (::mkdir(portsDir.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        return Unexpected{PortError::NotPrivate};
    }
    struct stat info {};
    if (::lstat(portsDir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid()) {
        return Unexpected{PortError::NotPrivate};
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 && ::chmod(portsDir.c_str(), S_IRWXU) != 0) {
        return Unexpected{PortError::NotPrivate};
    }
    return true;
}

Expected<PublicPort, PortError> PublicPort::Create(const std::string& portsDir,
                                                   std::string_view name) {
    auto path = PortSocketPath(portsDir, name);
    AMIGA_RETURN_IF_FAILED(path);
    struct stat info {};
    if (::lstat(path->c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            return Unexpected{PortError::NotASocket};
        }
        // A live server keeps its port; a socket left by one that died is
        // removed so that the port can be made again.
        auto live = Connect(*path, Clock::now() + std::chrono::milliseconds(200));
        if (live.ok()) {
            return Unexpected{PortError::PortInUse};
        }
        ::unlink(path->c_str());
    }
    sockaddr_un address{};
    if (!FillAddress(*path, address)) {
        return Unexpected{PortError::PathTooLong};
    }
    PortSocket socket = NewSocket();
    if (!socket.valid()) {
        return Unexpected{PortError::SystemError};
    }
    if (::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return Unexpected{errno == EADDRINUSE ? PortError::PortInUse : PortError::SystemError};
    }
    // The folder keeps others out; the mode says the same on the socket itself.
    if (::chmod(path->c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(socket.fd(), 16) != 0) {
        ::unlink(path->c_str());
        return Unexpected{PortError::SystemError};
    }
    return PublicPort(std::move(socket), *path);
}

Expected<PortSocket, PortError> PublicPort::accept(PortTimeout timeout) const {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (true) {
        const int fd = ::accept4(socket_.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            return PortSocket(fd);
        }
        if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Unexpected{PortError::SystemError};
        }
        auto ready = WaitFor(socket_.fd(), POLLIN, deadline);
        AMIGA_RETURN_IF_FAILED(ready);
    }
}

Expected<PortMessage, PortError> ReadPortMessage(const PortSocket& connection,
                                                 PortTimeout timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    // The magic first: a sender that speaks something else is turned away
    // without waiting for a whole header it may never send.
    auto magic = ReadExactly(connection.fd(), kMessageMagic.size(), deadline);
    AMIGA_RETURN_IF_FAILED(magic);
    if (*magic != kMessageMagic) {
        return Unexpected{PortError::Malformed};
    }
    auto rest = ReadExactly(connection.fd(), kMessageHeaderSize - kMessageMagic.size(), deadline);
    AMIGA_RETURN_IF_FAILED(rest);
    auto header = DecodeMessageHeader(*magic + *rest);
    AMIGA_RETURN_IF_FAILED(header);
    auto texts = ReadExactly(connection.fd(), std::size_t{header->size1} + header->size2, deadline);
    AMIGA_RETURN_IF_FAILED(texts);
    return MessageFrom(*header, *texts);
}

Expected<bool, PortError> WritePortReply(const PortSocket& connection, const PortReply& reply,
                                         PortTimeout timeout) {
    return WriteAll(connection.fd(), EncodePortReply(reply), Clock::now() + timeout);
}

Expected<bool, PortError> ServePortConnection(const PortSocket& connection,
                                              const PortHandler& handler, PortTimeout timeout) {
    auto message = ReadPortMessage(connection, timeout);
    AMIGA_RETURN_IF_FAILED(message);
    // A message of the wrong length is not processed, but it is replied at
    // once so that its sender is not left waiting.
    if (message->length != PORT_MESSAGE_LENGTH) {
        auto sent = WritePortReply(connection, PortReply{PORT_REFUSED, {}}, timeout);
        AMIGA_RETURN_IF_FAILED(sent);
        return false;
    }
    const PortReply reply = handler(*message);
    auto sent = WritePortReply(connection, reply, timeout);
    AMIGA_RETURN_IF_FAILED(sent);
    return true;
}

}  // namespace amiga
