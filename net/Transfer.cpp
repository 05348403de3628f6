#include "net/Transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <random>
#include <utility>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "net/Url.h"
#include "platform/Locks.h"

namespace stovan {

// The libcurl side of a transfer: the easy handle and the header list it
// points at, which must live as long as the attempt.
struct Transfer::Curl {
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    char error[CURL_ERROR_SIZE] = {};

    ~Curl() {
        curl_slist_free_all(headers);
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
    }
};

namespace {

// How often a running transfer reports 415 at most. The original pushed
// every 512th receive of at most 64 KB; libcurl's deliveries differ in
// size, so time keeps the gauge moving at a steady, low rate instead.
constexpr auto kReportInterval = std::chrono::milliseconds(250);

// Body bytes are handed over in pieces of up to this size.
constexpr long kReceiveBuffer = 256 * 1024;

std::string TemporaryNameFor(const std::string& path) {
    // The same form HostWriteFileAtomic uses, so that drawer listings hide
    // a download in progress.
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(random()));
    return path + suffix;
}

// What a libcurl failure means in Stovan's terms.
Status StatusFromCurl(CURLcode code, bool connected) {
    switch (code) {
        case CURLE_OK:
            return Status::Ok();
        case CURLE_URL_MALFORMAT:
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return Status(msg::UnknownHost);
        case CURLE_OUT_OF_MEMORY:
            // libcurl also says this for a header line beyond its own bound.
            return connected ? Status(msg::CannotFind) : Status(msg::NotEnoughMemory);
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
            return Status(msg::CannotConnect);
        case CURLE_OPERATION_TIMEDOUT:
            return Status(msg::NetworkTimeout);
        case CURLE_ABORTED_BY_CALLBACK:
            return Status(msg::ProcessingAborted);
        case CURLE_FAILED_INIT:
            return Status(msg::CannotCreateSocket);
        default:
            // A short or broken body, a reset connection, a reply that is
            // not HTTP: the receive failed.
            return Status(msg::RecvFailed);
    }
}

}  // namespace

// libcurl's callbacks, forwarded to the transfer they belong to.
struct TransferCallbacks {
    static std::size_t Header(char* data, std::size_t size, std::size_t count, void* transfer) {
        return static_cast<Transfer*>(transfer)->OnHeader(data, size * count);
    }
    static std::size_t Body(char* data, std::size_t size, std::size_t count, void* transfer) {
        return static_cast<Transfer*>(transfer)->OnBody(data, size * count);
    }
    static int Progress(void* transfer, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<Transfer*>(transfer)->OnProgress();
    }
};

std::string UserAgent(amiga::SystemKind system) {
    return "Stovan/" + std::to_string(kProgramVersion) + "." + std::to_string(kProgramRevision) +
           (system == amiga::SystemKind::MorphOS ? " (MorphOS; N; PPC)" : " (AmigaOS4; N; PPC)");
}

Transfer::Transfer(TransferRequest request)
    : request_(std::move(request)),
      url_(request_.url),
      triesLeft_(std::max<std::uint32_t>(request_.settings.connectRetries, 1)) {}

Transfer::~Transfer() {
    DiscardOutput();
}

void* Transfer::easyHandle() const {
    return curl_ ? curl_->easy : nullptr;
}

Status Transfer::Begin() {
    Report(msg::ProgressPreparingDownload, UrlFilePart(url_), 0, 0);
    return PrepareAttempt();
}

