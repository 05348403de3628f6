#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "net/DownloadFile.h"
#include "net/TransferSet.h"
#include "platform/DosFiles.h"
#include "tests/support/CannedSite.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/TempRoot.h"
#include "version/Date.h"

namespace stovan {
namespace {

using namespace std::chrono_literals;
using test::HttpConnection;
using test::HttpResponse;
using test::HttpTestServer;

// Every regular file under a folder, as host paths.
std::set<std::string> FilesUnder(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files.insert(entry.path().string());
        }
    }
    return files;
}

struct Recorder : TransferProgress {
    std::vector<ProgressUpdate> updates;
    int shown = 0;
    void progressChanged(const ProgressUpdate& update) override { updates.push_back(update); }
    void gaugeVisible(bool visible) override { shown += visible ? 1 : -1; }
};

class DownloadFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::DisableProxies();
        ASSERT_TRUE(amiga::CreateDrawerPath(root.dos(), "RAM:T").ok());
        context.dos = &root.dos();
        context.settings.connectTimeout = 2;
        context.settings.transferTimeout = 1;
        context.settings.connectRetries = 2;
        context.log = &log;
        context.drawer = "T:";
    }

    std::string Drawer(const std::string& name = "") const { return root.Host("RAM", "T/" + name); }

    // Fetches and returns the result; the outcome lands in `outcome`.
    Status Fetch(const std::string& url, std::uint32_t flags = 0, bool serverName = false,
                 const std::string& localName = "") {
        return DownloadFile(context, url, localName, flags, serverName, &outcome);
    }

    test::TempRoot root;
    Log log;
    DownloadContext context;
    DownloadOutcome outcome;
};

TEST_F(DownloadFileTest, SendsStovansOwnRequestAndStoresTheBodySplitAnywhere) {
    std::string body;
    for (int line = 0; line < 2000; ++line) {
        body += "line " + std::to_string(line) + "\n";
    }
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        HttpTestServer server([&](HttpConnection& connection) {
            std::mt19937 random(seed);
            connection.SendSplit(HttpResponse("200 OK", body), random, 1 + seed * 7);
        });
        ASSERT_EQ(Fetch(server.Url("/dir/file.lha")), Status::Ok());
        EXPECT_EQ(outcome.path, "RAM:T/file.lha");
        EXPECT_EQ(test::ReadHostFile(Drawer("file.lha")), body);
        EXPECT_EQ(server.Requests(),
                  std::vector<std::string>{"GET /dir/file.lha HTTP/1.1\r\nHost: 127.0.0.1:" +
                                           std::to_string(server.port()) +
                                           "\r\nPragma: no-cache\r\nAccept: */*\r\n"
                                           "User-Agent: Stovan/2.18 (AmigaOS4; N; PPC)\r\n\r\n"});
    }
}

TEST_F(DownloadFileTest, ChunkedBodies) {
    const std::string big(300000, 'q');
    // What follows the header (two chunks, one of 300000 bytes, an extension
    // and a trailer), and the body stored.
    for (const auto& [wire, body] : std::vector<std::pair<std::string, std::string>>{
             {"4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n", "Wikipedia"},
             {"493e0\r\n" + big + "\r\n0\r\n\r\n", big},
             {"4;x=y\r\nWiki\r\n0\r\nX-Trailer: 1\r\n\r\n", "Wiki"}}) {
        for (const unsigned seed : {7u, 8u}) {
            SCOPED_TRACE(wire.substr(0, 12) + " seed " + std::to_string(seed));
            // A copy for the server's thread: clang 14 lets no lambda name a
            // structured binding.
            HttpTestServer server([&, head = wire](HttpConnection& connection) {
                std::mt19937 random(seed);
                connection.SendSplit("HTTP/1.1 200 OK\r\nTRANSFER-ENCODING: chunked\r\n\r\n" + head,
                                     random, 50);
            });
            EXPECT_EQ(Fetch(server.Url("/wiki")), Status::Ok());
            EXPECT_EQ(test::ReadHostFile(Drawer("wiki")), body);
        }
    }
}

