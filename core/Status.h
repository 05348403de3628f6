#pragma once
// The outcome of a Stovan operation: 0 for success or a message number whose
// text (GetString) tells what went wrong. 315 (user abort) is passed straight
// up; 329 is the general out-of-memory failure; any other number is an error
// the caller logs or shows. Message numbers have names by meaning in
// core/MessageIds.h; code never writes a bare number.

#include <cstdint>

#include "platform/Expected.h"

namespace stovan {

using MessageId = std::uint32_t;

class [[nodiscard]] Status {
  public:
    constexpr Status() = default;
    constexpr explicit Status(MessageId message) : message_(message) {}
    static constexpr Status Ok() { return Status(); }

    constexpr bool ok() const { return message_ == 0; }
    constexpr explicit operator bool() const { return ok(); }
    // The message number of a failure, 0 on success.
    constexpr MessageId message() const { return message_; }

    friend constexpr bool operator==(Status, Status) = default;

  private:
    MessageId message_ = 0;
};

// A value, or the message number of the failure.
template <typename T>
using Result = amiga::Expected<T, MessageId>;

inline amiga::Unexpected<MessageId> Failure(MessageId message) {
    return {message};
}
inline amiga::Unexpected<MessageId> Failure(Status status) {
    return {status.message()};
}

}  // namespace stovan
