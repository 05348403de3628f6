#include "demo/RequestHeader.h"

#include <poll.h>
#include <sys/socket.h>

#include <array>

namespace stovan::demo {

HeaderRead ReadRequestHeader(int descriptor, std::size_t maxSize, std::chrono::milliseconds wait,
                             std::string& request) {
    std::array<char, 4096> buffer{};
    // A deadline for the whole header: a client that sends a byte now and
    // then cannot hold the server.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (request.find("\r\n\r\n") == std::string::npos) {
        if (request.size() > maxSize) {
            return HeaderRead::TooLarge;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{descriptor, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            return HeaderRead::Ended;
        }
        const ssize_t got = ::recv(descriptor, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
            return HeaderRead::Ended;
        }
        request.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return HeaderRead::Complete;
}

}  // namespace stovan::demo
