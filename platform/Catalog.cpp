#include "platform/Catalog.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/BigEndian.h"
#include "platform/Iff.h"
#include "platform/Latin1.h"
#include "platform/StrToLong.h"

namespace amiga {

namespace {

constexpr IffId kCtlg = MakeIffId("CTLG");
constexpr IffId kFver = MakeIffId("FVER");
constexpr IffId kLang = MakeIffId("LANG");
constexpr IffId kCset = MakeIffId("CSET");
constexpr IffId kStrs = MakeIffId("STRS");

// locale.library ignores an FVER chunk longer than this.
constexpr std::size_t kMaxFverSize = 100;
// ... and a LANG name longer than this.
constexpr std::size_t kMaxLanguageSize = 30;

std::string_view UpToNul(std::string_view data) {
    return data.substr(0, data.find('\0'));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

Expected<std::vector<CatalogString>, CatalogError> ParseStrings(std::string_view data) {
    std::vector<CatalogString> strings;
    std::size_t offset = 0;
    while (data.size() - offset >= 8) {
        const std::uint32_t id = ReadBE32(data, offset);
        const std::uint32_t length = ReadBE32(data, offset + 4);
        offset += 8;
        if (length > data.size() - offset) {
            return Unexpected{CatalogError::BadStrings};
        }
        strings.push_back({id, std::string(UpToNul(data.substr(offset, length)))});
        // The next entry starts where locale.library looks for it: the data
        // (made even) rounded up to a multiple of 4 from the entry's start.
        std::size_t step = std::size_t{length} + (length & 1);
        step = (8 + step + 3) / 4 * 4 - 8;
        offset = step >= data.size() - offset ? data.size() : offset + step;
    }
    // Fewer than 8 bytes left: the padding of the last entry, or a cut-off
    // entry header. Both are ignored as locale.library does.
    std::stable_sort(strings.begin(), strings.end(),
                     [](const CatalogString& a, const CatalogString& b) { return a.id < b.id; });
    strings.erase(
        std::unique(strings.begin(), strings.end(),
                    [](const CatalogString& a, const CatalogString& b) { return a.id == b.id; }),
        strings.end());
    return strings;
}

}  // namespace

std::string_view CatalogErrorText(CatalogError error) {
    switch (error) {
        case CatalogError::NotFound:
            return "catalog not found or not readable";
        case CatalogError::TooLarge:
            return "catalog too large";
        case CatalogError::NotIff:
            return "not an IFF file";
        case CatalogError::NotCatalog:
            return "not a catalog (FORM CTLG)";
        case CatalogError::BadStrings:
            return "a string entry runs past the end of the STRS chunk";
    }
    return "unknown catalog error";
}

std::optional<std::string_view> Catalog::find(std::uint32_t id) const {
    const auto it = std::lower_bound(
        strings.begin(), strings.end(), id,
        [](const CatalogString& entry, std::uint32_t wanted) { return entry.id < wanted; });
    if (it == strings.end() || it->id != id) {
        return std::nullopt;
    }
    return std::string_view(it->text);
}

CatalogVersion ParseCatalogVersion(std::string_view fver) {
    fver = UpToNul(fver);
    std::size_t pos = 0;
    const auto skipWord = [&] {
        while (pos < fver.size() && !IsBlank(fver[pos])) {
            ++pos;
        }
    };
    const auto skipBlanks = [&] {
        while (pos < fver.size() && IsBlank(fver[pos])) {
            ++pos;
        }
    };
    skipWord();  // "$VER:"
    skipBlanks();
    skipWord();  // the catalog's name
    CatalogVersion result;
    std::int32_t number = 0;
    const int used = StrToLong(fver.substr(pos), number);
    if (used < 0) {
        return result;
    }
    result.version = number;
    pos += static_cast<std::size_t>(used) + 1;  // the '.' (or whatever stands there)
    if (pos < fver.size() && StrToLong(fver.substr(pos), number) >= 0) {
        result.revision = number;
    }
    return result;
}

Expected<Catalog, CatalogError> ParseCatalog(std::string_view data) {
    if (data.size() > kMaxCatalogSize) {
        return Unexpected{CatalogError::TooLarge};
    }
    auto form = ParseIffForm(data);
    if (!form) {
        return Unexpected{CatalogError::NotIff};
    }
    if (form->type != kCtlg) {
        return Unexpected{CatalogError::NotCatalog};
    }
    Catalog catalog;
    if (const auto fver = form->find(kFver); fver && fver->size() <= kMaxFverSize) {
        catalog.versionString = std::string(UpToNul(*fver));
        const CatalogVersion version = ParseCatalogVersion(*fver);
        catalog.version = version.version;
        catalog.revision = version.revision;
    }
    if (const auto lang = form->find(kLang)) {
        const std::string_view name = UpToNul(*lang);
        if (name.size() <= kMaxLanguageSize) {
            catalog.language = std::string(name);
        }
    }
    if (const auto cset = form->find(kCset); cset && cset->size() == 32) {
        catalog.codeSet = ReadBE32(*cset, 0);
    }
    if (const auto strs = form->find(kStrs)) {
        auto strings = ParseStrings(*strs);
        AMIGA_RETURN_IF_FAILED(strings);
        catalog.strings = std::move(*strings);
    }
    return catalog;
}

std::string WriteCatalog(const CatalogContents& contents) {
    IffWriter writer(kCtlg);
    writer.addChunk(kFver, contents.versionString + '\0');
    writer.addChunk(kLang, contents.language + '\0');
    std::string cset;
    AppendBE32(cset, contents.codeSet);
    cset.append(28, '\0');
    writer.addChunk(kCset, cset);
    std::string strs;
    for (const CatalogString& entry : contents.strings) {
        const std::string_view text = UpToNul(entry.text);
        std::size_t length = text.size();
        if (length % 4 == 0) {
            ++length;  // FlexCat's count: one more when the length is a multiple of 4
        }
        AppendBE32(strs, entry.id);
        AppendBE32(strs, static_cast<std::uint32_t>(length));
        strs.append(text);
        // At least one NUL, then up to the next multiple of 4.
        std::size_t padded = text.size() + 1;
        padded = (padded + 3) / 4 * 4;
        strs.append(padded - text.size(), '\0');
    }
    writer.addChunk(kStrs, strs);
    return writer.finish();
}

Expected<Catalog, CatalogError> ReadCatalogFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return Unexpected{CatalogError::NotFound};
    }
    const auto size = std::filesystem::file_size(file, error);
    if (error) {
        return Unexpected{CatalogError::NotFound};
    }
    if (size > kMaxCatalogSize) {
        return Unexpected{CatalogError::TooLarge};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return Unexpected{CatalogError::NotFound};
    }
    // Read at most one byte more than allowed, in case the file grew.
    std::string data(kMaxCatalogSize + 1, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        return Unexpected{CatalogError::NotFound};
    }
    return ParseCatalog(data);
}

