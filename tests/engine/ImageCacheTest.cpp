#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "engine/ImageCache.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "tests/support/CannedSite.h"
#include "tests/support/PlaceholderWorld.h"
#include "tests/support/RecordingFrontend.h"

namespace stovan::test {
namespace {

const std::string kPicture = "\x89PNG picture bytes";

class ImageCacheTest : public ::testing::Test {
  protected:
    ImageCacheTest() {
        world.preferences.connectRetries = 1;
        world.preferences.imageDir = "Work:Images/";
        world.preferences.imageServer = site.Url("/images/stovan");
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
        return test::ReadAmigaFile(dos(), "Work:Images/" + name);
    }

    PlaceholderWorld world;
    CannedSite site{{
        {"/pics/foo.png", HttpResponse("200 OK", kPicture)},
        {"/images/stovan/Served", HttpResponse("200 OK", kPicture)},
        {"/images/stovan/Two%20Words", HttpResponse("200 OK", kPicture)},
        {"/images/stovan/Tiny", HttpResponse("200 OK", "ab")},
    }};
    bool aborted = false;
};

TEST_F(ImageCacheTest, FetchesOnceAndFallsBack) {
    EXPECT_TRUE(amiga::WriteFile(dos(), "PROGDIR:Local.png", "local picture").ok());
    const std::string none(1, '\0');  // the placeholder of a picture not found
    const std::string game = "PROGDIR:Database/Images/game.png";
    const std::string noImage = "PROGDIR:Database/Images/noimage.png";
    struct Row {
        const char* name;
        std::string item, picture;
        AppType type;
        std::string shown, cached;
        std::string requests;  // the paths asked for, in order, each after a blank
    };
    const Row rows[] = {
        {"picture from its web address", "Foo", site.Url("/pics/foo.png"), AppType::GAME,
         "Work:Images/Foo", kPicture, " /pics/foo.png"},
        {"from the image server", "Served", site.Url("/pics/gone.png"), AppType::GAME,
         "Work:Images/Served", kPicture, " /pics/gone.png /images/stovan/Served"},
        {"name made a path part", "Two Words", "", AppType::GAME, "Work:Images/Two Words", kPicture,
         " /images/stovan/Two%20Words"},
        {"nothing anywhere: placeholder and type picture", "Lost", site.Url("/pics/gone.png"),
         AppType::GAME, game, none, " /pics/gone.png /images/stovan/Lost"},
        {"no type picture: noimage.png", "Plain", "", AppType::TOOL, noImage, none,
         " /images/stovan/Plain"},
        {"too short to be a picture", "Tiny", "", AppType::TOOL, noImage, none,
         " /images/stovan/Tiny"},
        {"local picture", "Local", "Local.png", AppType::GAME, "PROGDIR:Local.png", none,
         " /images/stovan/Local"},
        {"name that is a path: nothing fetched or written", "../Escape", site.Url("/pics/foo.png"),
         AppType::GAME, game, "<missing>", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ApplicationItem& item = world.AddItem(row.item);
        world.Set(item, ItemField::appPicture, row.picture);
        item.type = row.type;
        const std::size_t before = site.RequestedPaths().size();
        EXPECT_EQ(Show(&item), row.shown);
        EXPECT_EQ(Cached(row.item), row.cached);
        // The next display fetches nothing again, placeholder or picture.
        EXPECT_EQ(Show(&item), row.shown);
        const std::vector<std::string> paths = site.RequestedPaths();
        std::string asked;
        for (std::size_t index = before; index < paths.size(); ++index) {
            asked += " " + paths[index];
        }
        EXPECT_EQ(asked, row.requests);
    }
    EXPECT_FALSE(amiga::Lock(dos(), "Work:Escape").ok());
    EXPECT_EQ(Show(nullptr), "");
}

TEST_F(ImageCacheTest, ScanForMissingImagesFetchesPlaceholdersAgain) {
    ApplicationItem& item = world.AddItem("Later");
    EXPECT_EQ(Show(&item), "PROGDIR:Database/Images/noimage.png");
    EXPECT_EQ(Cached("Later"), std::string(1, '\0'));
    site.Serve("/images/stovan/Later", HttpResponse("200 OK", kPicture));
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
