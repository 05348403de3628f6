// The processing engine on a throw-away root with stand-ins for the event
// loop (scripts "run" with a return code the test picks) and the front end
// (answers the test picks, questions recorded): queue order, dependencies,
// archives and their pruning, the end of a run that stops early.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/Archives.h"
#include "engine/Operations.h"
#include "engine/Queue.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PlaceholderWorld.h"
#include "tests/support/RecordingFrontend.h"

namespace stovan::test {
namespace {

// Scripts end with the return code set for the item's script file name.
class FakeLoop final : public EventLoop {
  public:
    Status RunCommand(const ShellCommand& command, std::int32_t& rc) override {
        commands.push_back(command.commandLine);
        rc = 0;
        for (const auto& [name, code] : codes) {
            if (command.commandLine.find("/" + name + ".bat") != std::string::npos) {
                rc = code;
            }
        }
        return command.commandLine.rfind("execute", 0) == 0 ? Status::Ok()
                                                            : Status(msg::NotEnoughMemory);
    }
    Status AddPublicPort() override { return Status::Ok(); }
    void RemovePublicPort() override {}

    std::map<std::string, std::int32_t> codes;
    std::vector<std::string> commands;
};

class ProcessingTest : public ::testing::Test {
  protected:
    ProcessingTest() : check{*world.engine, loop, frontend, {}, nullptr}, context(check) {
        world.preferences.flags = 0;  // no questions unless a test asks
        frontend.unanswered = 1;      // the first button of a requester
        world.preferences.maxArchives = 2;
        context.fetchArchive = [this](const ApplicationItem& item, std::string_view url,
                                      const std::string& drawer, std::string& stored) -> Status {
            fetched.push_back(item.name());
            if (failFetchOf == item.name()) {
                return Status(msg::ProcessingAborted);
            }
            stored = drawer + std::string(amiga::FilePart(url));
            return amiga::WriteFile(world.root.dos(), stored, "archive").ok()
                       ? Status::Ok()
                       : Status(msg::CannotFind);
        };
        check.relaunchRequested = &context.relaunchRequested;
    }

    ApplicationItem& Add(const std::string& name, ItemState state, ItemMode mode,
                         std::initializer_list<std::string_view> dependencies = {}) {
        ApplicationItem& item = world.AddItem(name);
        item.state = state;
        item.mode = mode;
        world.Set(item, ItemField::urlArchive, "Work:Mirror/" + name + ".lha");
        world.Set(item, ItemField::installScript, "Echo installing");
        world.Set(item, ItemField::uninstallScript, "Echo removing");
        world.Set(item, ItemField::installCheck, "Work:Apps/" + name);
        EXPECT_TRUE(item.SetListField(ItemField::dependencies, dependencies).ok());
        return item;
    }

    std::vector<std::string> Order() {
        std::vector<std::string> names;
        for (const ApplicationItem& item : world.engine->items()) {
            names.push_back(item.name());
        }
        return names;
    }
    std::vector<std::string> Scripts() {
        std::vector<std::string> names;
        for (const std::string& line : loop.commands) {
            const std::size_t slash = line.rfind('/');
            names.push_back(line.substr(slash + 1, line.size() - slash - 6));
        }
        return names;
    }
    void File(const std::string& path) {
        ASSERT_TRUE(amiga::CreateDrawerPath(world.root.dos(), amiga::PathPart(path)).ok());
        ASSERT_TRUE(amiga::WriteFile(world.root.dos(), path, "x").ok());
    }
    bool Exists(const std::string& path) { return amiga::Lock(world.root.dos(), path).ok(); }

    PlaceholderWorld world;
    FakeLoop loop;
    RecordingFrontend frontend;
    VersionCheckContext check;
    ProcessContext context;
    std::vector<std::string> fetched;
    std::string failFetchOf;
};

TEST_F(ProcessingTest, ArchiveVersionsAreReadFromTheNameAfterItsPrefix) {
    const std::pair<const char*, std::optional<VersionTriple>> rows[] = {
        {"Foo_v1.09.lha", VersionTriple{1, 9, 0}},
        {"foo_V2.01.3.tar.gz", VersionTriple{2, 1, 3}},
        {"Foo_v1.100.lha", VersionTriple{1, 100, 0}},
        {"Foo_v1.10", VersionTriple{1, 10, 0}},
        {"Foo_vbeta.lha", std::nullopt},
        {"Foo_v1.lha", std::nullopt},
        {"Foo_v1.", std::nullopt},
        {"Foobar_v1.2.lha", std::nullopt},
        {"Foo_v99999999999.1.lha", std::nullopt},
        {"Foo.lha", std::nullopt},
    };
    for (const auto& [file, expected] : rows) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ArchiveVersionFromName(file, "Foo"), expected);
    }
    EXPECT_EQ(ArchiveLabel({1, 10, 0}), "V1.10");
    EXPECT_EQ(ArchiveLabel({2, 1, 3}), "V2.1.3");
}

