#pragma once
// A throw-away system root with an engine on it, and helpers to build
// database texts and read the log, for the database tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Log.h"
#include "database/Engine.h"
#include "database/Parser.h"
#include "prefs/Preferences.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {

// A complete entry that passes validation; `extra` lines go before its
// ITEM END line.
inline std::string ValidEntry(const std::string& name, const std::string& extra = "",
                              const std::string& itemOptions = "") {
    return "#ITEM \"" + name + "\"" + itemOptions +
           "\n"
           "#APPTYPE TOOL\n"
           "#STOVANAUTHOR \"Tester\"\n"
           "#URLARCHIVE \"http://example.org/files/" +
           name +
           ".lha\"\n"
           "#INSTALLCHECK \"{INSTALLDIR}" +
           name +
           "\"\n"
           "#DESCRIPTION \"A program for tests\"\n"
           "#INSTALL\n"
           "{STANDARDEXTRACT}\n"
           "#INSTALL END\n" +
           extra + "#ITEM END\n";
}

class DatabaseFixture : public ::testing::Test {
  protected:
    explicit DatabaseFixture(const amiga::SystemProfile& profile = {})
        : root(profile), engine(root.dos(), preferences, log) {}

    ParseTotals Parse(const std::string& text, const std::string& name = "Test.db") {
        return ParseDatabaseText(engine, name, text);
    }

    // Every log entry as "SEVERITY|text" ("" for the plain severity).
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (const LogEntry& entry : log.entries()) {
            const bool warning = entry.severity == kSeverityWarning;
            const bool fatal = entry.severity == kSeverityFatal;
            lines.push_back((warning ? "WARNING|" : fatal ? "FATAL|" : "|") + entry.text);
        }
        return lines;
    }

    // The log lines (as LogLines gives them) that hold `part`.
    std::vector<std::string> LinesWith(std::string_view part) const {
        std::vector<std::string> lines;
        for (const std::string& line : LogLines()) {
            if (line.find(part) != std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const ApplicationItem& item : engine.items()) {
            names.push_back(item.key());
        }
        return names;
    }

    // Writes a file on a volume of the root ("Work", "Stovan/Prefs/Config.db").
    void WriteFile(const std::string& volume, const std::string& path, const std::string& text) {
        WriteHostFile(root.Host(volume, path), text);
    }

    TempRoot root;
    Preferences preferences;
    Log log;
    Engine engine;
};

}  // namespace stovan::test
