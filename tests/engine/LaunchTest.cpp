// The start-up arguments (tool types, then the command line) and the
// STOVANPATH rule of the launch step.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Launch.h"
#include "engine/StartupArguments.h"
#include "platform/ReadArgs.h"
#include "tests/support/PlaceholderWorld.h"

namespace stovan::test {
namespace {

TEST(StartupArgumentsTest, ToolTypesThenCommandLine) {
    struct Row {
        const char* name;
        std::vector<std::string> toolTypes;
        std::vector<std::string> words;
        bool popUp;
        std::int32_t priority;
        std::uint32_t noImages;
        std::string popKey;
        bool badLine;
    };
    const Row rows[] = {
        {"defaults", {}, {}, true, 0, 0, "control alt f5", false},
        {"popup no", {"CX_POPUP=NO"}, {}, false, 0, 0, "control alt f5", false},
        {"bare popup means off", {"CX_POPUP"}, {}, false, 0, 0, "control alt f5", false},
        {"popup yes any case", {"cx_popup=True"}, {}, true, 0, 0, "control alt f5", false},
        {"priority not a number", {"CX_PRI=abc"}, {}, true, 0, 0, "control alt f5", false},
        {"priority", {"CX_PRI=-5"}, {}, true, -5, 0, "control alt f5", false},
        {"noimages tool type", {"NOIMAGES=on"}, {}, true, 0, 1, "control alt f5", false},
        {"line overrides",
         {"CX_POPUP=NO", "CX_PRI=3", "CX_POPKEY=f1"},
         {"CX_POPUP", "CX_PRI=7", "CX_POPKEY=ctrl alt x"},
         true,
         7,
         0,
         "ctrl alt x",
         false},
        {"noimages adds one", {"NOIMAGES=YES"}, {"NOIMAGES"}, true, 0, 2, "control alt f5", false},
        {"bad number keeps tool types",
         {"CX_PRI=4"},
         {"CX_PRI=abc"},
         true,
         4,
         0,
         "control alt f5",
         true},
        {"surplus words", {}, {"CX_POPKEY=a", "b"}, true, 0, 0, "control alt f5", true},
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
}

}  // namespace
}  // namespace stovan::test