// Each answer arrives in pieces; a failed one leaves no file, is tried once
// more and logged once.
TEST_F(DownloadFileTest, FailedAnswersAreTriedAgainAndLogged) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTRANSFER-ENCODING: chunked\r\n\r\n";
    // Many short header lines, or one line of 2 MiB.
    std::string manyLines = "HTTP/1.1 200 OK\r\n";
    for (int line = 0; line < 2100; ++line) {
        manyLines += "X-Filler: " + std::string(1000, 'f') + "\r\n";
    }
    const std::string longLine =
        "HTTP/1.1 200 OK\r\nX-Filler: " + std::string(2 << 20, 'f') + "\r\n";
    const std::tuple<const char*, std::string, Status> rows[] = {
        {"404", HttpResponse("404 Not Found", "gone"), Status(msg::CannotFind)},
        {"short body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this",
         Status(msg::RecvFailed)},
        {"huge Content-Length", "HTTP/1.1 200 OK\r\nContent-Length: 1000000000000000\r\n\r\nabc",
         Status(msg::RecvFailed)},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", Status(msg::RecvFailed)},
        {"redirect without Location", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n",
         Status(msg::CannotFind)},
        {"no final chunk", chunked + "4\r\nWiki\r\n5\r\npedia\r\n", Status(msg::RecvFailed)},
        {"bad chunk size", chunked + "4\r\nWiki\r\nzz\r\npedia\r\n0\r\n\r\n",
         Status(msg::RecvFailed)},
        {"huge header", manyLines + "Content-Length: 2\r\n\r\nok", Status(msg::CannotFind)},
        {"huge header line", longLine + "Content-Length: 2\r\n\r\nok", Status(msg::CannotFind)},
    };
    for (const auto& [name, response, result] : rows) {
        SCOPED_TRACE(name);
        HttpTestServer server([&, &sent = response](HttpConnection& connection) {
            std::mt19937 random(7);
            connection.SendSplit(sent, random, sent.size() / 8 + 1);
        });
        const std::size_t logged = log.entries().size();
        EXPECT_EQ(Fetch(server.Url("/x.lha")), result);
        EXPECT_EQ(server.Requests().size(), 2u);
        EXPECT_FALSE(test::HostExists(Drawer("x.lha")));
        ASSERT_EQ(log.entries().size(), logged + 1);
        if (result == Status(msg::CannotFind)) {
            EXPECT_EQ(log.entries().back().text, "Unable to find 'x.lha'!");
        }
    }
    // No tries at all in the preferences still makes one.
    HttpTestServer server(
        [](HttpConnection& connection) { connection.Send(HttpResponse("404 Not Found", "")); });
    context.settings.connectRetries = 0;
    EXPECT_EQ(Fetch(server.Url("/x.lha")), Status(msg::CannotFind));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(DownloadFileTest, RedirectsAreFollowedAndBounded) {
    test::CannedSite server(
        {{"/a", HttpResponse("302 Found", "moved", "Location: b\r\n")},
         {"/c", HttpResponse("307 Temporary Redirect", "", "Location: /files/final.lha\r\n")},
         {"/files/final.lha", HttpResponse("200 OK", "final")},
         {"/loop", HttpResponse("302 Found", "", "Location: /loop\r\n")}});
    server.Serve(
        "/b", HttpResponse("301 Moved Permanently", "", "Location: " + server.Url("/c") + "\r\n"));
    // A chain of relative and absolute targets; only the final answer is stored.
    ASSERT_EQ(Fetch(server.Url("/a")), Status::Ok());
    EXPECT_EQ(outcome.path, "RAM:T/final.lha");
    EXPECT_EQ(test::ReadHostFile(Drawer("final.lha")), "final");
    EXPECT_FALSE(test::HostExists(Drawer("a")));
    EXPECT_EQ(server.RequestedPaths(),
              (std::vector<std::string>{"/a", "/b", "/c", "/files/final.lha"}));

    EXPECT_EQ(Fetch(server.Url("/loop")), Status(msg::CannotFind));
    EXPECT_EQ(server.RequestedPaths().size(), 4u + kMaxRedirects + 1);
}

