#pragma once
// Sets (or, without a value, removes) an environment variable for a scope
// and puts back what it was when the scope ends, however the test leaves it.

#include <stdlib.h>

#include <optional>
#include <string>

namespace stovan::test {

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* was = ::getenv(name)) {
            old_ = was;
        }
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace stovan::test