Status Transfer::PrepareAttempt() {
    outcome_ = Outcome::Running;
    failure_ = Status::Ok();
    header_ = ResponseHeader{};
    headerBytes_ = 0;
    headerDone_ = false;
    received_ = 0;
    lastReport_ = {};
    lastActivity_ = std::chrono::steady_clock::now();
    DiscardOutput();

    try {
        curl_ = std::make_unique<Curl>();
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
    curl_->easy = curl_easy_init();
    if (curl_->easy == nullptr) {
        return Status(msg::CannotCreateSocket);
    }
    const UrlParts parts = SplitUrl(url_);
    // The host goes into the Host line as it is: a blank or control
    // character (a line break from a hostile Location) would forge lines.
    const bool usableHost =
        !parts.host.empty() && std::none_of(parts.host.begin(), parts.host.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte <= 0x20 || byte == 0x7F;
        });
    if (!usableHost) {
        return Status(msg::UnknownHost);
    }
    const std::string transferUrl = TransferUrl(parts);
    // Exactly the request lines of Stovan's own client: libcurl puts the
    // Host line first and leaves out its own Accept and User-Agent lines
    // when we give them; it adds nothing else to a plain GET.
    const std::string lines[] = {"Host: " + parts.host, "Pragma: no-cache", "Accept: */*",
                                 "User-Agent: " + UserAgent(request_.settings.system)};
    for (const std::string& line : lines) {
        curl_slist* appended = curl_slist_append(curl_->headers, line.c_str());
        if (appended == nullptr) {
            return Status(msg::NotEnoughMemory);
        }
        curl_->headers = appended;
    }
    CURL* easy = curl_->easy;
    const TransferSettings& settings = request_.settings;
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, transferUrl.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HTTPHEADER, curl_->headers) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
    // One connection per attempt, as the original client made.
    ok = ok && curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok &&
         curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT,
                          static_cast<long>(std::max<std::uint32_t>(settings.connectTimeout, 1))) ==
             CURLE_OK;
    // A stall: less than one byte per second for the whole transfer time-out
    // ends the attempt with 349, in the header as in the body.
    ok = ok && curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                                static_cast<long>(std::max<std::uint32_t>(settings.transferTimeout,
                                                                          1))) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBuffer) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, curl_->error) == CURLE_OK;
    ok = ok &&
         curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TransferCallbacks::Header) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TransferCallbacks::Body) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok = ok &&
         curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &TransferCallbacks::Progress) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PRIVATE, this) == CURLE_OK;
    if (!ok) {
        // Only a libcurl built without HTTP or out of memory refuses these.
        return Status(msg::CannotCreateSocket);
    }
    return Status::Ok();
}

std::size_t Transfer::OnHeader(const char* data, std::size_t size) {
    lastActivity_ = std::chrono::steady_clock::now();
    headerBytes_ += size;
    if (headerBytes_ > kMaxResponseHeader) {
        outcome_ = Outcome::Failed;
        failure_ = Status(msg::CannotFind);
        return 0;
    }
    const std::string_view line(data, size);
    if (headerDone_) {
        return size;  // trailer lines after a chunked body
    }
    if (line != "\r\n" && line != "\n") {
        header_.AddLine(line);
        return size;
    }
    // The empty line ends a header. An interim answer (100 Continue) is
    // followed by the real one.
    if (header_.status >= 100 && header_.status < 200) {
        headerBytes_ = 0;
        return size;
    }
    headerDone_ = true;
    const Status status = HeaderComplete();
    if (!status.ok()) {
        outcome_ = Outcome::Failed;
        failure_ = status;
        return 0;
    }
    // A redirect or a finished length probe ends the attempt here.
    return outcome_ == Outcome::Running ? size : 0;
}

Status Transfer::HeaderComplete() {
    announcedLength_ = header_.contentLength.value_or(0);
    const int status = header_.status;
    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
        if (header_.location.empty()) {
            return Status(msg::CannotFind);
        }
        outcome_ = Outcome::Redirect;
        return Status::Ok();
    }
    if (status != 200) {
        return Status(msg::CannotFind);
    }
    fileDate_ = header_.FileDate(amiga::CurrentDateStamp());
    if ((request_.flags & DL_LENGTH_ONLY) != 0) {
        if (Status opened = OpenOutput(); !opened.ok()) {
            return opened;
        }
        char line[64];
        const int length = std::snprintf(line, sizeof line, "LENGTH %lld\n",
                                         static_cast<long long>(announcedLength_));
        if (!output_.Write(std::string_view(line, static_cast<std::size_t>(length))).ok()) {
            retryAllowed_ = false;
            return Status(msg::RecvFailed);
        }
        outcome_ = Outcome::Complete;
    }
    return Status::Ok();
}

