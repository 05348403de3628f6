#pragma once
// One fetch of a URL into a file, the way Stovan fetches pages, read-me
// files, archives and images: a plain HTTP/1.1 GET with Stovan's own request
// header, redirects followed, failed attempts repeated, progress reported,
// the body streamed through a temporary file and renamed into place, the
// file dated with the server's modification time.
//
// A Transfer does not run by itself: a TransferSet (net/TransferSet.h)
// drives it from the thread that owns it, without blocking; DownloadFile
// (net/DownloadFile.h) is the blocking driver for one transfer.
//
// Results (message numbers): 0; 344 unknown host or unusable URL; 345 no
// socket; 346 the connection (or its TLS handshake) failed; 348 a receive
// failure, a short body, a broken chunked body, or the file could not be
// written (the last is not retried); 349 no connection or no byte within
// the time-outs; 350 any answer but 200 after all tries, a header beyond
// 64 KiB, a redirect without Location or more than 10 redirects; 315 the
// transfer was aborted; 329 out of memory.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/Status.h"
#include "net/ResponseHeader.h"
#include "platform/DateStamp.h"
#include "platform/HostFiles.h"
#include "platform/MountTable.h"

namespace stovan {

// DownloadFile's flags.
inline constexpr std::uint32_t DL_PROGRESS = 1u << 0;  // report progress (414-416)
inline constexpr std::uint32_t DL_LENGTH_ONLY = 1u
                                                << 1;  // write "LENGTH n\n", stop after the header

// Bounds on what a server controls.
inline constexpr std::size_t kMaxResponseHeader = 64 * 1024;
inline constexpr int kMaxRedirects = 10;

// The preferences a transfer reads.
struct TransferSettings {
    std::uint32_t connectTimeout = 2;   // seconds to connect
    std::uint32_t transferTimeout = 3;  // seconds without a byte before the attempt ends
    std::uint32_t connectRetries = 1;   // tries; below 1 counts as 1
    amiga::SystemKind system = amiga::SystemKind::AmigaOS4;  // the User-Agent's system word
};

// The User-Agent line's value: "Stovan/2.18 (AmigaOS4; N; PPC)" or
// "Stovan/2.18 (MorphOS; N; PPC)".
std::string UserAgent(amiga::SystemKind system);

// A gauge update: message 414 "Preparing download of '%s'!" (name),
// 415 "Downloading the file '%s': %ld KB / %ld KB!" (name, done, total) or
// 416 "Downloading the file '%s' done!" (name, total, total).
struct ProgressUpdate {
    MessageId message = 0;
    std::string name;
    std::int64_t doneKb = 0;
    std::int64_t totalKb = 0;
};

// Receives the progress of transfers with DL_PROGRESS, on the thread that
// drives them.
class TransferProgress {
  public:
    virtual ~TransferProgress() = default;
    virtual void progressChanged(const ProgressUpdate& update) = 0;
    // DownloadFile shows the gauge before a fetch with DL_PROGRESS and
    // hides it after.
    virtual void gaugeVisible(bool visible) { (void)visible; }
};

struct TransferRequest {
    std::string url;
    // The host folder the file is stored in; it must exist.
    std::string drawerHostPath;
    // The file's name in that drawer (a name the caller chose); empty: the
    // last part of the URL, made safe (SafeFileName).
    std::string fileName;
    // An attachment name sent by the server (made safe) replaces the name.
    bool nameFromServer = false;
    std::uint32_t flags = 0;  // DL_PROGRESS, DL_LENGTH_ONLY
    TransferSettings settings;
    TransferProgress* progress = nullptr;  // used with DL_PROGRESS
};

class TransferSet;

class Transfer {
  public:
    explicit Transfer(TransferRequest request);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    const TransferRequest& request() const { return request_; }
    bool finished() const { return finished_; }
    // The result once finished.
    Status result() const { return result_; }
    // The on-disk name of the stored file in the drawer; empty when no file
    // was stored (a failure, or an empty body).
    const std::string& storedName() const { return storedName_; }
    // The date the file was given (Last-Modified moved by the server's
    // clock offset); nothing when the server sent no Last-Modified.
    const std::optional<amiga::DateStamp>& fileDate() const { return fileDate_; }
    // The announced body length (0 when none was announced).
    std::int64_t announcedLength() const { return announcedLength_; }

    // Asks the transfer to end with 315; safe from any thread. The driver
    // sees it at its next step (within a second even when the server stalls).
    void RequestAbort() { abortRequested_.store(true); }
    bool abortRequested() const { return abortRequested_.load(); }

  private:
    friend class TransferSet;
    friend struct TransferCallbacks;
    struct Curl;

    enum class Outcome { Running, Complete, Redirect, Failed };

    // The CURL easy handle of the current attempt, or null.
    void* easyHandle() const;
    // Reports 414 and sets the first attempt up.
    Status Begin();
    // Sets the easy handle up for an attempt on the current URL.
    Status PrepareAttempt();
    // Called by the set when curl finished an attempt; true when the
    // transfer starts another attempt (a retry or a redirect).
    bool AttemptEnded(int curlCode);
    // Ends the transfer with result.
    void Finish(Status result);

    std::size_t OnHeader(const char* data, std::size_t size);
    std::size_t OnBody(const char* data, std::size_t size);
    int OnProgress();
    Status HeaderComplete();
    Status OpenOutput();
    Status StoreOutput();
    void DiscardOutput();
    void Report(MessageId message, std::string_view name, std::int64_t done, std::int64_t total);
    std::string StoredNameFor() const;

    TransferRequest request_;
    std::unique_ptr<Curl> curl_;
    std::string url_;  // the URL of the current attempt (after redirects)
    std::uint32_t triesLeft_ = 1;
    int redirects_ = 0;

    // Per attempt.
    Outcome outcome_ = Outcome::Running;
    Status failure_;
    bool retryAllowed_ = true;
    ResponseHeader header_;
    std::size_t headerBytes_ = 0;
    bool headerDone_ = false;
    std::string temporaryPath_;
    std::string outputName_;
    amiga::HostFile output_;
    std::int64_t received_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
    std::chrono::steady_clock::time_point lastActivity_{};

    bool finished_ = false;
    Status result_;
    std::string storedName_;
    std::optional<amiga::DateStamp> fileDate_;
    std::int64_t announcedLength_ = 0;
    std::atomic<bool> abortRequested_{false};
};

}  // namespace stovan