std::optional<std::string> AmigaLanguageName(std::string_view posixLocale) {
    // Only the language part counts: "pt_BR.UTF-8@euro" -> "pt".
    const std::string_view code = posixLocale.substr(0, posixLocale.find_first_of("_.@"));
    if (code.empty()) {
        return std::nullopt;
    }
    if (code == "C" || code == "POSIX") {
        return std::string("english");
    }
    // ISO 639-1 code and the name of the language in AmigaOS's LOCALE:Languages.
    struct Entry {
        std::string_view code;
        std::string_view amigaName;
    };
    static constexpr std::array<Entry, 18> kLanguages{{
        {"cs", "czech"},
        {"da", "dansk"},
        {"de", "deutsch"},
        {"el", "greek"},
        {"en", "english"},
        {"es", "espa\xF1ol"},
        {"fi", "suomi"},
        {"fr",
         "fran\xE7"
         "ais"},
        {"hu", "magyar"},
        {"it", "italiano"},
        {"nb", "norsk"},
        {"nl", "nederlands"},
        {"nn", "norsk"},
        {"no", "norsk"},
        {"pl", "polski"},
        {"pt", "portugu\xEAs"},
        {"ru", "russian"},
        {"sv", "svenska"},
    }};
    for (const Entry& entry : kLanguages) {
        if (EqualsNoCase(entry.code, code)) {
            return std::string(entry.amigaName);
        }
    }
    return std::nullopt;
}

std::vector<std::string> PreferredLanguages(const EnvironmentLookup& getEnv) {
    const auto nonEmpty = [&](const char* name) -> std::optional<std::string> {
        auto value = getEnv(name);
        if (value && value->empty()) {
            return std::nullopt;
        }
        return value;
    };
    auto locale = nonEmpty("LC_ALL");
    if (!locale) {
        locale = nonEmpty("LC_MESSAGES");
    }
    if (!locale) {
        locale = nonEmpty("LANG");
    }
    if (!locale || *locale == "C" || *locale == "POSIX" || locale->starts_with("C.")) {
        return {"english"};
    }
    std::vector<std::string> languages;
    const auto add = [&](std::string_view posixName) {
        auto name = AmigaLanguageName(posixName);
        if (name && std::find(languages.begin(), languages.end(), *name) == languages.end()) {
            languages.push_back(std::move(*name));
        }
    };
    if (const auto list = nonEmpty("LANGUAGE")) {
        std::string_view rest = *list;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            add(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    add(*locale);
    return languages;
}

std::vector<std::string> PreferredLanguages() {
    return PreferredLanguages([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr) {
            return std::nullopt;
        }
        return std::string(value);
    });
}

std::optional<FoundCatalog> FindCatalog(const std::vector<std::filesystem::path>& baseFolders,
                                        std::string_view name,
                                        const std::vector<std::string>& languages) {
    for (const std::string& language : languages) {
        if (EqualsNoCase(language, "english")) {
            return std::nullopt;
        }
        // A language name is a single folder name; anything else is not looked up.
        if (language.empty() || language == "." || language == ".." ||
            language.find_first_of("/:") != std::string::npos) {
            continue;
        }
        for (const auto& base : baseFolders) {
            auto file = base / "Catalogs" / Latin1ToUtf8(language) / Latin1ToUtf8(name);
            auto catalog = ReadCatalogFile(file);
            if (catalog) {
                return FoundCatalog{std::move(*catalog), std::move(file)};
            }
        }
    }
    return std::nullopt;
}

}  // namespace amiga