std::string Transfer::StoredNameFor() const {
    if (request_.nameFromServer && !header_.attachmentName.empty()) {
        return SafeFileName(header_.attachmentName);
    }
    if (!request_.fileName.empty()) {
        return request_.fileName;
    }
    return SafeFileName(UrlFilePart(url_));
}

Status Transfer::OpenOutput() {
    outputName_ = StoredNameFor();
    temporaryPath_ = TemporaryNameFor(request_.drawerHostPath + "/" + outputName_);
    auto file = amiga::HostFile::Open(temporaryPath_, amiga::HostFile::Mode::Write);
    if (!file) {
        temporaryPath_.clear();
        // The drawer cannot take the file: another try would fail alike.
        retryAllowed_ = false;
        return Status(msg::RecvFailed);
    }
    output_ = std::move(*file);
    return Status::Ok();
}

std::size_t Transfer::OnBody(const char* data, std::size_t size) {
    if (outcome_ != Outcome::Running) {
        return 0;
    }
    if (!output_.isOpen()) {
        if (Status opened = OpenOutput(); !opened.ok()) {
            outcome_ = Outcome::Failed;
            failure_ = opened;
            return 0;
        }
    }
    if (!output_.Write(std::string_view(data, size)).ok()) {
        outcome_ = Outcome::Failed;
        failure_ = Status(msg::RecvFailed);
        retryAllowed_ = false;
        return 0;
    }
    received_ += static_cast<std::int64_t>(size);
    const auto now = std::chrono::steady_clock::now();
    lastActivity_ = now;
    if ((request_.flags & DL_PROGRESS) != 0) {
        if (now - lastReport_ >= kReportInterval) {
            lastReport_ = now;
            Report(msg::ProgressDownloading, UrlFilePart(url_), received_ / 1024,
                   announcedLength_ / 1024);
        }
    }
    return size;
}

int Transfer::OnProgress() {
    // libcurl calls this at least once a second (the low-speed check keeps a
    // one-second timer), also while nothing arrives.
    if (abortRequested()) {
        return 1;
    }
    const auto now = std::chrono::steady_clock::now();
    curl_off_t connected = 0;
    curl_easy_getinfo(curl_->easy, CURLINFO_CONNECT_TIME_T, &connected);
    if (connected == 0) {
        lastActivity_ = now;  // the connection time-out rules until then
        return 0;
    }
    // libcurl's own low-speed check averages over several seconds, so a
    // server that sent a few bytes and stalled would be waited for longer
    // than the transfer time-out: the stall is measured here instead.
    const auto limit =
        std::chrono::seconds(std::max<std::uint32_t>(request_.settings.transferTimeout, 1));
    if (now - lastActivity_ > limit) {
        outcome_ = Outcome::Failed;
        failure_ = Status(msg::NetworkTimeout);
        return 1;
    }
    return 0;
}

void Transfer::Report(MessageId message, std::string_view name, std::int64_t done,
                      std::int64_t total) {
    if ((request_.flags & DL_PROGRESS) == 0 || request_.progress == nullptr) {
        return;
    }
    request_.progress->progressChanged({message, std::string(name), done, total});
}

Status Transfer::StoreOutput() {
    if (!output_.isOpen()) {
        return Status::Ok();  // an empty body stores no file
    }
    const bool written = output_.Close().ok();
    if (!written) {
        DiscardOutput();
        return Status(msg::RecvFailed);
    }
    // An existing file of the same name in another case is replaced, not
    // joined by a second one that only the host could tell apart.
    std::string name = outputName_;
    if (auto existing = amiga::FindNameInFolder(request_.drawerHostPath, name);
        existing && !existing->empty()) {
        name = *existing;
    }
    const std::string target = request_.drawerHostPath + "/" + name;
    if (fileDate_) {
        // The file's date only mirrors the server's; the outcome carries the
        // date itself (fileDate()), which is what the checks read.
        (void)amiga::HostSetModified(temporaryPath_, amiga::HostTimeFromDateStamp(*fileDate_), 0);
    } else if ((request_.flags & DL_LENGTH_ONLY) != 0) {
        // Without Last-Modified the probe has no server date: the file is
        // dated at the very start of the Amiga's calendar (day 0), which
        // reads back as no date, not as "now" (which would make the item
        // look outdated on every check).
        (void)amiga::HostSetModified(temporaryPath_, amiga::HostTimeFromDateStamp({}), 0);
    }
    if (!amiga::HostRename(temporaryPath_, target, false).ok()) {
        DiscardOutput();
        return Status(msg::RecvFailed);
    }
    temporaryPath_.clear();
    storedName_ = name;
    return Status::Ok();
}

