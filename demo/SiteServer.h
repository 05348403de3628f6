#pragma once
// A small static web server for the demonstration site: the files of one
// host folder, served on 127.0.0.1 (never another address) on a port the
// system picks, from a thread of its own. It is meant for a site of a few
// files on the local machine, so it is deliberately narrow:
//
// - GET and HEAD only (405 otherwise), HTTP/1.0 and 1.1, one request per
//   connection ("Connection: close"), one connection at a time;
// - the request header is read up to 8 KiB within 5 seconds, a client that
//   reads nothing for 5 seconds is dropped;
// - the path is confined to the folder: only the characters of ordinary
//   file names, no "." or ".." components, no hidden names, and the
//   file itself no link;
// - Content-Length from the file, Last-Modified from the file's date.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace stovan::demo {

class SiteServer {
  public:
    // Serves hostFolder; the error is a message for the user when no
    // socket could be opened on 127.0.0.1.
    static std::unique_ptr<SiteServer> Start(const std::string& hostFolder, std::string& error);
    ~SiteServer();
    SiteServer(const SiteServer&) = delete;
    SiteServer& operator=(const SiteServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT/".
    std::string BaseUrl() const;
    // How many requests were answered (any status).
    std::uint64_t answered() const { return answered_.load(); }
    // Slow mode: the body of every file goes out `bytes` at a time with a
    // pause of `pause` between the pieces, so that a download lasts long
    // enough to watch (and to abort). 0 bytes: at full speed (the default).
    void setPace(std::size_t bytes, std::chrono::milliseconds pause);

  private:
    SiteServer(std::string folder, int listener, std::uint16_t port);
    void AcceptLoop();
    void Serve(int descriptor);
    void SendFile(int descriptor, const std::string& path, bool head);

    std::string folder_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint64_t> answered_{0};
    std::atomic<std::size_t> paceBytes_{0};
    std::atomic<std::int64_t> paceMilliseconds_{0};
    std::thread acceptor_;
};

// The file a request path names below folder ("" when the path is refused:
// a character outside ordinary file names, a "." or ".." component, a
// hidden name, more than 1024 characters). Query and fragment are cut off.
std::string SitePathToHost(const std::string& folder, std::string_view requestPath);

// "Tue, 15 Nov 1994 08:12:31 GMT".
std::string HttpDate(std::int64_t secondsSinceEpoch);

}  // namespace stovan::demo
