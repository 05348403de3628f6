#include <gtest/gtest.h>

#include "core/MessageIds.h"
#include "prefs/PreferencesLogSettings.h"

namespace stovan {
namespace {

class CountingDisplay final : public LogDisplay {
  public:
    void showLog() override { ++shown; }
    int shown = 0;
};

TEST(PreferencesLogSettings, FatalEntriesOpenTheLogAsThePreferencesSay) {
    Preferences preferences;
    PreferencesLogSettings settings(preferences);
    CountingDisplay display;
    Log log(&display, &settings);

    preferences.flags = 0;
    log.AddLogEntry(msg::ParseError, "Apps.db", 3, "broken");
    EXPECT_EQ(display.shown, 0);

    preferences.flags = LOG_ON_DATABASE_ERROR;  // read live, not copied
    log.AddLogEntry(msg::ParseError, "Apps.db", 3, "broken");
    EXPECT_EQ(display.shown, 1);

    log.AddLogEntry(msg::NoProxy);  // a network error needs the other bit
    EXPECT_EQ(display.shown, 1);
    preferences.flags |= LOG_ON_DATA_DOWNLOAD_ERROR;
    log.AddLogEntry(msg::NoProxy);
    EXPECT_EQ(display.shown, 2);
}

}  // namespace
}  // namespace stovan
