#include "tests/support/FakeStovan.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace stovan::test {

using namespace std::chrono_literals;

FakeStovan::FakeStovan(const amiga::DosList& dos, Handler handler) : handler_(std::move(handler)) {
    const std::string folder = amiga::PortsFolder(dos);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    auto port = amiga::PublicPort::Create(folder, commands::kStovanPortName);
    if (!port) {
        ADD_FAILURE() << "cannot create the port: " << amiga::PortErrorText(port.error());
        return;
    }
    port_.emplace(std::move(*port));
    thread_ = std::thread([this] { Serve(); });
}

FakeStovan::~FakeStovan() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::vector<amiga::PortMessage> FakeStovan::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void FakeStovan::Serve() {
    while (!stop_) {
        auto connection = port_->accept(20ms);
        if (!connection) {
            continue;
        }
        (void)amiga::ServePortConnection(
            *connection,
            [this](const amiga::PortMessage& message) {
                {
                    std::lock_guard lock(mutex_);
                    received_.push_back(message);
                }
                return handler_ ? handler_(message) : amiga::PortReply{};
            },
            5s);
    }
}

std::string Describe(const amiga::PortMessage& message) {
    return std::to_string(message.command) + " " + message.text1 + "|" + message.text2 + "|" +
           std::to_string(message.number1) + "|" + std::to_string(message.number2);
}

std::vector<std::string> Describe(const std::vector<amiga::PortMessage>& messages) {
    std::vector<std::string> lines;
    for (const amiga::PortMessage& message : messages) {
        lines.push_back(Describe(message));
    }
    return lines;
}

}  // namespace stovan::test
