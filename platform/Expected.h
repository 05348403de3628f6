#pragma once
// A value or an error code, for operations that can fail (std::expected is
// not yet in our standard library). Both AmigaDOS error codes (the host layer)
// and message numbers (everything above it) travel in it.

#include <cassert>
#include <utility>
#include <variant>

namespace amiga {

template <typename E>
struct Unexpected {
    E error;
};

template <typename E>
Unexpected(E) -> Unexpected<E>;

template <typename T, typename E>
class [[nodiscard]] Expected {
  public:
    Expected(T value)
        : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
    Expected(Unexpected<E> failure) : state_(std::in_place_index<1>, failure.error) {}  // NOLINT

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok());
        return std::get<0>(state_);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    E error() const {
        assert(!ok());
        return std::get<1>(state_);
    }

  private:
    std::variant<T, E> state_;
};

}  // namespace amiga

// Passes a failure up: when `result` (an Expected) holds an error, the
// calling function returns that error; otherwise it goes on and `result`
// holds the value.
#define AMIGA_RETURN_IF_FAILED(result)                    \
    do {                                                  \
        if (!(result)) {                                  \
            return ::amiga::Unexpected{(result).error()}; \
        }                                                 \
    } while (false)
