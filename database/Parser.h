#pragma once
// The database file reader. One reader, ParseDatabaseFile, reads the
// hand-written database files line by line into items, and, in
// configuration mode, Stovan's own "Config.db" and version cache, where an
// ITEM line changes the existing item of that name instead of creating one.
//
// File format (docs/database.md has the authors' version):
//  - Lines end with LF, CR-LF or a CR alone; leading blanks and tabs of a
//    line are ignored; empty lines are skipped; a line starting with ";" is a
//    comment.
//  - A line starting with "#" is a command: all leading "#", blanks and tabs
//    are skipped, and the rest must start with a command keyword followed by
//    a blank, a tab or the line end. It is parsed with the command's ReadArgs
//    template (platform/ReadArgs.h).
//  - Other lines are block text inside INSTALL, UNINSTALL, DESCRIPTION and
//    TEXTFILE blocks and ignored elsewhere.
//  - An entry runs from an ITEM line to the next "ITEM END" line; command
//    lines outside an entry, other than ITEM lines, are ignored.
//  - In configuration mode (files Stovan writes itself) a text line, a
//    broken ITEM line or a zero byte is an error: the file is damaged. A
//    record of Config.db whose item is not in the list is kept, as read,
//    in Engine::keptConfiguration.
//
// Every error names the file and the line (message 324, a WARNING) and
// drops the current entry; reading goes on with the next line, except after
// running out of memory (329). At the end of a file a pending system error
// (a failed read, or a failed argument parse not followed by a good
// ITEM END) is logged as 328 (FATAL), and when there were errors the totals
// "%ld errors were found and %ld database entries were rejected!" too.

#include <cstdint>
#include <string_view>

#include "platform/DosErrors.h"
#include "platform/Locks.h"

namespace stovan {

class Engine;

enum class ParseMode {
    Database,       // entries create items and are validated
    Configuration,  // entries change existing items; nothing is validated
};

// The names that select configuration mode (compared without regard to
// case): the configuration file as the loader passes it, and the version
// cache in full.
inline constexpr std::string_view kConfigurationFileName = "Config.db";
inline constexpr std::string_view kVersionCacheFileName = "T:StovanVersion.db";

// Configuration mode for "config.db" and "T:StovanVersion.db" (any case),
// database mode for every other name.
ParseMode ModeForFileName(std::string_view fileName);

// What one file gave: the errors logged and the entries dropped, and
// whether reading stopped early because memory ran out (the file's later
// entries are missing from the list then).
struct ParseTotals {
    std::int32_t errors = 0;
    std::int32_t rejected = 0;
    bool outOfMemory = false;
    friend bool operator==(const ParseTotals&, const ParseTotals&) = default;
};

// Reads the file (an Amiga path, relative to drawer when given) and appends
// its entries to the engine's item list, or, in configuration mode, lays
// them over the existing items. Logs 303 "Loading configuration." for
// "config.db", else 304 "Loading database '%s'." with the name as given.
// A missing or unreadable file gives the system's error text (328) and the
// totals, and no items.
ParseTotals ParseDatabaseFile(Engine& engine, std::string_view fileName,
                              const amiga::FileLock* drawer = nullptr);

// The same for text already in memory (the fuzz target, "stovan db lint"),
// reported under fileName; the mode follows from fileName unless given.
ParseTotals ParseDatabaseText(Engine& engine, std::string_view fileName, std::string_view text);
ParseTotals ParseDatabaseText(Engine& engine, std::string_view fileName, std::string_view text,
                              ParseMode mode);

// What ParseDatabaseFile logs for a file that cannot be read: the
// announcement, the system's text for the error (328) and the totals.
ParseTotals ReportUnreadableFile(Engine& engine, std::string_view fileName, amiga::DosError error);

}  // namespace stovan