TEST_F(ProcessingTest, PruningOrdersByVersionAndSparesTheArchiveInUse) {
    ApplicationItem& foo = Add("Foo", ItemState::INSTALLED, ItemMode::INSTALL);
    const std::string dl = "Work:Stovan/Cache/Downloads/";
    using Names = std::vector<std::string>;
    // The label, the files in the drawer, the one in use ("" none) and what is kept.
    const std::tuple<const char*, Names, std::string, Names> rows[] = {
        {"1.10 above 1.9",
         {"Foo_v1.08.lha", "Foo_v1.09.lha", "Foo_v1.10.lha"},
         "",
         {"Foo_v1.09.lha", "Foo_v1.10.lha"}},
        {"an older version chosen by the user stays",
         {"Foo_v1.08.lha", "Foo_v1.09.lha", "Foo_v1.10.lha"},
         "Foo_v1.08.lha",
         {"Foo_v1.08.lha", "Foo_v1.10.lha"}},
        {"names without a version are never counted",
         {"Foo_vbeta.lha", "Foo.lha", "Foo_v1.01.lha", "Foo_v1.02.lha", "Foo_v1.03.lha"},
         "",
         {"Foo.lha", "Foo_v1.02.lha", "Foo_v1.03.lha", "Foo_vbeta.lha"}},
    };
    for (const auto& [label, files, protectedFile, kept] : rows) {
        SCOPED_TRACE(label);
        (void)amiga::DeleteAll(world.root.dos(), dl);
        for (const std::string& file : files) {
            File(dl + file);
        }
        const std::string protectedPath = protectedFile.empty() ? "" : dl + protectedFile;
        PruneArchives(*world.engine, foo, world.preferences.maxArchives, protectedPath);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(
                 world.root.Host("Work", "Stovan/Cache/Downloads"))) {
            left.push_back(entry.path().filename().string());
        }
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, kept);
    }
    foo.type = AppType::STOVAN;
    PruneArchives(*world.engine, foo, 1);
    EXPECT_TRUE(Exists(dl + "Foo_v1.02.lha")) << "archives of Stovan's own items stay";
}

TEST_F(ProcessingTest, ObtainArchiveReusesOnlyTheExactVersion) {
    ApplicationItem& foo = Add("Foo", ItemState::INSTALLED, ItemMode::INSTALL);
    const std::string dl = "Work:Stovan/Cache/Downloads/";
    File(dl + "Foo_v1.100.lha");
    foo.serverVersion = {1, 10, 0};
    std::string path;
    ASSERT_TRUE(ObtainArchive(context, foo, path).ok());
    EXPECT_EQ(fetched.size(), 1u) << "1.100 is no archive of 1.10";
    EXPECT_EQ(path, dl + "Foo_v1.10.lha");

    ASSERT_TRUE(ObtainArchive(context, foo, path).ok());
    EXPECT_EQ(fetched.size(), 1u) << "the archive of 1.10 is reused";

    ASSERT_TRUE(foo.AddItemFlags(FORCE_DOWNLOAD).ok());
    ASSERT_TRUE(ObtainArchive(context, foo, path).ok());
    EXPECT_EQ(fetched.size(), 2u);
    EXPECT_EQ(path, dl + "Foo_v1.10.lha");
    EXPECT_FALSE(Exists(dl + "StovanTemp")) << "the receiving drawer goes";

    foo.serverVersion = {};
    ASSERT_TRUE(ObtainArchive(context, foo, path).ok());
    EXPECT_EQ(path, dl + "Foo.lha") << "an unknown version gives a name without one";

    failFetchOf = "Foo";
    foo.serverVersion = {1, 10, 0};
    EXPECT_EQ(ObtainArchive(context, foo, path).message(), msg::ProcessingAborted);
    EXPECT_TRUE(path.empty());
    EXPECT_TRUE(Exists(dl + "Foo_v1.10.lha")) << "a failed download keeps the old archive";
}

