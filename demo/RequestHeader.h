#pragma once
// Reading an HTTP request header from a connected socket, for the small
// servers on 127.0.0.1 (the demonstration site, and the test server).

#include <chrono>
#include <cstddef>
#include <string>

namespace stovan::demo {

enum class HeaderRead {
    Complete,  // the request holds the whole header, up to its empty line
    TooLarge,  // more than the limit came without the empty line
    Ended,     // the client closed, failed or sent nothing in time
};

// Appends what arrives on descriptor to request until the header's empty
// line ("\r\n\r\n") is in it, at most maxSize bytes, within wait in all.
HeaderRead ReadRequestHeader(int descriptor, std::size_t maxSize, std::chrono::milliseconds wait,
                             std::string& request);

}  // namespace stovan::demo
