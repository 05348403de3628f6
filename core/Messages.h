#pragma once
// The texts of Stovan's messages. Every text the program shows is a numbered
// message with a built-in English text (ISO-8859-1 bytes, "\033" being the
// escape byte of the text display's formatting sequences), which a
// translation catalog "Stovan.catalog" may replace.
//
// The catalog is chosen once at start-up (OpenStovanCatalog) before other
// threads run. A catalog once in use is kept until the program ends, so a
// text returned by GetString stays valid even when the catalog is replaced.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/MessageIds.h"
#include "core/Status.h"
#include "platform/Catalog.h"

namespace stovan {

// Stovan's own version, which is also the only catalog version it accepts and
// the version the log banner shows.
inline constexpr std::int32_t kProgramVersion = 2;
inline constexpr std::int32_t kProgramRevision = 18;

// The name of the catalog file in "Catalogs/<language>/".
inline constexpr std::string_view kCatalogName = "Stovan.catalog";

// The text of a message: the catalog's text when a catalog is in use and has
// one for the number, else the built-in English text. Empty for a number
// outside 1 to msg::kMessageCount.
std::string_view GetString(MessageId number);

// The built-in English text, whatever catalog is in use.
std::string_view EnglishString(MessageId number);

// The name of a message in core/MessageIds.h ("ProcessingAborted"), empty
// for an unknown number.
std::string_view MessageName(MessageId number);

// True when catalog is one Stovan uses: version 2, revision 18 exactly.
bool IsAcceptedCatalog(const amiga::Catalog& catalog);

// Puts catalog in use when IsAcceptedCatalog says so and returns true;
// otherwise the English texts are used and the result is false.
bool UseCatalog(amiga::Catalog catalog);

// Back to the English texts.
void CloseCatalog();

// The catalog in use, or null.
const amiga::Catalog* CurrentCatalog();

// Looks for Catalogs/<language>/Stovan.catalog under the given folders (host
// paths) in the user's preferred languages and puts the first one found in
// use when it is version 2 revision 18. Returns the file in use, or nothing
// when the English texts are used (no catalog, an unreadable one, another
// version, or "english" preferred).
std::optional<std::filesystem::path> OpenStovanCatalog(
    const std::vector<std::filesystem::path>& baseFolders,
    const std::vector<std::string>& languages);

}  // namespace stovan
