#include <gtest/gtest.h>

#include "net/ResponseHeader.h"
#include "net/Transfer.h"
#include "net/Url.h"
#include "version/Date.h"

namespace stovan {
namespace {

TEST(Url, SplitAsTheTransferDoes) {
    // Host, path, port and the address the transfer uses, each after a "|".
    auto split = [](const char* url) {
        const UrlParts parts = SplitUrl(url);
        return parts.host + "|" + parts.path + "|" + std::to_string(parts.port) + "|" +
               TransferUrl(parts);
    };
    EXPECT_EQ(split("http://host/dir/file.lha"), "host|/dir/file.lha|80|http://host/dir/file.lha");
    EXPECT_EQ(split("host"), "host|/|80|http://host/");
    EXPECT_EQ(split("ftp://host/x"), "host|/x|80|http://host/x");
    EXPECT_EQ(split("host:8080/a b"), "host:8080|/a b|8080|http://host:8080/a%20b");
    EXPECT_EQ(split("HTTPS://secure.example/x"), "secure.example|/x|443|https://secure.example/x");
    EXPECT_EQ(split("http://user:pw@host:81/"), "host:81|/|81|http://host:81/");
    EXPECT_EQ(split("http://[::1]:8080/x"), "[::1]:8080|/x|8080|http://[::1]:8080/x");
    EXPECT_EQ(split("http://host:99999/"), "host:99999|/|80|http://host:99999/");
    EXPECT_EQ(UrlFilePart("http://host/dir/file.lha"), "file.lha");
    EXPECT_EQ(UrlFilePart("http://host/dir/"), "");
    EXPECT_EQ(UrlFilePart("http://host"), "");
}

TEST(Url, UserAgentNamesTheManagedSystem) {
    EXPECT_EQ(UserAgent(amiga::SystemKind::AmigaOS4), "Stovan/2.18 (AmigaOS4; N; PPC)");
    EXPECT_EQ(UserAgent(amiga::SystemKind::MorphOS), "Stovan/2.18 (MorphOS; N; PPC)");
}

TEST(Url, ServerNamesStayPlainFileNames) {
    EXPECT_EQ(SafeFileName("file.lha"), "file.lha");
    EXPECT_EQ(SafeFileName("../../x"), "x");
    EXPECT_EQ(SafeFileName("/abs"), "abs");
    EXPECT_EQ(SafeFileName("a\"b"), "ab");
    EXPECT_EQ(SafeFileName("`x`"), "x");
    EXPECT_EQ(SafeFileName("Work:Evil"), "Evil");
    EXPECT_EQ(SafeFileName("dir\\win.exe"), "win.exe");
    EXPECT_EQ(SafeFileName("...hidden"), "hidden");
    EXPECT_EQ(SafeFileName("a*b'c\001\033d"), "abcd");
    EXPECT_EQ(SafeFileName(".."), "download");
    EXPECT_EQ(SafeFileName(""), "download");
    EXPECT_EQ(SafeFileName("x.uaem"), "download");
    EXPECT_EQ(SafeFileName("Caf\xe9.lha"), "Caf\xe9.lha");
    EXPECT_EQ(SafeFileName(std::string(300, 'n')).size(), kMaxServerFileName);
}

TEST(ResponseHeader, NamesWithoutRegardToCaseAndTheClockOffset) {
    ResponseHeader header;
    header.AddLine("HTTP/1.1 100 Continue\r\n");
    header.AddLine("content-length: 5\r\n");
    header.AddLine("HTTP/1.1 302 Found\r\n");  // a new answer forgets the old one
    EXPECT_FALSE(header.contentLength.has_value());
    header.AddLine("LOCATION:   /next \r\n");
    header.AddLine("transfer-encoding: Chunked\r\n");
    header.AddLine("content-disposition: ATTACHMENT; FILENAME=\"a b.lha\"\r\n");
    header.AddLine("date: Sun, 06 Nov 1994 09:49:37 GMT\r\n");
    header.AddLine("last-modified: Sun, 06 Nov 1994 08:00:00 GMT\r\n");
    EXPECT_EQ(header.status, 302);
    EXPECT_EQ(header.location, "/next");
    EXPECT_TRUE(header.chunked);
    EXPECT_EQ(header.attachmentName, "a b.lha");
    // The server's clock runs one hour ahead of ours: its Last-Modified is
    // taken back by that hour.
    const amiga::DateStamp now = DateFromNumbers(6, 11, 1994, 8, 49, 37);
    EXPECT_EQ(header.FileDate(now), DateFromNumbers(6, 11, 1994, 7, 0, 0));

    ResponseHeader bare;
    bare.AddLine("HTTP/1.0 200 OK");
    bare.AddLine("Last-Modified: Tue, 15 Nov 1994 12:45:26 GMT");
    bare.AddLine("Content-Disposition: attachment; filename=plain.lha; size=3");
    EXPECT_EQ(bare.FileDate(now), DateFromNumbers(15, 11, 1994, 12, 45, 26));
    EXPECT_EQ(bare.attachmentName, "plain.lha");
    bare.AddLine("Content-Disposition: attachment; filename=\"a\\\"b\\\\c\"");
    EXPECT_EQ(bare.attachmentName, "a\"b\\c");  // a backslash takes the next character
    bare.AddLine("HTTP/1.1 200 OK");
    bare.AddLine("Last-Modified: garbage");
    EXPECT_FALSE(bare.FileDate(now).has_value());
}

}  // namespace
}  // namespace stovan