void Transfer::DiscardOutput() {
    // A discarded body: the failure that brought us here is what the caller
    // hears.
    if (output_.isOpen()) {
        (void)output_.Close();  // the file goes next: what it holds is not kept
    }
    if (!temporaryPath_.empty()) {
        (void)amiga::HostRemoveFile(temporaryPath_);  // at worst a temporary file stays
        temporaryPath_.clear();
    }
}

bool Transfer::AttemptEnded(int curlCode) {
    const auto code = static_cast<CURLcode>(curlCode);
    Status attempt;
    switch (outcome_) {
        case Outcome::Complete:
            attempt = Status::Ok();
            break;
        case Outcome::Failed:
            attempt = failure_;
            break;
        case Outcome::Redirect:
            break;
        case Outcome::Running:
            if (abortRequested()) {
                attempt = Status(msg::ProcessingAborted);
            } else if (code != CURLE_OK) {
                attempt = StatusFromCurl(code, headerBytes_ > 0);
            } else if (header_.status != 200) {
                attempt = Status(msg::CannotFind);  // no complete header at all
            } else {
                attempt = Status::Ok();  // libcurl checked the body's length and chunks
            }
            break;
    }

    if (outcome_ == Outcome::Redirect) {
        DiscardOutput();
        if (++redirects_ > kMaxRedirects) {
            Finish(Status(msg::CannotFind));
            return false;
        }
        // A relative Location is taken relative to the URL that sent it.
        std::string target = header_.location;
        if (CURLU* base = curl_url(); base != nullptr) {
            char* resolved = nullptr;
            const std::string current = TransferUrl(SplitUrl(url_));
            if (curl_url_set(base, CURLUPART_URL, current.c_str(), 0) == CURLUE_OK &&
                curl_url_set(base, CURLUPART_URL, header_.location.c_str(),
                             CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
                curl_url_get(base, CURLUPART_URL, &resolved, 0) == CURLUE_OK) {
                target = resolved;
            }
            curl_free(resolved);
            curl_url_cleanup(base);
        }
        url_ = target;
        // The new URL is fetched with tries of its own.
        triesLeft_ = std::max<std::uint32_t>(request_.settings.connectRetries, 1);
        if (Status prepared = PrepareAttempt(); !prepared.ok()) {
            Finish(prepared);
            return false;
        }
        return true;
    }

    if (attempt.ok()) {
        Finish(StoreOutput());
        if (result_.ok() && (request_.flags & DL_PROGRESS) != 0) {
            const std::string display =
                request_.fileName.empty() ? std::string(UrlFilePart(url_)) : request_.fileName;
            const std::string last = display.substr(display.find_last_of("/:") + 1);
            Report(msg::ProgressDownloadDone, last, announcedLength_ / 1024,
                   announcedLength_ / 1024);
        }
        return false;
    }
    DiscardOutput();
    if (attempt.message() == msg::ProcessingAborted || !retryAllowed_ || --triesLeft_ == 0) {
        Finish(attempt);
        return false;
    }
    if (Status prepared = PrepareAttempt(); !prepared.ok()) {
        Finish(prepared);
        return false;
    }
    return true;
}

void Transfer::Finish(Status result) {
    DiscardOutput();
    curl_.reset();
    result_ = result;
    finished_ = true;
}

}  // namespace stovan
