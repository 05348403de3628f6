#pragma once
// How the front ends show an item: the texts of the list columns that are
// not item fields as they stand (versions with their dates, the install
// drawer), and the JSON object holding every field of an item, the same for
// the command line's --json and for any other front end that exports items.
// Texts are ISO-8859-1 like the item; the JSON object holds UTF-8.

#include <nlohmann/json.hpp>
#include <string>

#include "database/Item.h"
#include "platform/DateStamp.h"
#include "version/Version.h"

namespace stovan {

// "YYYY-MM-DD" of a DateStamp (the day only); "-" for the zero date.
std::string DateText(const amiga::DateStamp& date);

// "1.2.3 (2024-03-01)", "1.2.3" without a date, "-" when neither is known.
std::string VersionText(const VersionTriple& triple, const amiga::DateStamp& date);

// The install drawer column: "(as Leader)" for an item whose drawer follows
// another's, APPDIRECTORY for an item with one, else its own drawer ("" for
// the default of its type).
std::string DrawerText(const ApplicationItem& item);

// Every field of the item under its own name: the numbers and words
// (entryDate, itemFlags, mode, state, savedMode, type, archiveSize, the
// versions and dates) and each text field (a list field as an array).
nlohmann::json ItemJson(const ApplicationItem& item);

}  // namespace stovan
