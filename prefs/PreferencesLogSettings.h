#pragma once
// The log's view of the live preferences: whether a FATAL entry about the
// database or a data download opens the log by itself.

#include "core/Log.h"
#include "prefs/Preferences.h"

namespace stovan {

class PreferencesLogSettings final : public LogSettings {
  public:
    // The record is the live one; it must outlive this object.
    explicit PreferencesLogSettings(const Preferences& preferences) : preferences_(preferences) {}

    bool logOnDatabaseError() const override {
        return (preferences_.flags & LOG_ON_DATABASE_ERROR) != 0;
    }
    bool logOnDataDownloadError() const override {
        return (preferences_.flags & LOG_ON_DATA_DOWNLOAD_ERROR) != 0;
    }

  private:
    const Preferences& preferences_;
};

}  // namespace stovan