TEST_F(ProcessingTest, ScopeAllPutsStovanItemsFirstAndKeepsTheRestInOrder) {
    Add("A", ItemState::INSTALLED, ItemMode::NOTIFY);
    Add("S1", ItemState::INSTALLED, ItemMode::INSTALL).type = AppType::STOVAN;
    Add("B", ItemState::NOTINSTALLED, ItemMode::IGNORE);
    Add("S2", ItemState::INSTALLED, ItemMode::INSTALL).type = AppType::STOVAN;
    Add("C", ItemState::OUTDATED, ItemMode::DOWNLOAD);
    const ProcessOutcome outcome = ProcessItems(context, ProcessScope::All);
    EXPECT_TRUE(outcome.result.ok());
    EXPECT_EQ(Order(), (std::vector<std::string>{"S2", "S1", "A", "B", "C"}));
    EXPECT_EQ(outcome.queued, 5u);
    EXPECT_EQ(fetched, std::vector<std::string>{"C"}) << "only the download mode acts";
    EXPECT_TRUE(loop.commands.empty());
}

TEST_F(ProcessingTest, DependencyChainsAndCyclesAskOnceAndQueueEachItemOnce) {
    struct Row {
        const char* name;
        std::vector<std::pair<std::string, std::vector<std::string_view>>> items;
        std::string listed;
        std::vector<std::string> scripts;
    };
    const Row rows[] = {
        {"chain A->B->C", {{"A", {"B"}}, {"B", {"C"}}, {"C", {}}}, "'B'\n'C'\n", {"B", "C", "A"}},
        {"cycle A<->B", {{"A", {"B"}}, {"B", {"A"}}}, "'B'\n'A'\n", {"B", "A"}},
        {"unknown names are skipped", {{"A", {"Nobody", "B"}}, {"B", {}}}, "'B'\n", {"B", "A"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.engine->items().ClearItems();
        loop.commands.clear();
        frontend.bodies.clear();
        for (const auto& [name, dependencies] : row.items) {
            ApplicationItem& item = Add(name, ItemState::NOTINSTALLED, ItemMode::IGNORE);
            EXPECT_TRUE(item.SetListField(ItemField::dependencies,
                                          std::span<const std::string_view>(dependencies))
                            .ok());
        }
        ApplicationItem* a = world.engine->items().FindItem("A", false);
        SetOneShotMode(*a, ItemMode::OP_INSTALL);
        const ProcessOutcome outcome = ProcessItems(context, ProcessScope::One, a);
        ASSERT_EQ(frontend.bodies.size(), 1u);
        EXPECT_NE(frontend.bodies[0].find(row.listed), std::string::npos) << frontend.bodies[0];
        EXPECT_EQ(Scripts(), row.scripts);
        EXPECT_EQ(world.engine->items().size(), row.items.size()) << "no item lost or doubled";
        for (const ApplicationItem& item : world.engine->items()) {
            EXPECT_EQ(item.mode, ItemMode::INSTALL) << item.name();
            EXPECT_FALSE(item.savedMode) << item.name();
        }
        EXPECT_EQ(outcome.performed, row.scripts.size());
    }
}

TEST_F(ProcessingTest, DeclinedDependenciesGoBackUntouched) {
    Add("X", ItemState::INSTALLED, ItemMode::NOTIFY);
    ApplicationItem& a = Add("A", ItemState::NOTINSTALLED, ItemMode::NOTIFY, {"B"});
    Add("B", ItemState::NOTINSTALLED, ItemMode::DOWNLOAD, {"A"});
    SetOneShotMode(a, ItemMode::OP_INSTALL);
    frontend.answers = {0};
    const ProcessOutcome outcome = ProcessItems(context, ProcessScope::One, &a);
    EXPECT_EQ(outcome.queued, 0u);
    EXPECT_EQ(outcome.skipped, 1u);
    EXPECT_EQ(Order(), (std::vector<std::string>{"X", "B", "A"}));
    EXPECT_EQ(a.mode, ItemMode::NOTIFY) << "the entry point's mode is given back";
    EXPECT_FALSE(a.savedMode);
    EXPECT_EQ(world.engine->items().FindItem("B", false)->mode, ItemMode::DOWNLOAD);
    EXPECT_TRUE(loop.commands.empty());
}

TEST_F(ProcessingTest, UninstallTakesDependantsFirst) {
    ApplicationItem& c = Add("C", ItemState::INSTALLED, ItemMode::INSTALL);
    Add("A", ItemState::INSTALLED, ItemMode::INSTALL, {"B"});
    Add("B", ItemState::OUTDATED, ItemMode::INSTALL, {"C"});
    Add("D", ItemState::NOTINSTALLED, ItemMode::INSTALL, {"C"});
    SetOneShotMode(c, ItemMode::OP_UNINSTALL);
    (void)ProcessItems(context, ProcessScope::One, &c);
    ASSERT_EQ(frontend.bodies.size(), 1u);
    EXPECT_NE(frontend.bodies[0].find("'B'\n'A'\n"), std::string::npos);
    EXPECT_EQ(Scripts(), (std::vector<std::string>{"B", "A", "C"}));
    for (const char* name : {"A", "B", "C"}) {
        EXPECT_EQ(world.engine->items().FindItem(name, false)->mode, ItemMode::IGNORE) << name;
    }
    EXPECT_EQ(world.engine->items().FindItem("D", false)->mode, ItemMode::INSTALL);
}

TEST_F(ProcessingTest, AStoppedRunGivesEveryUnprocessedItemItsModeBack) {
    ApplicationItem& a = Add("A", ItemState::NOTINSTALLED, ItemMode::NOTIFY, {"B", "C"});
    Add("B", ItemState::NOTINSTALLED, ItemMode::IGNORE);
    Add("C", ItemState::NOTINSTALLED, ItemMode::DOWNLOAD);
    SetOneShotMode(a, ItemMode::OP_INSTALL);
    failFetchOf = "C";  // the user aborts the second download
    const ProcessOutcome outcome = ProcessItems(context, ProcessScope::One, &a);
    EXPECT_EQ(outcome.result.message(), msg::ProcessingAborted);
    EXPECT_TRUE(outcome.stoppedEarly);
    EXPECT_EQ(Scripts(), std::vector<std::string>{"B"});
    EXPECT_EQ(world.engine->items().FindItem("B", false)->mode, ItemMode::INSTALL);
    EXPECT_EQ(world.engine->items().FindItem("C", false)->mode, ItemMode::DOWNLOAD);
    EXPECT_EQ(a.mode, ItemMode::NOTIFY);
    for (const ApplicationItem& item : world.engine->items()) {
        EXPECT_FALSE(item.savedMode) << item.name();
    }
    EXPECT_EQ(world.log.entries()[world.log.entries().size() - 2].text, "Processing Done.");
}

// The failure that stops a run is in the log whoever started the run: a run
// at launch has no other way to tell the user.
TEST_F(ProcessingTest, TheFailureThatStopsARunIsLogged) {
    Status reload;
    context.reloadDatabases = [&reload] { return reload; };
    ApplicationItem& foo = Add("Foo", ItemState::OUTDATED, ItemMode::INSTALL);
    foo.type = AppType::STOVAN;  // a database package: its install reloads
    const std::string downloads = "Work:Stovan/Cache/Downloads";
    const auto run = [&](MessageId expected, std::string_view text) {
        const std::size_t first = world.log.entries().size();
        foo.state = ItemState::OUTDATED;
        EXPECT_EQ(ProcessItems(context, ProcessScope::One, &foo).result.message(), expected);
        const auto& entries = world.log.entries();
        EXPECT_TRUE(std::any_of(entries.begin() + first, entries.end(), [&](const LogEntry& entry) {
            return entry.text == text;
        })) << text;
    };
    {
        SCOPED_TRACE("the download drawer is a file");
        ASSERT_TRUE(amiga::DeleteAll(world.root.dos(), downloads).ok());
        File(downloads);
        run(msg::CannotEnterDownloadDrawer, GetString(msg::CannotEnterDownloadDrawer));
        ASSERT_TRUE(amiga::DeleteFile(world.root.dos(), downloads).ok());
    }
    {
        SCOPED_TRACE("the script cannot be written");
        const FileSizeLimit full(16);  // the archive fits, the script does not
        ASSERT_TRUE(full.active());
        run(msg::CannotCreateTempFile, GetString(msg::CannotCreateTempFile));
    }
    {
        SCOPED_TRACE("the server sent an empty body");
        const ArchiveFetcher fetch = context.fetchArchive;
        context.fetchArchive = [](const ApplicationItem&, std::string_view, const std::string&,
                                  std::string&) { return Status::Ok(); };
        run(msg::CannotFind, "Unable to find 'Foo.lha'!");
        context.fetchArchive = fetch;
    }
    {
        SCOPED_TRACE("the reload after the package cannot save first");
        reload = Status(msg::NotEnoughMemory);
        run(msg::NotEnoughMemory, GetString(msg::NotEnoughMemory));
    }
}

TEST_F(ProcessingTest, SelfUpdateRelaunchesOnlyAfterAScriptThatSucceeded) {
    int relaunches = 0;
    context.relaunch = [&relaunches] { ++relaunches; };
    int reloads = 0;
    context.reloadDatabases = [&reloads] {
        ++reloads;
        return Status::Ok();
    };
    ApplicationItem& stovan = Add("Stovan", ItemState::OUTDATED, ItemMode::INSTALL);
    stovan.type = AppType::STOVAN;
    ApplicationItem& package = Add("Pack", ItemState::OUTDATED, ItemMode::INSTALL);
    package.type = AppType::STOVAN;
    Add("Other", ItemState::OUTDATED, ItemMode::INSTALL);

    loop.codes = {{"Stovan", 20}, {"Pack", 20}};
    ProcessOutcome outcome = ProcessItems(context, ProcessScope::All);
    EXPECT_EQ(relaunches, 0);
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(context.failedScripts, 2u);
    EXPECT_EQ(Scripts(), (std::vector<std::string>{"Pack", "Stovan", "Other"}))
        << "the run goes on after a failed self-update";
    EXPECT_TRUE(std::ranges::any_of(world.log.entries(), [](const LogEntry& entry) {
        return entry.text.find("'Stovan' V0.0 failed") != std::string::npos;
    }));

    loop.commands.clear();
    loop.codes = {};
    for (ApplicationItem& item : world.engine->items()) {
        item.state = ItemState::OUTDATED;
    }
    outcome = ProcessItems(context, ProcessScope::All);
    EXPECT_EQ(relaunches, 1);
    EXPECT_EQ(reloads, 0) << "no reload when a relaunch is pending";
    EXPECT_EQ(Scripts(), (std::vector<std::string>{"Stovan"})) << "the run ends for the relaunch";
    EXPECT_EQ(world.engine->items().FindItem("Pack", false)->mode, ItemMode::INSTALL);
}

TEST_F(ProcessingTest, QuestionsFollowTheMaskAndAllStopsAskingThatKind) {
    world.preferences.flags = ASK_UPDATE | ASK_UNINSTALL;
    Add("A", ItemState::OUTDATED, ItemMode::INSTALL);
    Add("B", ItemState::OUTDATED, ItemMode::INSTALL);
    Add("C", ItemState::INSTALLED, ItemMode::OP_UNINSTALL).savedMode = ItemMode::NOTIFY;
    Add("D", ItemState::INSTALLED, ItemMode::OP_UNINSTALL).savedMode = ItemMode::NOTIFY;
    frontend.answers = {2, 3, 1};  // All updates; skip C; uninstall D
    (void)ProcessItems(context, ProcessScope::All);
    ASSERT_EQ(frontend.bodies.size(), 3u);
    EXPECT_EQ(frontend.buttonSets[0], "_Update|*A_ll|_Skip|_Abort");
    EXPECT_EQ(Scripts(), (std::vector<std::string>{"A", "B", "D"}));
    EXPECT_EQ(world.engine->items().FindItem("C", false)->mode, ItemMode::NOTIFY);
    EXPECT_EQ(world.engine->items().FindItem("D", false)->mode, ItemMode::IGNORE);
}

TEST_F(ProcessingTest, CleanTemporaryRemovesLinksNotTheirTargets) {
    const std::string temp = world.Expand(nullptr, "{TEMPDIR}");
    File(temp + "Foo/file");
    File("Work:Keep/precious");
    const std::string link = world.root.Host("RAM", "T/StovanTemp/001a2b3c/Foo/link");
    ASSERT_EQ(::symlink(world.root.Host("Work", "Keep").c_str(), link.c_str()), 0);
    File("Work:Stovan/Cache/Downloads/StovanTemp/partial");
    CleanTemporary(*world.engine);
    EXPECT_FALSE(Exists("RAM:T/StovanTemp"));
    EXPECT_FALSE(Exists("Work:Stovan/Cache/Downloads/StovanTemp"));
    EXPECT_TRUE(Exists("Work:Keep/precious"));
}

}  // namespace
}  // namespace stovan::test
