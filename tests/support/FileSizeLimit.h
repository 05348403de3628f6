#pragma once
// Writing fails as on a full disk while one of these lives.

#include <sys/resource.h>

#include <csignal>

namespace stovan::test {

// Writing fails as on a full disk: files may not grow past `bytes`
// (RLIMIT_FSIZE holds for every user, root included, unlike a read-only
// drawer). The old limit comes back at the end of the scope.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

  private:
    rlimit old_{};
    void (*oldSignal_)(int) = SIG_DFL;
    bool active_ = false;
};

}  // namespace stovan::test
