#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "engine/ImageCache.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/PlaceholderWorld.h"
#include "tests/support/RecordingFrontend.h"

namespace stovan::test {
namespace {

const std::string kPicture = "\x89PNG picture bytes";

class ImageCacheTest : public ::testing::Test {
  protected:
    ImageCacheTest()
        : server([this](HttpConnection& connection) {
              const auto found = responses.find(connection.path());
              connection.Send(found != responses.end() ? found->second
                                                       : HttpResponse("404 Not Found", "not here"));
          }) {
        DisableProxies();
        world.preferences.connectRetries = 1;
        world.preferences.imageDir = "Work:Images/";
        world.preferences.imageServer = server.Url("/images/stovan");
        world.preferences.flags &= ~SCAN_MISSING_IMAGES;
        EXPECT_TRUE(amiga::CreateDrawerPath(dos(), "PROGDIR:Database/Images").ok());
        EXPECT_TRUE(amiga::WriteFile(dos(), "PROGDIR:Database/Images/game.png", "game").ok());
        EXPECT_TRUE(amiga::WriteFile(dos(), "PROGDIR:Database/Images/noimage.png", "none").ok());
    }

    amiga::DosList& dos() { return world.root.dos(); }

    // Shows the item's picture; returns what the panel was given.
    std::string Show(const ApplicationItem* item, Status* result = nullptr) {
        std::string shown = "<nothing>";
        ImageContext context{*world.engine, [this] { return aborted; },
                             [&](const std::string& picture) { shown = picture; }};
        const Status status = ShowItemImage(context, item, true);
        if (result != nullptr) {
            *result = status;
        }
        return shown;
    }
    std::string Cached(const std::string& name) {
        auto data = amiga::ReadFile(dos(), "Work:Images/" + name);
        return data ? *data : "<missing>";
    }

    PlaceholderWorld world;
    std::map<std::string, std::string> responses = {
        {"/pics/foo.png", HttpResponse("200 OK", kPicture)},
        {"/images/stovan/Served", HttpResponse("200 OK", kPicture)},
        {"/images/stovan/Two%20Words", HttpResponse("200 OK", kPicture)},
        {"/images/stovan/Tiny", HttpResponse("200 OK", "ab")},
    };
    HttpTestServer server;
    bool aborted = false;
};

TEST_F(ImageCacheTest, FetchesOnceAndFallsBack) {
    EXPECT_TRUE(amiga::WriteFile(dos(), "PROGDIR:Local.png", "local picture").ok());
    struct Row {
        const char* name;
        std::string item, picture;
        AppType type;
        std::string shown, cached;
        std::vector<std::string> requests;
    };
    const Row rows[] = {
        {"picture from its web address",
         "Foo",
         server.Url("/pics/foo.png"),
         AppType::GAME,
         "Work:Images/Foo",
         kPicture,
         {"/pics/foo.png"}},
        {"from the image server",
         "Served",
         server.Url("/pics/gone.png"),
         AppType::GAME,
         "Work:Images/Served",
         kPicture,
         {"/pics/gone.png", "/images/stovan/Served"}},
        {"name made a path part",
         "Two Words",
         "",
         AppType::GAME,
         "Work:Images/Two Words",
         kPicture,
         {"/images/stovan/Two%20Words"}},
        {"nothing anywhere: placeholder and type picture",
         "Lost",
         server.Url("/pics/gone.png"),
         AppType::GAME,
         "PROGDIR:Database/Images/game.png",
         std::string(1, '\0'),
         {"/pics/gone.png", "/images/stovan/Lost"}},
        {"no type picture: noimage.png",
         "Plain",
         "",
         AppType::TOOL,
         "PROGDIR:Database/Images/noimage.png",
         std::string(1, '\0'),
         {"/images/stovan/Plain"}},
        {"too short to be a picture",
         "Tiny",
         "",
         AppType::TOOL,
         "PROGDIR:Database/Images/noimage.png",
         std::string(1, '\0'),
         {"/images/stovan/Tiny"}},
        {"local picture",
         "Local",
         "Local.png",
         AppType::GAME,
         "PROGDIR:Local.png",
         std::string(1, '\0'),
         {"/images/stovan/Local"}},
        {"name that is a path: nothing fetched or written",
         "../Escape",
         server.Url("/pics/foo.png"),
         AppType::GAME,
         "PROGDIR:Database/Images/game.png",
         "<missing>",
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ApplicationItem& item = world.AddItem(row.item);
        world.Set(item, ItemField::appPicture, row.picture);
        item.type = row.type;
        const std::size_t before = server.Requests().size();
        EXPECT_EQ(Show(&item), row.shown);
        EXPECT_EQ(Cached(row.item), row.cached);
        std::vector<std::string> paths;
        const std::vector<std::string> requests = server.Requests();
        for (std::size_t index = before; index < requests.size(); ++index) {
            paths.push_back(requests[index].substr(4, requests[index].find(' ', 4) - 4));
        }
        EXPECT_EQ(paths, row.requests);
        // The next display fetches nothing again, placeholder or picture.
        EXPECT_EQ(Show(&item), row.shown);
        EXPECT_EQ(server.Requests().size(), before + row.requests.size());
    }
    EXPECT_FALSE(amiga::Lock(dos(), "Work:Escape").ok());
    EXPECT_EQ(Show(nullptr), "");
}

TEST_F(ImageCacheTest, ScanForMissingImagesFetchesPlaceholdersAgain) {
    ApplicationItem& item = world.AddItem("Later");
    EXPECT_EQ(Show(&item), "PROGDIR:Database/Images/noimage.png");
    EXPECT_EQ(Cached("Later"), std::string(1, '\0'));
    responses["/images/stovan/Later"] = HttpResponse("200 OK", kPicture);
    EXPECT_EQ(Show(&item), "PROGDIR:Database/Images/noimage.png");  // not asked again
    world.preferences.flags |= SCAN_MISSING_IMAGES;
    EXPECT_EQ(Show(&item), "Work:Images/Later");
    EXPECT_EQ(Cached("Later"), kPicture);
}

TEST_F(ImageCacheTest, AbortWritesNoPlaceholderAndStopsTheRun) {
    for (const char* name : {"Served", "Second", "Third"}) {
        world.AddItem(name);
    }
    RecordingFrontend frontend;
    ImageContext context{*world.engine, [&] { return frontend.progress.size() >= 2; }};
    EXPECT_EQ(FetchMissingImages(context, frontend).message(), msg::ProcessingAborted);
    EXPECT_EQ(Cached("Served"), kPicture);
    EXPECT_EQ(Cached("Second"), "<missing>");
    EXPECT_EQ(Cached("Third"), "<missing>");
    const std::vector<std::string> progress = {"Downloading image for 'Served'   -   1/3",
                                               "Downloading image for 'Second'   -   2/3"};
    EXPECT_EQ(frontend.progress, progress);
}

}  // namespace
}  // namespace stovan::test