TEST_F(DownloadFileTest, StallsEndWithTimeoutAndAbortEndsThemSooner) {
    // A stalled header, a stalled body.
    for (const std::string before :
         {"HTTP/1.1 200 OK\r\nContent-Le", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nsome"}) {
        SCOPED_TRACE(before);
        HttpTestServer server([&](HttpConnection& connection) {
            connection.Send(before);
            connection.Stall(30s);
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Fetch(server.Url("/slow")), Status(msg::NetworkTimeout));
        // Two tries of one second each, with slack for a loaded machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
        EXPECT_FALSE(test::HostExists(Drawer("slow")));

        const std::size_t logged = log.entries().size();
        const auto abortAt = std::chrono::steady_clock::now() + 300ms;
        context.settings.transferTimeout = 30;
        context.aborted = [&] { return std::chrono::steady_clock::now() >= abortAt; };
        EXPECT_EQ(Fetch(server.Url("/slow")), Status(msg::ProcessingAborted));
        EXPECT_LT(std::chrono::steady_clock::now() - abortAt, 1s);
        EXPECT_EQ(log.entries().size(), logged);  // an abort is not logged
        context.aborted = nullptr;
        context.settings.transferTimeout = 1;
    }
}

TEST_F(DownloadFileTest, HostileAttachmentNamesStayInTheDrawer) {
    // Every name form is the unit suite's; here, that the stored file follows it.
    for (const auto& [sent, stored] : {std::pair{"../../x", "x"}, {"..", "download"}}) {
        SCOPED_TRACE(sent);
        HttpTestServer server([name = std::string(sent)](HttpConnection& connection) {
            connection.Send(
                HttpResponse("200 OK", "payload",
                             "Content-Disposition: attachment; filename=\"" + name + "\"\r\n"));
        });
        const std::set<std::string> before = FilesUnder(root.folder());
        ASSERT_EQ(Fetch(server.Url("/get?id=1"), 0, true), Status::Ok());
        EXPECT_EQ(outcome.path, "RAM:T/" + std::string(stored));
        std::set<std::string> after = FilesUnder(root.folder());
        after.erase(Drawer(stored));
        EXPECT_EQ(after, before);
        EXPECT_EQ(test::ReadHostFile(Drawer(stored)), "payload");
        (void)amiga::DeleteFile(root.dos(), outcome.path);
    }
}

TEST_F(DownloadFileTest, LengthOnlyAndFileDates) {
    const amiga::DateStamp modified = DateFromNumbers(5, 11, 2015, 10, 0, 0);
    // The label, the header lines, the flags, the file stored and whether it is dated.
    const std::tuple<const char*, std::string, std::uint32_t, std::string, bool> rows[] = {
        {"length only with Last-Modified",
         "Content-Length: 123456\r\nLast-Modified: Thu, 05 Nov 2015 10:00:00 GMT\r\n",
         DL_LENGTH_ONLY, "LENGTH 123456\n", true},
        {"length only without Last-Modified", "Content-Length: 123456\r\n", DL_LENGTH_ONLY,
         "LENGTH 123456\n", false},
        {"body with Last-Modified",
         "Content-Length: 4\r\nLast-Modified: Thu, 05 Nov 2015 10:00:00 GMT\r\n", 0, "body", true},
    };
    for (const auto& [label, headers, flags, content, dated] : rows) {
        SCOPED_TRACE(label);
        HttpTestServer server([&, &head = headers, probe = flags](HttpConnection& connection) {
            connection.Send("HTTP/1.1 200 OK\r\n" + head + "\r\n");
            // The length probe must not wait for the body.
            if (probe == 0) {
                connection.Send("body");
            } else {
                connection.Stall(20s);
            }
        });
        ASSERT_EQ(Fetch(server.Url("/Archive.lha"), flags), Status::Ok());
        EXPECT_EQ(test::ReadHostFile(Drawer("Archive.lha")), content);
        auto info = amiga::Examine(root.dos(), "T:Archive.lha");
        ASSERT_TRUE(info);
        EXPECT_EQ(outcome.fileDate, dated ? std::optional(modified) : std::nullopt);
        EXPECT_EQ(info->date.days, dated ? modified.days : 0);
        if (dated) {
            EXPECT_EQ(info->date, modified);
        }
    }
}

TEST_F(DownloadFileTest, EmptyBodyLocalNameProgressAndRefusedConnection) {
    test::CannedSite server({{"/empty", HttpResponse("200 OK", "")},
                             {"/big/p.html", HttpResponse("200 OK", std::string(5000, 'p'))}});
    // Content-Length 0 stores no file.
    ASSERT_EQ(Fetch(server.Url("/empty")), Status::Ok());
    EXPECT_TRUE(outcome.path.empty());
    EXPECT_FALSE(test::HostExists(Drawer("empty")));

    // A name of the caller's choosing replaces an existing file, whatever
    // its case, and the gauge hears 414, 415 and 416.
    test::WriteHostFile(Drawer("PAGE"), "old");
    Recorder recorder;
    context.progress = &recorder;
    ASSERT_EQ(Fetch(server.Url("/big/p.html"), DL_PROGRESS, false, "page"), Status::Ok());
    EXPECT_EQ(test::ReadHostFile(Drawer("page")), std::string(5000, 'p'));
    EXPECT_FALSE(test::HostExists(Drawer("PAGE")));
    EXPECT_EQ(recorder.shown, 0);
    ASSERT_GE(recorder.updates.size(), 3u);
    EXPECT_EQ(recorder.updates.front().message, msg::ProgressPreparingDownload);
    EXPECT_EQ(recorder.updates.front().name, "p.html");
    EXPECT_EQ(recorder.updates[1].message, msg::ProgressDownloading);
    EXPECT_EQ(recorder.updates.back().message, msg::ProgressDownloadDone);
    EXPECT_EQ(recorder.updates.back().name, "page");
    EXPECT_EQ(recorder.updates.back().totalKb, 4);

    // A line break in the host would forge request lines: nothing is sent.
    const std::size_t sent = server.RequestedPaths().size();
    EXPECT_EQ(Fetch(server.Url("\r\nX-Forged: 1/x")), Status(msg::UnknownHost));
    EXPECT_EQ(server.RequestedPaths().size(), sent);

    // Nobody listens on the port of a server that went away.
    std::string url;
    {
        HttpTestServer gone([](HttpConnection&) {});
        url = gone.Url("/x");
    }
    EXPECT_EQ(Fetch(url), Status(msg::CannotConnect));
}

TEST_F(DownloadFileTest, TransferSetRunsTransfersSideBySide) {
    HttpTestServer server([&](HttpConnection& connection) {
        // Each answer waits a little, so a sequential run would take longer.
        connection.Stall(300ms);
        connection.Send(HttpResponse("200 OK", connection.path()));
    });
    std::vector<std::unique_ptr<Transfer>> transfers;
    TransferSet set;
    for (int index = 0; index < 6; ++index) {
        TransferRequest request;
        request.url = server.Url("/file" + std::to_string(index));
        request.drawerHostPath = Drawer();
        request.settings = context.settings;
        transfers.push_back(std::make_unique<Transfer>(std::move(request)));
        ASSERT_EQ(set.Start(*transfers.back()), Status::Ok());
    }
    const auto start = std::chrono::steady_clock::now();
    std::size_t finished = 0;
    while (set.active() > 0) {
        set.Wait(100);
        set.Perform();
        finished += set.TakeFinished().size();
    }
    EXPECT_EQ(finished, transfers.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    for (int index = 0; index < 6; ++index) {
        EXPECT_EQ(transfers[index]->result(), Status::Ok());
        EXPECT_EQ(test::ReadHostFile(Drawer("file" + std::to_string(index))),
                  "/file" + std::to_string(index));
    }
}

}  // namespace
}  // namespace stovan
