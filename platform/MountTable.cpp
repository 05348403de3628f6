#include "platform/MountTable.h"

#include "platform/Latin1.h"

namespace amiga {
namespace {

constexpr std::size_t kMaxDeviceNameLength = 30;

using Failure = Unexpected<std::string>;

Failure LineError(int line, const std::string& text) {
    return Failure{"line " + std::to_string(line) + ": " + text};
}

// Splits one line into words: blanks and tabs separate, double quotes keep
// blanks inside one word, "#" at the start of a word begins a comment.
Expected<std::vector<std::string>, std::string> SplitWords(std::string_view line, int number) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (c == '#') {
            break;
        }
        std::string word;
        if (c == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) {
                return LineError(number, "unclosed quote");
            }
            word = std::string(line.substr(i + 1, close - i - 1));
            i = close + 1;
            if (i < line.size() && line[i] != ' ' && line[i] != '\t') {
                return LineError(number, "a blank must follow a closing quote");
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
                if (line[i] == '"') {
                    return LineError(number, "quote inside a word");
                }
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

// "C:" or "C" -> "C"; empty when the word is not a valid name.
std::string DeviceWord(std::string_view word) {
    if (word.ends_with(':')) {
        word.remove_suffix(1);
    }
    return IsValidDeviceName(word) ? std::string(word) : std::string();
}

bool IsValidVersion(std::string_view version) {
    // "4", "4.1", "3.18": digits, at most one dot, no empty part.
    if (version.empty() || version.size() > 16) {
        return false;
    }
    int dots = 0;
    char previous = '.';
    for (char c : version) {
        if (c == '.') {
            if (previous == '.' || ++dots > 1) {
                return false;
            }
        } else if (c < '0' || c > '9') {
            return false;
        }
        previous = c;
    }
    return previous != '.';
}

std::string Quoted(std::string_view word) {
    const bool plain = !word.empty() && word.find_first_of(" \t#\"") == std::string_view::npos;
    std::string quoted;
    if (plain) {
        return quoted.assign(word);
    }
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a
    // literal prepended to a temporary string in optimised builds.
    return quoted.append(1, '"').append(word).append(1, '"');
}

}  // namespace

std::string_view SystemKindName(SystemKind kind) {
    return kind == SystemKind::MorphOS ? "MorphOS" : "AmigaOS4";
}

bool IsValidDeviceName(std::string_view name) {
    if (name.empty() || name.size() > kMaxDeviceNameLength) {
        return false;
    }
    for (char c : name) {
        if (c == ':' || c == '/' || c == '"' || static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return true;
}

Expected<MountTable, std::string> ParseMountTable(std::string_view text) {
    if (text.size() > kMaxMountTableSize) {
        return Failure{"the mount table is larger than 1 MB"};
    }
    MountTable table;
    bool sawSystem = false;
    int bootLine = 0;
    // Every name in use (volumes, devices, assigns) with the line that took it.
    std::vector<std::pair<std::string, int>> names;
    auto takeName = [&](const std::string& name, int line) -> std::string {
        for (const auto& [used, usedLine] : names) {
            if (EqualsNoCase(used, name)) {
                return "the name '" + name + "' is already used on line " +
                       std::to_string(usedLine);
            }
        }
        names.emplace_back(name, line);
        return {};
    };

    int number = 0;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(from, end - from);
        from = end + 1;
        ++number;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                return LineError(number, "control character in the line");
            }
        }
        auto split = SplitWords(line, number);
        if (!split) {
            return Failure{split.error()};
        }
        const std::vector<std::string>& words = *split;
        if (words.empty()) {
            if (end == text.size()) {
                break;
            }
            continue;
        }
        const std::string& keyword = words[0];
        if (EqualsNoCase(keyword, "system")) {
            if (sawSystem) {
                return LineError(number, "a second 'system' line");
            }
            if (words.size() != 3) {
                return LineError(number,
                                 "'system' needs a kind and a version, e.g. "
                                 "'system AmigaOS4 4.1'");
            }
            if (EqualsNoCase(words[1], "AmigaOS4")) {
                table.profile.kind = SystemKind::AmigaOS4;
            } else if (EqualsNoCase(words[1], "MorphOS")) {
                table.profile.kind = SystemKind::MorphOS;
            } else {
                return LineError(number, "unknown system '" + words[1] + "' (AmigaOS4 or MorphOS)");
            }
            if (!IsValidVersion(words[2])) {
                return LineError(number, "bad system version '" + words[2] + "' (e.g. 4.1)");
            }
            table.profile.version = words[2];
            sawSystem = true;
        } else if (EqualsNoCase(keyword, "volume")) {
            if (words.size() < 3) {
                return LineError(number, "'volume' needs a name and a host folder");
            }
            VolumeEntry volume;
            volume.line = number;
            volume.name = DeviceWord(words[1]);
            if (volume.name.empty()) {
                return LineError(number, "bad volume name '" + words[1] + "'");
            }
            volume.hostFolder = words[2];
            if (volume.hostFolder.empty()) {
                return LineError(number, "empty host folder");
            }
            for (std::size_t i = 3; i < words.size(); ++i) {
                if (EqualsNoCase(words[i], "boot")) {
                    if (bootLine != 0) {
                        return LineError(number, "a second boot volume (the first is on line " +
                                                     std::to_string(bootLine) + ")");
                    }
                    volume.boot = true;
                    bootLine = number;
                } else if (EqualsNoCase(words[i], "device")) {
                    if (i + 1 >= words.size() || !volume.device.empty()) {
                        return LineError(number, "'device' needs one device name");
                    }
                    volume.device = DeviceWord(words[++i]);
                    if (volume.device.empty()) {
                        return LineError(number, "bad device name '" + words[i] + "'");
                    }
                } else {
                    return LineError(
                        number, "unknown volume option '" + words[i] + "' (boot or device NAME)");
                }
            }
            if (auto clash = takeName(volume.name, number); !clash.empty()) {
                return LineError(number, clash);
            }
            if (!volume.device.empty()) {
                if (auto clash = takeName(volume.device, number); !clash.empty()) {
                    return LineError(number, clash);
                }
            }
            table.volumes.push_back(std::move(volume));
        } else if (EqualsNoCase(keyword, "assign")) {
            if (words.size() < 3) {
                return LineError(number, "'assign' needs a name and at least one Amiga path");
            }
            AssignEntry assign;
            assign.line = number;
            assign.name = DeviceWord(words[1]);
            if (assign.name.empty() || !words[1].ends_with(':')) {
                return LineError(number, "bad assign name '" + words[1] + "' (e.g. C:)");
            }
            for (std::size_t i = 2; i < words.size(); ++i) {
                if (words[i].empty() || words[i].find(':') == std::string::npos) {
                    return LineError(number, "assign target '" + words[i] +
                                                 "' is not an absolute Amiga path (NAME:...)");
                }
                assign.targets.push_back(words[i]);
            }
            if (auto clash = takeName(assign.name, number); !clash.empty()) {
                return LineError(number, clash);
            }
            table.assigns.push_back(std::move(assign));
        } else {
            return LineError(number,
                             "unknown keyword '" + keyword + "' (system, volume or assign)");
        }
        if (end == text.size()) {
            break;
        }
    }
    if (table.volumes.empty()) {
        return Failure{"the mount table has no volume"};
    }
    if (bootLine == 0) {
        table.volumes.front().boot = true;
    }
    return table;
}

std::string FormatMountTable(const MountTable& table) {
    std::string out;
    out += "# Stovan system root: volumes, assigns and the managed system.\n";
    out += "# See docs/system-root.md. Relative host folders are relative to this root.\n";
    out += "system ";
    out += SystemKindName(table.profile.kind);
    out += ' ';
    out += table.profile.version;
    out += "\n\n";
    for (const VolumeEntry& volume : table.volumes) {
        out += "volume " + Quoted(volume.name) + ' ' + Quoted(volume.hostFolder);
        if (volume.boot) {
            out += " boot";
        }
        if (!volume.device.empty()) {
            out += " device " + Quoted(volume.device);
        }
        out += '\n';
    }
    out += '\n';
    for (const AssignEntry& assign : table.assigns) {
        out += "assign " + Quoted(assign.name + ":");
        for (const std::string& target : assign.targets) {
            out += ' ' + Quoted(target);
        }
        out += '\n';
    }
    return out;
}

}  // namespace amiga
