#include "desktop/PortServer.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "core/MessageIds.h"

namespace stovan {

PortServer::PortServer(std::string portsFolder, PortMessageHandler handler)
    : portsFolder_(std::move(portsFolder)), handler_(std::move(handler)) {}

PortServer::~PortServer() {
    Close();
}

Status PortServer::Open() {
    if (port_) {
        return Status::Ok();
    }
    if (!amiga::PreparePrivatePortsFolder(portsFolder_).ok()) {
        return Status(msg::CannotCreatePort);
    }
    auto port = amiga::PublicPort::Create(portsFolder_, kPublicPortName);
    if (!port) {
        return Status(msg::CannotCreatePort);
    }
    port_.emplace(std::move(*port));
    return Status::Ok();
}

void PortServer::Close() {
    port_.reset();
    // A connection whose handler runs is still answered when it returns: its
    // sender waits for the reply.
    for (auto it = connections_.begin(); it != connections_.end();) {
        it = it->second.handling ? std::next(it) : connections_.erase(it);
    }
}

void PortServer::CollectWatches(Watches& watches) {
    if (port_ && connections_.size() < kMaxPortConnections) {
        watches.push_back({port_->fd(), POLLIN, [this](short) { Accept(); }});
    }
    for (auto& [id, connection] : connections_) {
        if (connection.handling) {
            continue;
        }
        const std::uint64_t key = id;
        if (connection.reply.empty()) {
            watches.push_back({connection.socket.fd(), POLLIN, [this, key](short) { Read(key); }});
        } else {
            watches.push_back(
                {connection.socket.fd(), POLLOUT, [this, key](short) { Write(key); }});
        }
    }
}

std::optional<LoopClock::time_point> PortServer::ExpireConnections(LoopClock::time_point now) {
    std::optional<LoopClock::time_point> earliest;
    for (auto it = connections_.begin(); it != connections_.end();) {
        Connection& connection = it->second;
        if (!connection.handling && connection.deadline <= now) {
            it = connections_.erase(it);
            continue;
        }
        if (!connection.handling && (!earliest || connection.deadline < *earliest)) {
            earliest = connection.deadline;
        }
        ++it;
    }
    return earliest;
}

void PortServer::Accept() {
    if (!port_) {
        return;
    }
    while (connections_.size() < kMaxPortConnections) {
        auto socket = port_->accept(std::chrono::milliseconds(0));
        if (!socket) {
            return;
        }
        Connection connection;
        connection.socket = std::move(*socket);
        connection.deadline = LoopClock::now() + kPortClientTimeout;
        connections_.emplace(nextId_++, std::move(connection));
    }
}

void PortServer::Read(std::uint64_t id) {
    auto it = connections_.find(id);
    if (it == connections_.end()) {
        return;
    }
    Connection& connection = it->second;
    auto needed = amiga::PortMessageFrameSize(connection.received);
    while (needed && connection.received.size() < *needed) {
        char buffer[1024];
        const std::size_t want = std::min(sizeof buffer, *needed - connection.received.size());
        const ssize_t got = ::recv(connection.socket.fd(), buffer, want, MSG_DONTWAIT);
        if (got > 0) {
            connection.received.append(buffer, static_cast<std::size_t>(got));
            needed = amiga::PortMessageFrameSize(connection.received);
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;  // the rest comes later, or the deadline ends the wait
        }
        // The peer went away (a FindPort probe does so at once) or failed.
        connections_.erase(it);
        return;
    }
    if (!needed) {
        connections_.erase(it);  // not a port message: closing tells the sender
        return;
    }
    auto message = amiga::DecodePortMessage(connection.received);
    if (!message) {
        connections_.erase(it);
        return;
    }
    Answer(id, *message);
}

void PortServer::Answer(std::uint64_t id, const amiga::PortMessage& message) {
    amiga::PortReply reply{amiga::PORT_REFUSED, {}};
    if (message.length == amiga::PORT_MESSAGE_LENGTH) {
        connections_.at(id).handling = true;
        reply = handler_(message);
    }
    // The handler may have waited in a nested loop; find the connection again.
    auto it = connections_.find(id);
    if (it == connections_.end()) {
        return;
    }
    it->second.handling = false;
    it->second.reply = amiga::EncodePortReply(reply);
    it->second.deadline = LoopClock::now() + kPortClientTimeout;
    Write(id);
}

void PortServer::Write(std::uint64_t id) {
    auto it = connections_.find(id);
    if (it == connections_.end()) {
        return;
    }
    Connection& connection = it->second;
    while (connection.sent < connection.reply.size()) {
        const ssize_t put =
            ::send(connection.socket.fd(), connection.reply.data() + connection.sent,
                   connection.reply.size() - connection.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put > 0) {
            connection.sent += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        break;
    }
    connections_.erase(it);  // replied (or the sender is gone)
}

}  // namespace stovan
