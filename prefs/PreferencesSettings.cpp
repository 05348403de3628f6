#include "prefs/PreferencesSettings.h"

#include <charconv>

#include "platform/Latin1.h"
#include "prefs/Validation.h"

namespace stovan {
namespace {

// The entries of the window's cycles, by word index.
struct Choice {
    std::size_t word;
    std::uint32_t value;
    std::string_view label;
};
constexpr Choice kChoices[] = {
    {2, 0, "Do Nothing"}, {2, 1, "Version check"}, {2, 2, "Update"},    {3, 0, "All"},
    {3, 1, "Unknown"},    {3, 2, "Not Installed"}, {3, 3, "Installed"}, {3, 4, "Outdated"},
    {4, 0, "All"},        {4, 1, "Ignore"},        {4, 2, "Notify"},    {4, 3, "Download"},
    {4, 4, "Update"},
};

// Strings the window shows as plain text fields rather than drawer fields.
bool IsPlainText(std::size_t index) {
    return index == 13 || index == 14 || index == 16;  // imageServer, listFormat, finderPaths
}

// A label without its spaces, dashes and underscores, so that "not-installed"
// and "NotInstalled" name the same entry as "Not Installed".
std::string Squeezed(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != ' ' && c != '-' && c != '_') {
            out.push_back(c);
        }
    }
    return out;
}

std::optional<bool> ParseSwitch(std::string_view value) {
    for (std::string_view word : {"on", "yes", "true", "1"}) {
        if (amiga::EqualsNoCase(value, word)) {
            return true;
        }
    }
    for (std::string_view word : {"off", "no", "false", "0"}) {
        if (amiga::EqualsNoCase(value, word)) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseNumber(std::string_view value) {
    std::uint32_t number = 0;
    const char* end = value.data() + value.size();
    auto [next, error] = std::from_chars(value.data(), end, number);
    if (value.empty() || error != std::errc() || next != end) {
        return std::nullopt;
    }
    return number;
}

std::string Quoted(std::string_view text) {
    // Appended, not "'" + text: GCC 12 warns falsely (-Wrestrict) on a literal
    // prepended to a temporary string in optimised builds.
    return std::string(1, '\'').append(text).append(1, '\'');
}

}  // namespace

std::string ApplyPathRule(std::string_view text) {
    if (text.find(':') != std::string_view::npos) {
        return std::string(text);
    }
    return "PROGDIR:" + std::string(text);
}

bool IsInternalPreference(std::string_view name) {
    return amiga::EqualsNoCase(name, "DATABASE_WARNING_SHOWN") ||
           amiga::EqualsNoCase(name, "listFormat");
}

std::vector<PreferenceSetting> ListPreferences(const Preferences& record) {
    std::vector<PreferenceSetting> settings;
    for (const PreferencesWordName& word : PreferencesWordNames()) {
        settings.push_back({std::string(word.name), std::to_string(record.word(word.index))});
    }
    for (const PreferencesFlagName& flag : PreferencesFlagNames()) {
        const std::uint32_t bits = flag.second ? record.flags2 : record.flags;
        settings.push_back({std::string(flag.name), (bits & flag.mask) != 0 ? "on" : "off"});
    }
    const auto names = PreferencesStringNames();
    for (std::size_t index = 0; index < names.size(); ++index) {
        settings.push_back({std::string(names[index]), record.string(index)});
    }
    return settings;
}

amiga::Expected<bool, std::string> SetPreference(Preferences& record, std::string_view name,
                                                 std::string_view value) {
    using Error = amiga::Unexpected<std::string>;
    if (IsInternalPreference(name)) {
        return Error{Quoted(name) + " is kept by Stovan itself and cannot be set"};
    }
    for (const PreferencesFlagName& flag : PreferencesFlagNames()) {
        if (!amiga::EqualsNoCase(name, flag.name)) {
            continue;
        }
        const auto on = ParseSwitch(value);
        if (!on) {
            return Error{Quoted(flag.name) + " takes on or off, not " + Quoted(value)};
        }
        std::uint32_t& bits = flag.second ? record.flags2 : record.flags;
        bits = *on ? (bits | flag.mask) : (bits & ~flag.mask);
        return true;
    }
    for (const PreferencesWordName& word : PreferencesWordNames()) {
        if (!amiga::EqualsNoCase(name, word.name)) {
            continue;
        }
        std::optional<std::uint32_t> number = ParseNumber(value);
        if (!number) {
            for (const Choice& choice : kChoices) {
                if (choice.word == word.index &&
                    amiga::EqualsNoCase(Squeezed(value), Squeezed(choice.label))) {
                    number = choice.value;
                }
            }
        }
        if (!number || *number < word.minimum || *number > word.maximum) {
            return Error{Quoted(word.name) + " takes a number from " +
                         std::to_string(word.minimum) + " to " + std::to_string(word.maximum) +
                         ", not " + Quoted(value)};
        }
        record.word(word.index) = *number;
        return true;
    }
    const auto names = PreferencesStringNames();
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (!amiga::EqualsNoCase(name, names[index])) {
            continue;
        }
        for (char c : value) {
            if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') {
                return Error{Quoted(names[index]) + " cannot hold control characters"};
            }
        }
        if (value.size() > kMaxValidatedPath) {
            return Error{Quoted(names[index]) + " is longer than " +
                         std::to_string(kMaxValidatedPath) + " characters"};
        }
        record.string(index) = IsPlainText(index) ? std::string(value) : ApplyPathRule(value);
        return true;
    }
    return Error{"no setting is called " + Quoted(name)};
}

}  // namespace stovan
