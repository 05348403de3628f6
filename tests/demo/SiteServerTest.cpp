// The demonstration site's server and builder: what a request may reach,
// what the server answers on a real socket, and that the built site holds
// archives of the folders named like archives.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "demo/SiteBuilder.h"
#include "demo/SiteServer.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {
namespace {

namespace fs = std::filesystem;

TEST(SiteServer, RequestPathsStayInsideTheSite) {
    EXPECT_EQ(demo::SitePathToHost("/site", "/files/Foo_1.2.lha"), "/site/files/Foo_1.2.lha");
    EXPECT_EQ(demo::SitePathToHost("/site", "/a.html?x=1#top"), "/site/a.html");
    EXPECT_EQ(demo::SitePathToHost("/site", "/"), "") << "the root drawer";
    EXPECT_EQ(demo::SitePathToHost("/site", "/files/../../etc/passwd"), "") << "parent";
    EXPECT_EQ(demo::SitePathToHost("/site", "/./a.html"), "") << "dot component";
    EXPECT_EQ(demo::SitePathToHost("/site", "/.git/config"), "") << "hidden file";
    EXPECT_EQ(demo::SitePathToHost("/site", "/files//a"), "") << "doubled slash";
    EXPECT_EQ(demo::SitePathToHost("/site", "/files/"), "") << "trailing slash";
    EXPECT_EQ(demo::SitePathToHost("/site", "/%2e%2e/secret"), "") << "escaped dots";
    EXPECT_EQ(demo::SitePathToHost("/site", "files/a"), "") << "no leading slash";
    EXPECT_EQ(demo::SitePathToHost("/site", "http://evil/a"), "") << "absolute URL";
    EXPECT_EQ(demo::SitePathToHost("/site", "/a b"), "") << "blank";
    EXPECT_EQ(demo::SitePathToHost("/site", "/a\\..\\b"), "") << "backslash";
    EXPECT_EQ(demo::SitePathToHost("/site", "/" + std::string(2000, 'a')), "") << "too long";
    EXPECT_EQ(demo::SitePathToHost("/site", ""), "") << "empty";
}

// The whole answer of the server to one request text.
std::string Ask(std::uint16_t port, const std::string& request) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return "<no connection>";
    }
    (void)::send(socket, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    for (ssize_t got; (got = ::recv(socket, buffer, sizeof buffer, 0)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(socket);
    return answer;
}

TEST(SiteServer, AnswersGetAndHeadWithTheFileAndItsDate) {
    TempRoot temp;
    const std::string site = temp.folder() + "/site";
    fs::create_directories(site + "/files");
    WriteHostFile(site + "/files/a.txt", "hello\n");
    WriteHostFile(temp.folder() + "/secret", "secret\n");
    fs::create_symlink(temp.folder() + "/secret", site + "/files/link");
    struct stat info {};
    ASSERT_EQ(::stat((site + "/files/a.txt").c_str(), &info), 0);
    const std::string date = "Last-Modified: " + demo::HttpDate(info.st_mtim.tv_sec) + "\r\n";

    std::string problem;
    auto server = demo::SiteServer::Start(site, problem);
    ASSERT_TRUE(server) << problem;
    EXPECT_EQ(server->BaseUrl(), "http://127.0.0.1:" + std::to_string(server->port()) + "/");

    // Requests and the start of their answers; only a GET has the body.
    const std::string get = "GET /files/a.txt HTTP/1.1\r\nHost: x\r\n\r\n";
    for (const auto& [request, status] : std::vector<std::pair<std::string, std::string>>{
             {get, "HTTP/1.1 200 OK"},
             {"HEAD /files/a.txt HTTP/1.0\r\n\r\n", "HTTP/1.1 200 OK"},
             {"POST /files/a.txt HTTP/1.1\r\n\r\n", "HTTP/1.1 405"},
             {"GET /files/none HTTP/1.1\r\n\r\n", "HTTP/1.1 404"},
             {"GET /files/link HTTP/1.1\r\n\r\n", "HTTP/1.1 404"},  // a link out of the site
             {"GET /files HTTP/1.1\r\n\r\n", "HTTP/1.1 404"},       // a drawer
             {"GET /files/a.txt\r\n\r\n", "HTTP/1.1 400"},          // no version
             {"GET /files/a.txt HTTP/1.1\r\nX: " + std::string(9000, 'x'), "HTTP/1.1 431"}}) {
        SCOPED_TRACE(request.substr(0, 30));
        const std::string answer = Ask(server->port(), request);
        EXPECT_EQ(answer.substr(0, status.size()), status) << answer.substr(0, 200);
        EXPECT_EQ(answer.find("secret"), std::string::npos);
        if (status.find("200") != std::string::npos) {
            EXPECT_NE(answer.find("Content-Length: 6\r\n"), std::string::npos) << answer;
            EXPECT_NE(answer.find(date), std::string::npos) << answer;
            EXPECT_EQ(answer.ends_with("hello\n"), request.starts_with("GET")) << answer;
        }
    }
    // A client that connects and says nothing does not keep others out
    // for ever: the server drops it after its wait.
    const int idle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server->port());
    ASSERT_EQ(::connect(idle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Ask(server->port(), get).substr(0, 15), "HTTP/1.1 200 OK");
    ::close(idle);
}

TEST(SiteBuilder, FoldersNamedLikeArchivesBecomeArchives) {
    TempRoot temp;
    const std::string source = temp.folder() + "/source";
    fs::create_directories(source + "/files/Foo_1.0.lha/Foo");
    fs::create_directories(source + "/files/Bar.zip/Libs");
    WriteHostFile(source + "/index.html", "<html></html>");
    WriteHostFile(source + "/files/Foo_1.0.lha/Foo/Foo", "program\n");
    WriteHostFile(source + "/files/Bar.zip/Libs/bar.library", "library\n");
    fs::create_symlink("/etc/passwd", source + "/files/passwd");
    const std::string output = temp.folder() + "/site";
    fs::create_directories(output);
    WriteHostFile(output + "/old.html", "left from before");

    demo::SiteSummary summary;
    ASSERT_EQ(demo::BuildSite(source, output, summary), "");
    EXPECT_EQ(summary.archives, 2u);
    EXPECT_EQ(summary.files, 1u);
    EXPECT_EQ(ReadHostFile(output + "/index.html"), "<html></html>");
    EXPECT_FALSE(fs::exists(output + "/old.html"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(output + "/files/passwd")));
    EXPECT_TRUE(fs::is_regular_file(output + "/files/Foo_1.0.lha"));
    EXPECT_TRUE(fs::is_regular_file(output + "/files/Bar.zip"));
    EXPECT_EQ(ReadHostFile(output + "/files/Bar.zip").substr(0, 2), "PK");
    EXPECT_EQ(ReadHostFile(output + "/files/Foo_1.0.lha").substr(2, 3), "-lh");

    EXPECT_NE(demo::BuildSite(temp.folder() + "/none", output, summary), "");
    EXPECT_TRUE(fs::exists(output + "/index.html"));  // a failed build keeps the old site
}

TEST(SiteBuilder, FillsTheAddressWhereverTheTokenStands) {
    EXPECT_EQ(demo::FillSiteUrl("{DEMOSITE}a {DEMOSITE}{DEMOSITE}b", "http://h:1/"),
              "http://h:1/a http://h:1/http://h:1/b");
    EXPECT_EQ(demo::FillSiteUrl("none {DEMOSITE", "x"), "none {DEMOSITE");
    // An address that holds the token itself is not expanded again.
    EXPECT_EQ(demo::FillSiteUrl("{DEMOSITE}", "{DEMOSITE}/"), "{DEMOSITE}/");
}

}  // namespace
}  // namespace stovan::test
