#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "engine/ServerVersion.h"
#include "engine/VersionCheck.h"
#include "platform/DosFiles.h"
#include "tests/support/CannedSite.h"
#include "tests/support/PlaceholderWorld.h"
#include "version/Version.h"

namespace stovan::test {
namespace {

// A site whose answers take a delay that differs from path to path, so
// that fetches run side by side finish in another order than the list's.
class SlowSite : public CannedSite {
  public:
    SlowSite()
        : CannedSite(
              {
                  {"/readme", HttpResponse("200 OK", "Foo read-me\nVersion: 2.5\n")},
                  {"/readme-none", HttpResponse("200 OK", "nothing to see")},
                  {"/page", HttpResponse("200 OK", "<a>Foo_1.9.lha</a> <a>Foo_1.10.lha</a>")},
                  {"/dated", HttpResponse("200 OK", "nov 5, 2015")},
                  {"/Foo.lha", HttpResponse("200 OK", "archive", kLastModified)},
              },
              [](const std::string& path) {
                  return std::chrono::milliseconds(10 + 37 * (path.size() % 5));
              }) {}
};

// What a run leaves: the log's lines and every item's results.
struct RunRecord {
    std::vector<std::string> lines;
    std::vector<std::string> items;
    bool aborted = false;
    bool operator==(const RunRecord&) const = default;
};

std::string Describe(const ApplicationItem& item) {
    return item.name() + " state " + std::to_string(static_cast<int>(item.state)) + " server " +
           FormatVersionTriple(item.serverVersion) + " day " +
           std::to_string(item.serverDate.days) + " installed " +
           FormatVersionTriple(item.installedVersion);
}

// One check over a fresh list of items with every kind of source and
// failure; `abortAt` names the item whose server step finds the user
// aborting (none when empty).
RunRecord RunCheck(SlowSite& site, std::uint32_t jobs, CheckMode mode, std::string abortAt,
                   std::size_t* leftOver = nullptr) {
    PlaceholderWorld world;
    world.preferences.connectRetries = 1;
    struct Spec {
        const char* name;
        std::string readme, page, pattern, archive;
        ItemMode mode = ItemMode::NOTIFY;
    };
    const std::string pattern = "Foo_{VERSION}.{REVISION}.lha";
    const Spec specs[] = {
        {"ReadMe", site.Url("/readme"), "", "", ""},
        {"PageAfterMissingReadMe", site.Url("/gone"), site.Url("/page"), pattern, ""},
        {"PageAfterEmptyReadMe", site.Url("/readme-none"), site.Url("/page"), pattern, ""},
        {"Page", "", site.Url("/page"), pattern, ""},
        {"MissingPage", "", site.Url("/nopage"), pattern, ""},
        {"DatedPage", "", site.Url("/dated"), "{MON} {DAY}, {YEAR}", ""},
        {"Archive", "", "", "", site.Url("/Foo.lha")},
        {"MissingArchive", "", "", "", site.Url("/Gone.lha")},
        {"Ignored", site.Url("/readme"), "", "", "", ItemMode::IGNORE},
        {"UnusableUrl", "http://", "", "", ""},
        {"Nothing", "", "", "", ""},
        {"ReadMeAgain", site.Url("/readme"), "", "", ""},
        {"LastPage", "", site.Url("/page"), pattern, ""},
    };
    for (const Spec& spec : specs) {
        ApplicationItem& item = world.AddItem(spec.name);
        world.Set(item, ItemField::urlReadme, spec.readme);
        world.Set(item, ItemField::urlWebPage, spec.page);
        world.Set(item, ItemField::urlPattern, spec.pattern);
        world.Set(item, ItemField::urlArchive, spec.archive);
        item.mode = spec.mode;
        // Cached installed information: Quick and Server mode keep it.
        item.state = ItemState::INSTALLED;
        item.installedVersion = {1, 9, 0};
        item.installedDate = {100, 0, 0};
    }
    NoCommandLoop loop;
    QuietFrontend frontend;
    VersionCheckContext check{*world.engine, loop, frontend, {}, nullptr};
    const std::string abortLine = "Checking server hosted version of '" + abortAt + "'!";
    UseServerSteps(check, jobs, [&] {
        const auto& entries = world.log.entries();
        return !abortAt.empty() &&
               std::any_of(entries.begin(), entries.end(),
                           [&](const auto& entry) { return entry.text == abortLine; });
    });
    EXPECT_TRUE(VersionCheckRun(check, mode, CheckScope::All).ok());
    RunRecord record;
    record.aborted = check.aborted;
    for (const auto& entry : world.log.entries()) {
        record.lines.push_back(entry.text);
    }
    for (const ApplicationItem& item : world.engine->items()) {
        record.items.push_back(Describe(item));
    }
    if (leftOver != nullptr) {
        auto listed =
            amiga::ListDrawer(*amiga::Lock(world.root.dos(), world.Expand(nullptr, "{TEMPDIR}")));
        *leftOver = listed ? listed->size() : 99;
    }
    return record;
}

TEST(ServerFetches, ParallelRunLogsAndDecidesAsTheSequentialOne) {
    SlowSite site;
    struct Row {
        const char* name;
        CheckMode mode;
        std::string abortAt;
    };
    const Row rows[] = {
        {"server mode", CheckMode::Server, ""},
        {"quick mode", CheckMode::Quick, ""},
        {"abort in the middle", CheckMode::Server, "Page"},
        {"abort at an item fetched ahead", CheckMode::Server, "Archive"},
        {"abort at the last", CheckMode::Server, "LastPage"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RunRecord sequential = RunCheck(site, 1, row.mode, row.abortAt);
        for (const std::uint32_t jobs : {2u, 4u, 16u}) {
            SCOPED_TRACE("jobs " + std::to_string(jobs));
            std::size_t leftOver = 0;
            const RunRecord parallel = RunCheck(site, jobs, row.mode, row.abortAt, &leftOver);
            EXPECT_EQ(parallel.lines, sequential.lines);
            EXPECT_EQ(parallel.items, sequential.items);
            EXPECT_EQ(parallel.aborted, sequential.aborted);
            EXPECT_EQ(leftOver, 0u) << "files fetched ahead were left behind";
        }
        EXPECT_EQ(sequential.aborted, !row.abortAt.empty());
    }
}

TEST(ServerFetches, APauseOfTheCheckIsNoTimeOutOfAFetchAhead) {
    SlowSite site;
    for (const std::uint32_t jobs : {1u, 4u}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        PlaceholderWorld world;
        world.preferences.connectRetries = 1;
        world.preferences.connectTimeout = 1;
        world.preferences.transferTimeout = 1;
        world.engine->versionInProcess = false;
        ASSERT_TRUE(amiga::CreateDrawerPath(world.root.dos(), "Work:Apps").ok());
        for (const char* name : {"First", "Second"}) {
            ApplicationItem& item = world.AddItem(name);
            const std::string file = std::string("Work:Apps/") + name;
            ASSERT_TRUE(amiga::WriteFile(world.root.dos(), file, "Version: 1.0\n").ok());
            world.Set(item, ItemField::installCheck, file);
            world.Set(item, ItemField::urlWebPage, site.Url("/page"));
            world.Set(item, ItemField::urlPattern, "Foo_{VERSION}.{REVISION}.lha");
            item.mode = ItemMode::NOTIFY;
        }
        // The Version command keeps the check busy longer than the transfer
        // time-out while the fetches ahead are not moved on.
        NoCommandLoop loop(std::chrono::milliseconds(1300));
        QuietFrontend frontend;
        VersionCheckContext check{*world.engine, loop, frontend, {}, nullptr};
        UseServerSteps(check, jobs, [] { return false; });
        EXPECT_TRUE(VersionCheckRun(check, CheckMode::Full, CheckScope::All).ok());
        for (const auto& entry : world.log.entries()) {
            EXPECT_EQ(entry.text.find("Timeout"), std::string::npos) << entry.text;
        }
        for (const ApplicationItem& item : world.engine->items()) {
            EXPECT_EQ(item.serverVersion, (VersionTriple{1, 10, 0})) << item.name();
        }
    }
}

}  // namespace
}  // namespace stovan::test
