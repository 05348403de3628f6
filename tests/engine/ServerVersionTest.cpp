#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/MessageIds.h"
#include "engine/ServerVersion.h"
#include "engine/VersionCheck.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "tests/support/CannedSite.h"
#include "tests/support/PlaceholderWorld.h"

namespace stovan::test {
namespace {

class ServerVersionTest : public ::testing::Test {
  protected:
    ServerVersionTest()
        : site({{"/readme", HttpResponse("200 OK", "Foo read-me\nVersion: 2.5\n")},
                {"/page", HttpResponse("200 OK", "<a>Foo_1.9.lha</a> <a>Foo_1.10.lha</a>")},
                {"/dated", HttpResponse("200 OK", "nov 5, 2015")},
                {"/padded", HttpResponse("200 OK", "get Foo-07! now")},
                {"/Foo.lha", HttpResponse("200 OK", "archive", kLastModified)},
                {"/Undated.lha", HttpResponse("200 OK", "archive")}}) {
        world.preferences.connectRetries = 1;
    }

    Status Determine(ApplicationItem& item) {
        ServerVersionContext context{*world.engine, loop, [] { return false; }};
        return DetermineServerVersion(context, item);
    }
    // Nothing is left behind in the temporary drawer.
    void ExpectTemporaryFilesGone() {
        for (const char* name : {"ParseReadme", "Page"}) {
            const std::string path = world.Expand(nullptr, "{TEMPDIR}") + name;
            EXPECT_FALSE(amiga::Lock(world.root.dos(), path).ok()) << path;
        }
    }

    PlaceholderWorld world;
    NoCommandLoop loop;
    CannedSite site;
};

TEST_F(ServerVersionTest, SourcesInOrder) {
    struct Row {
        const char* name;
        std::string readme{}, page{}, pattern{}, archive{};  // paths on the site
        VersionTriple installed{};
        MessageId result = 0;
        VersionTriple triple{};
        bool dated = false;
    };
    const std::string pattern = "Foo_{VERSION}.{REVISION}.lha";
    const Row rows[] = {
        {"read-me", "/readme", "/page", pattern, "", {}, 0, {2, 5, 0}},
        {"missing read-me: the page", "/gone", "/page", pattern, "", {}, 0, {1, 10, 0}},
        {"page with only a date", "", "/dated", "{MON} {DAY}, {YEAR}", "", {}, 0, {}, true},
        {"probed page", "", "/padded", "Foo-{0REVISION}!", "", {1, 5, 0}, 0, {20, 7, 0}},
        {"missing page", "", "/nopage", "Foo_{VERSION}", "/Foo.lha", {}, msg::CannotFind},
        {"no page: the archive's date", "", "/page", "", "/Foo.lha", {}, 0, {}, true},
        {"archive without a date", "", "", "", "/Undated.lha"},
        {"missing archive", "", "", "", "/Gone.lha", {}, msg::CannotFind},
        {"no server information"},
    };
    const auto url = [&](const std::string& path) { return path.empty() ? "" : site.Url(path); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ApplicationItem& item = world.AddItem("Foo");
        world.Set(item, ItemField::urlReadme, url(row.readme));
        world.Set(item, ItemField::urlWebPage, url(row.page));
        world.Set(item, ItemField::urlPattern, row.pattern);
        world.Set(item, ItemField::urlArchive, url(row.archive));
        item.installedVersion = row.installed;
        item.serverVersion = {9, 9, 9};
        item.serverDate = {1, 1, 1};
        EXPECT_EQ(Determine(item).message(), row.result);
        EXPECT_EQ(item.serverVersion, row.triple);
        EXPECT_EQ(item.serverDate.days != 0, row.dated);
        ExpectTemporaryFilesGone();
    }
}

TEST_F(ServerVersionTest, FullCheckMarksTheOutdatedAndLogsBothSides) {
    ApplicationItem& old = world.AddItem("Old");
    world.Set(old, ItemField::urlWebPage, site.Url("/page"));
    world.Set(old, ItemField::urlPattern, "Foo_{VERSION}.{REVISION}.lha");
    ApplicationItem& ignored = world.AddItem("Ignored");
    ignored.mode = ItemMode::IGNORE;
    world.Set(ignored, ItemField::urlReadme, site.Url("/readme"));
    ApplicationItem& current = world.AddItem("Current");
    world.Set(current, ItemField::urlReadme, site.Url("/readme"));
    for (ApplicationItem* item : {&old, &ignored, &current}) {
        // Quick mode: cached installed information is taken as it is.
        item->state = ItemState::INSTALLED;
        item->installedVersion = {1, 9, 0};
        item->installedDate = {1, 1, 1};
    }
    current.installedVersion = {2, 5, 0};
    old.mode = ItemMode::NOTIFY;
    current.mode = ItemMode::NOTIFY;

    QuietFrontend frontend;
    std::vector<std::string> noticed;
    VersionCheckContext check{*world.engine, loop, frontend, {}, nullptr};
    check.serverStep = MakeServerStep(*world.engine, loop, [] { return false; });
    check.outdatedNotice = [&](const ApplicationItem& item) { noticed.push_back(item.name()); };
    EXPECT_TRUE(VersionCheckRun(check, CheckMode::Quick, CheckScope::All).ok());

    EXPECT_EQ(old.state, ItemState::OUTDATED);
    EXPECT_EQ(old.serverVersion, (VersionTriple{1, 10, 0}));
    EXPECT_EQ(current.state, ItemState::INSTALLED);
    EXPECT_EQ(ignored.serverVersion, VersionTriple{});
    EXPECT_EQ(ignored.installedVersion, VersionTriple{});
    EXPECT_EQ(noticed, std::vector<std::string>{"Old"});

    std::vector<std::string> lines;
    for (const auto& entry : world.log.entries()) {
        lines.push_back(entry.text);
    }
    const std::vector<std::string> expected = {
        "Starting version check! Mode: Quick",          "Checking server hosted version of 'Old'!",
        "Version 1.10 of 'Old' is available.",          "Version 1.9 of 'Old' is Outdated.",
        "'Ignored' is not available for download!",     "'Ignored' is not installed!",
        "Checking server hosted version of 'Current'!", "Version 2.5 of 'Current' is available.",
        "Version 2.5 of 'Current' is Installed.",       "Version check done.",
    };
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace stovan::test
