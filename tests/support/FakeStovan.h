#pragma once
// A stand-in for the running Stovan: its public port in a root's port
// folder, served by a thread that records every message the companion
// commands send.

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands/CommandSupport.h"
#include "platform/PortMessage.h"
#include "platform/SystemRoot.h"

namespace stovan::test {

// "STOVAN.INTERFACE" in the root's port folder, served until destroyed.
class FakeStovan {
  public:
    using Handler = std::function<amiga::PortReply(const amiga::PortMessage&)>;
    // The default handler answers 0 with no text.
    explicit FakeStovan(const amiga::DosList& dos, Handler handler = {});
    ~FakeStovan();
    FakeStovan(const FakeStovan&) = delete;
    FakeStovan& operator=(const FakeStovan&) = delete;

    bool ok() const { return port_.has_value(); }
    std::vector<amiga::PortMessage> Received() const;

  private:
    void Serve();

    std::optional<amiga::PublicPort> port_;
    Handler handler_;
    mutable std::mutex mutex_;
    std::vector<amiga::PortMessage> received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A message as one line: "<command> text1|text2|number1|number2".
std::string Describe(const amiga::PortMessage& message);
// Every message received so far, described.
std::vector<std::string> Describe(const std::vector<amiga::PortMessage>& messages);

}  // namespace stovan::test
