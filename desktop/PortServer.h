#pragma once
// The serving side of the public port "STOVAN.INTERFACE": the listening
// socket in the root's port folder (private to the user) and the
// connections of the companion commands, each read and answered without
// ever blocking the event loop:
//  - a connection's bytes are gathered as they come, never more than its
//    frame needs, and a connection that has not sent its whole message
//    within kPortClientTimeout is closed, so a slow, truncated or broken
//    client cannot stall the loop or keep others waiting;
//  - a message whose declared length is not 292 is replied with
//    PORT_REFUSED at once, unprocessed, so no sender waits for ever;
//  - any other message goes to the handler; while a handler waits (a
//    download in a nested loop) the other connections are still served.
// The port is public exactly while it is open: Close removes the socket
// file and drops the connections not yet read (a message being handled is
// still answered).

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/Status.h"
#include "desktop/Watch.h"
#include "platform/PortMessage.h"

namespace stovan {

inline constexpr std::string_view kPublicPortName = "STOVAN.INTERFACE";
inline constexpr std::chrono::milliseconds kPortClientTimeout{5000};
// Connections served at the same time; more wait in the socket's backlog.
inline constexpr std::size_t kMaxPortConnections = 32;

using PortMessageHandler = std::function<amiga::PortReply(const amiga::PortMessage&)>;

class PortServer {
  public:
    PortServer(std::string portsFolder, PortMessageHandler handler);
    ~PortServer();
    PortServer(const PortServer&) = delete;
    PortServer& operator=(const PortServer&) = delete;

    // AddPort: makes the port folder private and the socket public.
    // Ok, or msg::CannotCreatePort.
    Status Open();
    // RemPort: removes the socket file; unanswered connections are closed.
    void Close();
    bool isOpen() const { return port_.has_value(); }

    // The descriptors to poll this turn.
    void CollectWatches(Watches& watches);
    // Closes the connections whose deadline has passed; the earliest
    // deadline left, for the loop's poll time-out.
    std::optional<LoopClock::time_point> ExpireConnections(LoopClock::time_point now);

    std::size_t connectionCount() const { return connections_.size(); }

  private:
    struct Connection {
        amiga::PortSocket socket;
        std::string received;
        std::string reply;  // bytes still to send
        std::size_t sent = 0;
        bool handling = false;
        LoopClock::time_point deadline;
    };

    void Accept();
    void Read(std::uint64_t id);
    void Write(std::uint64_t id);
    void Answer(std::uint64_t id, const amiga::PortMessage& message);

    std::string portsFolder_;
    PortMessageHandler handler_;
    std::optional<amiga::PublicPort> port_;
    std::map<std::uint64_t, Connection> connections_;
    std::uint64_t nextId_ = 1;
};

}  // namespace stovan
