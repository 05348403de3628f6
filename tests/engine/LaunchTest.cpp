// The start-up arguments (tool types, then the command line) and the
// STOVANPATH rule of the launch step.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Launch.h"
#include "engine/StartupArguments.h"
#include "platform/DosFiles.h"
#include "platform/ReadArgs.h"
#include "platform/Uaem.h"
#include "tests/support/PlaceholderWorld.h"

namespace stovan::test {
namespace {

TEST(StartupArgumentsTest, ToolTypesThenCommandLine) {
    struct Row {
        const char* name;
        bool badLine = false;
        std::vector<std::string> toolTypes{}, words{};
        bool popUp = true;
        std::int32_t priority = 0;
        std::uint32_t noImages = 0;
        std::string popKey = "control alt f5";
    };
    const Row rows[] = {
        {"defaults"},
        {"popup no", false, {"CX_POPUP=NO"}, {}, false},
        {"bare popup means off", false, {"CX_POPUP"}, {}, false},
        {"popup yes any case", false, {"cx_popup=True"}},
        {"priority not a number", false, {"CX_PRI=abc"}},
        {"priority", false, {"CX_PRI=-5"}, {}, true, -5},
        {"noimages tool type", false, {"NOIMAGES=on"}, {}, true, 0, 1},
        {"line overrides",
         false,
         {"CX_POPUP=NO", "CX_PRI=3", "CX_POPKEY=f1"},
         {"CX_POPUP", "CX_PRI=7", "CX_POPKEY=ctrl alt x"},
         true,
         7,
         0,
         "ctrl alt x"},
        {"noimages adds one", false, {"NOIMAGES=YES"}, {"NOIMAGES"}, true, 0, 2},
        {"bad number keeps tool types", true, {"CX_PRI=4"}, {"CX_PRI=abc"}, true, 4},
        {"surplus words", true, {}, {"CX_POPKEY=a", "b"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StartupArguments arguments;
        ApplyToolTypes(arguments, row.toolTypes);
        const auto error = ApplyCommandLine(arguments, StartupCommandLine(row.words));
        EXPECT_EQ(error.has_value(), row.badLine);
        EXPECT_EQ(arguments.popUp, row.popUp);
        EXPECT_EQ(arguments.brokerPriority, row.priority);
        EXPECT_EQ(arguments.noImages, row.noImages);
        EXPECT_EQ(arguments.popKey, row.popKey);
    }
}

TEST(StovanPathTest, WrittenOnceDeletedWhenOff) {
    PlaceholderWorld world;
    Engine& engine = *world.engine;
    const std::string env = world.root.Host("RAM", "ENV/STOVANPATH");
    const std::string envArc = world.root.Host("SYS", "Prefs/Env-Archive/STOVANPATH");

    world.preferences.flags2 |= STORE_PATH;
    ApplyStovanPathRule(engine);
    EXPECT_EQ(ReadHostFile(env), "Work:Stovan");
    EXPECT_EQ(ReadHostFile(envArc), "Work:Stovan");

    // An existing ENVARC: copy (Stovan moved since) is left as it is.
    WriteHostFile(envArc, "DH1:Old/Stovan");
    WriteHostFile(env, "DH1:Old/Stovan");
    ApplyStovanPathRule(engine);
    EXPECT_EQ(ReadHostFile(envArc), "DH1:Old/Stovan");
    EXPECT_EQ(ReadHostFile(env), "DH1:Old/Stovan");

    world.preferences.flags2 &= ~STORE_PATH;
    ApplyStovanPathRule(engine);
    EXPECT_FALSE(HostExists(env));
    EXPECT_FALSE(HostExists(envArc));
    EXPECT_TRUE(world.log.entries().empty()) << "nothing to delete is no failure";

    // A variable that cannot go would keep telling scripts the path: said.
    WriteHostFile(envArc, "Work:Stovan");
    ASSERT_TRUE(
        amiga::SetProtection(world.root.dos(), "ENVARC:STOVANPATH", amiga::FIBF_DELETE).ok());
    ApplyStovanPathRule(engine);
    EXPECT_TRUE(HostExists(envArc));
    ASSERT_EQ(world.log.entries().size(), 1u);
    EXPECT_EQ(world.log.entries()[0].text, "Unable to open\n'ENVARC:STOVANPATH'!");
}

}  // namespace
}  // namespace stovan::test
