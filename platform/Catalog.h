#pragma once
// Translation catalogs as locale.library reads them: a FORM CTLG with
//   FVER  "$VER: name.catalog V.R (dd.mm.yyyy)", NUL-terminated
//   LANG  the language name ("deutsch"), NUL-terminated
//   CSET  the code set (IANA MIBenum, 4 = ISO-8859-1) and 7 reserved words
//   STRS  entries: 32-bit ID, 32-bit length, the string with at least one
//         NUL, padded so that every entry starts on a multiple of 4
// The order of the chunks does not matter; unknown chunks are skipped.
//
// Also here: the user's preferred languages, taken on Linux from the locale
// environment and named as AmigaOS names its languages, and the search for
// "Catalogs/<language>/<name>" under a program's folder.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.h"

namespace amiga {

enum class CatalogError {
    NotFound,    // no file, or it cannot be read
    TooLarge,    // larger than kMaxCatalogSize
    NotIff,      // not an IFF FORM, or an IFF error inside it
    NotCatalog,  // a FORM of another type than CTLG
    BadStrings,  // a STRS entry runs past the end of the chunk
};

std::string_view CatalogErrorText(CatalogError error);

// No real catalog comes near this; anything larger is refused unread.
inline constexpr std::size_t kMaxCatalogSize = 1024 * 1024;

// The code set number of ISO-8859-1 in CSET.
inline constexpr std::uint32_t kCodeSetLatin1 = 4;

struct CatalogString {
    std::uint32_t id = 0;
    std::string text;  // the bytes up to the first NUL
};

class Catalog {
  public:
    std::int32_t version = 0;            // from FVER; 0 when FVER is missing or unreadable
    std::int32_t revision = 0;           // from FVER
    std::string versionString;           // FVER up to its NUL ("" when missing)
    std::string language;                // LANG ("" when missing)
    std::uint32_t codeSet = 0;           // CSET (0 = not stated)
    std::vector<CatalogString> strings;  // sorted by id, each id once

    // The catalog's text for id, or nothing when it has none.
    std::optional<std::string_view> find(std::uint32_t id) const;
};

// Parses a catalog held in memory. Never reads outside data. A STRS entry
// whose length runs past its chunk makes the whole catalog invalid; when an
// ID occurs twice the first entry counts.
Expected<Catalog, CatalogError> ParseCatalog(std::string_view data);

// The version and revision in an FVER text, as locale.library finds them:
// skip the first word ("$VER:"), the blanks, the second word (the catalog
// name), then read the version, skip one character (the '.') and read the
// revision. Either is 0 when there is no number where it should be.
struct CatalogVersion {
    std::int32_t version = 0;
    std::int32_t revision = 0;
};
CatalogVersion ParseCatalogVersion(std::string_view fver);

// What WriteCatalog puts into a catalog.
struct CatalogContents {
    std::string versionString;  // the FVER text, e.g. "$VER: Stovan.catalog 2.18 (08.10.2015)"
    std::string language;
    std::uint32_t codeSet = kCodeSetLatin1;
    std::vector<CatalogString> strings;  // written in this order
};

// A catalog file as FlexCat writes it (FVER, LANG, CSET, STRS; the length of
// an entry is the string's length, one more when that is a multiple of 4).
std::string WriteCatalog(const CatalogContents& contents);

// Reads and parses a catalog file (host path), refusing files over
// kMaxCatalogSize before reading them.
Expected<Catalog, CatalogError> ReadCatalogFile(const std::filesystem::path& file);

// The AmigaOS language name for a POSIX locale name such as "de_DE.UTF-8",
// "fr" or "pt_BR": "deutsch", "fran\xE7ais" and so on in ISO-8859-1 bytes.
// "C", "POSIX" and every "en" locale give "english". Nothing for languages
// without an AmigaOS name known to us.
std::optional<std::string> AmigaLanguageName(std::string_view posixLocale);

// The user's preferred languages, best first, without repeats. The locale
// in charge of messages is LC_ALL, else LC_MESSAGES, else LANG (the first one
// set and not empty); when that is "C" or "POSIX" or missing, the list is
// just "english" (LANGUAGE is ignored then, as the C library does).
// Otherwise the entries of LANGUAGE (separated by ':') come first, then that
// locale. getEnv returns nothing for a variable that is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
std::vector<std::string> PreferredLanguages(const EnvironmentLookup& getEnv);
// The same for this process's environment.
std::vector<std::string> PreferredLanguages();

// The result of a catalog search: the catalog (if one was read) and the file
// it came from.
struct FoundCatalog {
    Catalog catalog;
    std::filesystem::path file;
};

// Looks for "Catalogs/<language>/<name>" under each base folder (host paths)
// for each language in turn, as OpenCatalog does. The search ends without a
// catalog at the language "english", which is the built-in one. Files that
// cannot be read or parsed are passed over; the first good catalog ends the
// search. A language name is ISO-8859-1 and becomes UTF-8 in the host path.
std::optional<FoundCatalog> FindCatalog(const std::vector<std::filesystem::path>& baseFolders,
                                        std::string_view name,
                                        const std::vector<std::string>& languages);

}  // namespace amiga
