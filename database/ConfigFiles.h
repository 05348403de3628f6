#pragma once
// The two small files Stovan writes itself, in the database file syntax and
// read back by the parser in configuration mode:
//  - "Config.db" in "PROGDIR:Prefs": the mode and the user's install drawer
//    of every item, kept across runs;
//  - the version cache "T:StovanVersion.db": state, versions and dates of
//    every item, written just before a reload and deleted right after it.
// Both start with "; Stovan Database\n;\n;\n" and hold one record per item
// in list order. Both are written to a temporary name and renamed, so a
// crash leaves the old file or the new one, never a half one.

#include <string>
#include <string_view>

#include "core/Status.h"

namespace stovan {

class ApplicationItem;
class Engine;

inline constexpr std::string_view kDatabaseFileHeader = "; Stovan Database\n;\n;\n";

// One record of "Config.db":
//   ## ITEM "name" [DUPENAME "dupe"] MODE "word"
//   [## INSTALLDIR "drawer"]    (only a drawer the user chose)
//   ## ITEM END
// One-shot modes are written as "IGNORE".
std::string FormatConfigurationRecord(const ApplicationItem& item);
// One record of the version cache:
//   ## ITEM "name" [DUPENAME "dupe"] STATE word VERSION "v.r.b" DATE "d.m.t"
//      SVERSION "v.r.b" SDATE "d.m.t"      (one line)
//   ## ITEM END
std::string FormatVersionCacheRecord(const ApplicationItem& item);

// Reads "Config.db" in drawer over the loaded items (nothing when it is
// missing). A file that is there but cannot be read whole (unreadable,
// or with errors: the parser has logged them) would lose the user's modes
// and drawers at the next save, so it is first renamed to
// "Config.db.damaged-YYYYMMDD-HHMMSS" (UTC) beside it, and the log says so.
// Fails only with 329 when memory ran out.
Status LoadConfiguration(Engine& engine, std::string_view drawer);

// Writes "Config.db" into drawer (Stovan passes "PROGDIR:Prefs"): nothing at
// all when the list is empty; otherwise logs 302 "Saving configuration.",
// creates the drawer path (each new drawer gets a default drawer icon),
// writes the records of the items and then the kept records of items not
// loaded now (Engine::keptConfiguration), and ends with a log separator.
// A drawer or file that cannot be written is not logged here (the caller
// logs the failure once); the result says so: msg::CannotCreateTempFile when the file was not
// written, 329 out of memory.
Status SaveConfiguration(Engine& engine, std::string_view drawer);

// Writes the version cache to fileName (Stovan passes "T:StovanVersion.db");
// nothing when the list is empty. No log entry; the result as above.
Status SaveVersionCache(Engine& engine, std::string_view fileName);

}  // namespace stovan
