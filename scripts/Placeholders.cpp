#include "scripts/Placeholders.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/MessageIds.h"
#include "platform/AmigaPath.h"
#include "platform/Catalog.h"
#include "platform/DosFiles.h"
#include "platform/Icon.h"
#include "platform/Latin1.h"
#include "platform/LocaleDate.h"
#include "platform/Locks.h"
#include "prefs/Preferences.h"
#include "scripts/Templates.h"

namespace stovan {

namespace {

using Kind = PlaceholderKind;

// Indexes of the preference strings the drawer rows read.
constexpr std::uint32_t kPrefTempDir = 0;
constexpr std::uint32_t kPrefDownloadDir = 1;
constexpr std::uint32_t kPrefBackupDir = 17;

constexpr std::uint32_t Field(ItemField field) {
    return static_cast<std::uint32_t>(field);
}
constexpr std::uint32_t TemplateParameter(ScriptTemplate which) {
    return static_cast<std::uint32_t>(which);
}

constexpr PlaceholderRow kRows[] = {
    {"TEMPDIR}", Kind::PreferenceDrawer, TRAILING_SLASH | TEMP_SUBDIR, kPrefTempDir, {}},
    {"DOWNLOADDIR}", Kind::PreferenceDrawer, TRAILING_SLASH, kPrefDownloadDir, {}},
    {"BACKUPDIR}", Kind::PreferenceDrawer, TRAILING_SLASH, kPrefBackupDir, {}},
    {"VERSION}", Kind::ServerNumber, 0, 0, {}},
    {"REVISION}", Kind::ServerNumber, 0, 1, {}},
    {"0REVISION}", Kind::ServerNumber, 0, 1, {}},
    {"BUILD}", Kind::ServerNumber, 0, 2, {}},
    {"0BUILD}", Kind::ServerNumber, 0, 2, {}},
    {"INSTVERSION}", Kind::InstalledNumber, 0, 0, {}},
    {"INSTREVISION}", Kind::InstalledNumber, 0, 1, {}},
    {"0INSTREVISION}", Kind::InstalledNumber, 0, 1, {}},
    {"INSTBUILD}", Kind::InstalledNumber, 0, 2, {}},
    {"0INSTBUILD}", Kind::InstalledNumber, 0, 2, {}},
    {"NAME}", Kind::ItemText, 0, Field(ItemField::name), {}},
    {"UPPERNAME}", Kind::UpperName, 0, 0, {}},
    {"LOWERNAME}", Kind::LowerName, 0, 0, {}},
    {"DISPLAYNAME}", Kind::DisplayName, 0, 0, {}},
    {"ARCHIVENAME}", Kind::ItemText, EXPAND_AGAIN, Field(ItemField::urlArchive), {}},
    {"ARCHIVE}", Kind::ItemText, EXPAND_AGAIN | FILE_PART, Field(ItemField::urlArchive), {}},
    {"INSTALLDIR}", Kind::InstallDir, TRAILING_SLASH, 0, {}},
    {"APPDIRECTORY}", Kind::ItemText, TRAILING_SLASH, Field(ItemField::appDirectory), {}},
    {"CHECKNAME}", Kind::CheckName, 0, 0, {}},
    {"EXTENSION}", Kind::Extension, 0, 0, {}},
    {"SYSTEMOS}", Kind::OperatingSystem, 0, 0, {}},
    {"SYSOS}", Kind::OperatingSystem, 0, 0, {}},
    {"SYSTEMCPU}", Kind::OperatingSystem, 0, 0, {}},
    {"SYSCPU}", Kind::OperatingSystem, 0, 0, {}},
    {"SOS}", Kind::OperatingSystem, 0, 0, {}},
    {"SYSTEMVERSION}", Kind::SystemVersion, 0, 0, {}},
    {"FPU}", Kind::Fpu, 0, 0, {}},
    {"LANGUAGE}", Kind::Language, 0, 0, {}},
    {"URLSERVER}", Kind::UrlServer, 0, 0, {}},
    {"STOVANICON}", Kind::ProgramFile, 0, 0, {}},
    {"RANDOM}", Kind::Random, 0, 0, {}},
    {"DAY}", Kind::DatePart, 0, 0, "%d"},
    {"MONTH}", Kind::DatePart, 0, 0, "%m"},
    {"YEAR}", Kind::DatePart, 0, 0, "%Y"},
    {"HOUR}", Kind::DatePart, 0, 0, "%H"},
    {"MINUTE}", Kind::DatePart, 0, 0, "%M"},
    {"SECOND}", Kind::DatePart, 0, 0, "%S"},
    {"MUIPREFSPATTERN}", Kind::ExpandedText, 0, 0, kMuiPrefsPattern},
    {"RESTORESCRIPT}", Kind::ExpandedText, 0, 0, kRestoreScriptName},
    {"CHECKAPPICON}", Kind::Template, 0, TemplateParameter(ScriptTemplate::CHECKAPPICON), {}},
    {"COPYDRAWERICON}", Kind::Template, 0, TemplateParameter(ScriptTemplate::COPYDRAWERICON), {}},
    {"COPYALL}", Kind::Template, 0, TemplateParameter(ScriptTemplate::COPYALL), {}},
    {"STANDARDCOPY}", Kind::Template, 0, TemplateParameter(ScriptTemplate::COPYALL), {}},
    {"CREATEWBSTARTUPICON}",
     Kind::Template,
     0,
     TemplateParameter(ScriptTemplate::CREATEWBSTARTUPICON),
     {}},
    {"DELETEWBSTARTUPICON}",
     Kind::Template,
     0,
     TemplateParameter(ScriptTemplate::DELETEWBSTARTUPICON),
     {}},
    {"STANDARDEXTRACT}", Kind::Template, 0, TemplateParameter(ScriptTemplate::STANDARDEXTRACT), {}},
    {"STANDARDBACKUP}", Kind::Template, 0, TemplateParameter(ScriptTemplate::STANDARDBACKUP), {}},
    {"INSTALLMODE}", Kind::InstallMode, 0, 0, {}},
    {"BACKUPMODE}", Kind::BackupMode, 0, 0, {}},
    {"BACKUPNAME}", Kind::BackupName, 0, 0, {}},
};
constexpr std::size_t kRowCount = std::size(kRows);

// The operating-system words of one system, looked up by the exact letters
// between the braces.
struct SystemWord {
    std::string_view key;
    std::string_view amigaOs4;
    std::string_view morphOs;
};
constexpr SystemWord kSystemWords[] = {
    {"SystemOS", "AmigaOS4", "MorphOS"},
    {"SYSOS", "AOS4", "MOS"},
    {"sysos", "aos4", "mos"},
    {"systemos", "amigaos4", "morphos"},
    {"SYSTEMOS", "AMIGAOS4", "MORPHOS"},
    {"SYSCPU", "AOSPPC", "MOSPPC"},
    {"SYSTEMCPU", "AMIGAOS4PPC", "MORPHOSPPC"},
    {"SystemCPU", "AmigaOS4PPC", "MorphosPPC"},
    {"SOS", "OS4", "MOS"},
    {"sos", "os4", "mos"},
};

// The system versions an AmigaOS exec library can stand for (36/37 2.0,
// 38 2.1, 39 3.0, 40/41 3.1, 42/43 3.2, 44 3.5, 45 3.9, 51/52 4.0, 53 4.1).
struct MajorMinor {
    std::uint32_t major;
    std::uint32_t minor;
};
constexpr MajorMinor kAmigaOsVersions[] = {{2, 0}, {2, 1}, {3, 0}, {3, 1}, {3, 2},
                                           {3, 5}, {3, 9}, {4, 0}, {4, 1}};

// A number part of "major.minor"; 0 when missing or too large.
std::uint32_t VersionPart(std::string_view version, std::size_t index) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        const std::size_t dot = version.find('.', start);
        if (dot == std::string_view::npos) {
            return 0;
        }
        start = dot + 1;
    }
    std::uint64_t value = 0;
    for (std::size_t i = start; i < version.size() && version[i] >= '0' && version[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(version[i] - '0');
        if (value > UINT32_MAX) {
            return 0;
        }
    }
    return static_cast<std::uint32_t>(value);
}

std::string Decimal(std::uint32_t number, bool twoDigits) {
    char buffer[16];
    const int length =
        std::snprintf(buffer, sizeof buffer, twoDigits ? "%02" PRIu32 : "%" PRIu32, number);
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string Hex(std::uint32_t number, bool eightDigits) {
    char buffer[16];
    const int length =
        std::snprintf(buffer, sizeof buffer, eightDigits ? "%08" PRIx32 : "%" PRIx32, number);
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::uint32_t VersionField(const VersionTriple& triple, std::uint32_t which) {
    switch (which) {
        case 0:
            return triple.version;
        case 1:
            return triple.revision;
        default:
            return triple.build;
    }
}

// The extension of an archive URL: from the last ".", or from the one
// before it when that starts ".tar" (".tar.gz"). Every "." of the URL
// counts, the host name's too.
std::string_view ArchiveExtension(std::string_view url) {
    const std::size_t last = url.rfind('.');
    if (last == std::string_view::npos) {
        return {};
    }
    if (last > 0) {
        const std::size_t before = url.rfind('.', last - 1);
        if (before != std::string_view::npos &&
            amiga::StartsWithNoCase(url.substr(before), ".tar")) {
            return url.substr(before);
        }
    }
    return url.substr(last);
}

// Thrown inside an expansion that would pass kMaxExpandedText; ExpandText
// turns it into kExpansionTooLong, so it never leaves this file.
struct TextTooLong {};

// The expansion of one ExpandText call, nested expansions included. Each
// row's value is computed once and kept (the counters, the preferences and
// the item do not change during a call), which keeps the work linear however
// often a text names a template; a row met again while its own value is
// being computed gives an empty value, so no table can make it loop.
class Expander {
  public:
    Expander(Engine& engine, const ApplicationItem* item) : engine_(engine), item_(item) {}

    // Appends the expansion of text to out. Throws std::bad_alloc when
    // memory runs out, TextTooLong when out would pass kMaxExpandedText.
    void Expand(std::string_view text, std::string& out) {
        const std::size_t end = text.find('\0');
        if (end != std::string_view::npos) {
            text = text.substr(0, end);  // the text ends at its NUL, as in C
        }
        std::size_t copied = 0;
        std::size_t position = text.find('{');
        while (position != std::string_view::npos) {
            Append(out, text.substr(copied, position - copied));
            const PlaceholderRow* row = Match(text.substr(position + 1));
            if (row == nullptr) {
                // No known name: the "{" stays, the scan goes on after it.
                Append(out, "{");
                copied = position + 1;
            } else {
                const std::string_view afterBrace = text.substr(position + 1);
                Append(out, Value(*row, afterBrace));
                copied = position + 1 + row->name.size();
            }
            position = text.find('{', copied);
        }
        Append(out, text.substr(copied));
    }

    // The first row whose name equals the text at p over the name's length,
    // without regard to case.
    static const PlaceholderRow* Match(std::string_view p) {
        if (p.empty()) {
            return nullptr;
        }
        for (const std::size_t index : Candidates(p.front())) {
            const PlaceholderRow& row = kRows[index];
            if (p.size() >= row.name.size() &&
                amiga::CompareNoCase(p, row.name, row.name.size()) == 0) {
                return &row;
            }
        }
        return nullptr;
    }

    // The value of a matched row; afterBrace is the text at the name.
    std::string_view Value(const PlaceholderRow& row, std::string_view afterBrace) {
        if (row.kind == Kind::OperatingSystem) {
            // The exact letters decide; cheap, so never kept.
            return OperatingSystemWord(engine_.dos().profile().kind,
                                       afterBrace.substr(0, row.name.size() - 1));
        }
        Slot& slot = slots_[static_cast<std::size_t>(&row - kRows)];
        if (slot.state == Slot::Done) {
            return slot.value;
        }
        if (slot.state == Slot::Computing) {
            return {};
        }
        slot.state = Slot::Computing;
        std::string value = Compute(row);
        slot.value = std::move(value);
        slot.state = Slot::Done;
        return slot.value;
    }

  private:
    struct Slot {
        enum State { Empty, Computing, Done } state = Empty;
        std::string value;
    };

    // The rows that can match a text starting with c, in table order (rows
    // are found by their first letter; the table order is kept).
    static std::span<const std::size_t> Candidates(char c) {
        static const auto byLetter = [] {
            std::array<std::vector<std::size_t>, 256> lists;
            for (std::size_t i = 0; i < kRowCount; ++i) {
                const auto upper = static_cast<unsigned char>(kRows[i].name.front());
                const auto lower =
                    static_cast<unsigned char>(amiga::ToLower(kRows[i].name.front()));
                lists[upper].push_back(i);
                if (lower != upper) {
                    lists[lower].push_back(i);
                }
            }
            return lists;
        }();
        return byLetter[static_cast<unsigned char>(c)];
    }

    static void Append(std::string& out, std::string_view text) {
        if (text.size() > kMaxExpandedText - out.size()) {
            throw TextTooLong{};
        }
        out.append(text);
    }

    std::string ExpandNested(std::string_view text) {
        std::string out;
        Expand(text, out);
        return out;
    }

    std::string Compute(const PlaceholderRow& row) {
        std::string value = RawValue(row);
        if (value.size() > kMaxPlaceholderValue) {
            value.resize(kMaxPlaceholderValue);
        }
        // The value buffer holds 65536 bytes with its NUL; AddPart keeps the
        // value as it is when a part does not fit.
        constexpr std::size_t kValueBuffer = kMaxPlaceholderValue + 2;
        if ((row.options & TEMP_SUBDIR) != 0) {
            amiga::AddPart(value, "StovanTemp", kValueBuffer);
            amiga::AddPart(value, Hex(engine_.scratchNumber, true), kValueBuffer);
            CreateDrawerPath(engine_.dos(), value, false);
        }
        // An empty drawer stays empty: "/" alone would name the parent drawer
        // of wherever the script stands.
        if ((row.options & TRAILING_SLASH) != 0 && !value.empty() && value.back() != ':' &&
            value.back() != '/') {
            value += '/';
        }
        return value;
    }

    std::string ItemText(const PlaceholderRow& row) {
        if (item_ == nullptr) {
            return {};
        }
        std::string_view text = item_->Text(static_cast<ItemField>(row.parameter));
        if ((row.options & FILE_PART) != 0) {
            text = amiga::FilePart(text);
        }
        if ((row.options & EXPAND_AGAIN) == 0) {
            return std::string(text);
        }
        // A text that names its own placeholder would never end; it gives
        // nothing instead.
        if (amiga::FindNoCase(text, row.name) != std::string_view::npos) {
            return {};
        }
        return ExpandNested(text);
    }

    std::string InstallDir() {
        if (item_ == nullptr) {
            return {};
        }
        std::string dir = item_->HasFlags(INSTALLDIR_DISABLED) ? "NIL:" : item_->installDir();
        AppType type = item_->type;
        if (item_->HasFlags(INSTALLDIR_FOLLOWS)) {
            const ApplicationItem* leader = engine_.items().FindItem(item_->installDir(), false);
            if (leader != nullptr && !leader->HasFlags(INSTALLDIR_DISABLED) &&
                !leader->HasFlags(INSTALLDIR_FOLLOWS)) {
                dir = leader->installDir();
                type = leader->type;
            }
        }
        if (dir.empty()) {
            dir = DefaultInstallDir(engine_, type);
        }
        return dir;
    }

    std::string CheckName() {
        if (item_ == nullptr) {
            return {};
        }
        const amiga::DosList& dos = engine_.dos();
        auto drawer = amiga::Lock(dos, kVersionDataDrawer);
        if (!drawer) {
            CreateDrawerPath(dos, kVersionDataDrawer, false);
            drawer = amiga::Lock(dos, kVersionDataDrawer);
        }
        if (!drawer) {
            return {};
        }
        std::string path = amiga::NameFromLock(dos, *drawer);
        amiga::AddPart(path, item_->name(), kMaxPlaceholderValue + 2);
        return path;
    }

    // The full path of Stovan's program file. The program always exists on
    // the Amiga; a system root may lack the file, and then the path it
    // would have is given, so that scripts can still test for its icon.
    std::string ProgramFile() {
        const amiga::DosList& dos = engine_.dos();
        auto drawer = amiga::Lock(dos, amiga::PathPart(kProgramFile));
        if (!drawer) {
            return {};
        }
        const std::string_view name = amiga::FilePart(kProgramFile);
        if (auto file = amiga::Lock(dos, name, &*drawer)) {
            return amiga::NameFromLock(dos, *file);
        }
        std::string path = amiga::NameFromLock(dos, *drawer);
        amiga::AddPart(path, name);
        return path;
    }

    std::string Fpu() const {
        // The host cannot ask the managed machine for its AltiVec unit or
        // its exec library; MorphOS 3 and later run with an exec library
        // that reports the unit, on processors that have one.
        const amiga::SystemProfile& profile = engine_.dos().profile();
        if (profile.kind == amiga::SystemKind::MorphOS && VersionPart(profile.version, 0) >= 3) {
            return "ALTIVEC";
        }
        return {};
    }

    std::string BackupMode() const {
        if (item_ != nullptr && item_->type == AppType::STOVAN) {
            return {};  // Stovan never backs itself up
        }
        const std::uint32_t flags2 = engine_.preferences().flags2;
        const bool enabled = (engine_.currentOperation == EngineOperation::Install &&
                              (flags2 & BACKUP_BEFORE_INSTALL) != 0) ||
                             (engine_.currentOperation == EngineOperation::Uninstall &&
                              (flags2 & BACKUP_BEFORE_UNINSTALL) != 0);
        return enabled ? "ENABLED" : "";
    }

    std::string RawValue(const PlaceholderRow& row) {
        switch (row.kind) {
            case Kind::PreferenceDrawer:
                return engine_.preferences().string(row.parameter);
            case Kind::ServerNumber:
            case Kind::InstalledNumber: {
                if (item_ == nullptr) {
                    return {};
                }
                const VersionTriple& triple =
                    row.kind == Kind::ServerNumber ? item_->serverVersion : item_->installedVersion;
                return Decimal(VersionField(triple, row.parameter), row.name.front() == '0');
            }
            case Kind::ItemText:
                return ItemText(row);
            case Kind::UpperName:
                return item_ == nullptr ? std::string() : amiga::ToUpper(item_->name());
            case Kind::LowerName:
                return item_ == nullptr ? std::string() : amiga::ToLower(item_->name());
            case Kind::DisplayName:
                return item_ == nullptr ? std::string() : item_->displayText();
            case Kind::InstallDir:
                return InstallDir();
            case Kind::CheckName:
                return CheckName();
            case Kind::Extension:
                return item_ == nullptr ? std::string()
                                        : std::string(ArchiveExtension(item_->urlArchive()));
            case Kind::OperatingSystem:
                return {};  // answered by Value()
            case Kind::SystemVersion:
                return SystemVersionString(engine_.dos().profile());
            case Kind::Fpu:
                return Fpu();
            case Kind::Language: {
                const std::vector<std::string> languages = amiga::PreferredLanguages();
                return languages.empty() ? std::string() : languages.front();
            }
            case Kind::UrlServer: {
                if (item_ == nullptr || item_->urlServer().empty()) {
                    return {};
                }
                const std::vector<std::string>& servers = item_->urlServer();
                return servers[engine_.serverRotor % servers.size()];
            }
            case Kind::ProgramFile:
                return ProgramFile();
            case Kind::Random:
                return Hex(engine_.scratchNumber, false);
            case Kind::DatePart:
                return item_ == nullptr ? std::string()
                                        : amiga::FormatDate(item_->serverDate, row.text);
            case Kind::ExpandedText:
                return ExpandNested(row.text);
            case Kind::Template:
                return ExpandNested(TemplateText(static_cast<ScriptTemplate>(row.parameter)));
            case Kind::InstallMode:
                return engine_.currentOperation == EngineOperation::Install ? "INSTALL"
                                                                            : "UNINSTALL";
            case Kind::BackupMode:
                return BackupMode();
            case Kind::BackupName:
                if (item_ == nullptr) {
                    return {};
                }
                return ExpandNested(
                    item_->installedVersion.build == 0
                        ? "{BACKUPDIR}{NAME}_v{INSTVERSION}.{0INSTREVISION}.lha"
                        : "{BACKUPDIR}{NAME}_v{INSTVERSION}.{0INSTREVISION}.{0INSTBUILD}.lha");
        }
        return {};
    }

    Engine& engine_;
    const ApplicationItem* item_;
    std::array<Slot, kRowCount> slots_{};
};

}  // namespace

std::span<const PlaceholderRow> PlaceholderTable() {
    return kRows;
}

Result<std::string> ExpandText(Engine& engine, const ApplicationItem* item, std::string_view text) {
    try {
        Expander expander(engine, item);
        std::string out;
        expander.Expand(text, out);
        return out;
    } catch (const TextTooLong&) {
        return Failure(kExpansionTooLong);
    } catch (const std::bad_alloc&) {
        return Failure(msg::NotEnoughMemory);
    } catch (const std::length_error&) {
        return Failure(msg::NotEnoughMemory);
    }
}

Result<const PlaceholderRow*> ResolvePlaceholder(Engine& engine, const ApplicationItem* item,
                                                 std::string_view afterBrace, std::string& value) {
    value.clear();
    const PlaceholderRow* row = Expander::Match(afterBrace);
    if (row == nullptr) {
        return row;
    }
    try {
        Expander expander(engine, item);
        value = expander.Value(*row, afterBrace);
        return row;
    } catch (const TextTooLong&) {
        value.clear();
        return Failure(kExpansionTooLong);
    } catch (const std::bad_alloc&) {
        value.clear();
        return Failure(msg::NotEnoughMemory);
    } catch (const std::length_error&) {
        value.clear();
        return Failure(msg::NotEnoughMemory);
    }
}

std::string_view OperatingSystemWord(amiga::SystemKind kind, std::string_view key) {
    for (const SystemWord& word : kSystemWords) {
        if (word.key == key) {
            return kind == amiga::SystemKind::MorphOS ? word.morphOs : word.amigaOs4;
        }
    }
    return {};
}

std::string SystemVersionString(const amiga::SystemProfile& profile) {
    std::uint32_t major = VersionPart(profile.version, 0);
    std::uint32_t minor = VersionPart(profile.version, 1);
    if (profile.kind == amiga::SystemKind::AmigaOS4) {
        bool known = false;
        for (const MajorMinor& version : kAmigaOsVersions) {
            known = known || (version.major == major && version.minor == minor);
        }
        if (!known) {
            major = 0;
            minor = 0;
        }
    }
    return "$VER: " + std::string(OperatingSystemWord(profile.kind, "SystemOS")) + " " +
           Decimal(major, false) + "." + Decimal(minor, false) + ".0";
}

std::optional<std::string> ApplicationDirectory(Engine& engine, const ApplicationItem& item) {
    const ApplicationItem* owner = &item;
    std::string_view text = "{INSTALLDIR}{NAME}";
    if (item.HasFlags(INSTALLDIR_DISABLED)) {
        if (item.HasFlags(INSTALLDIR_FOLLOWS)) {
            owner = engine.items().FindItem(item.installDir(), false);
            if (owner == nullptr) {
                return std::nullopt;
            }
        } else if (item.HasFlags(HAS_APPDIRECTORY)) {
            text = "{APPDIRECTORY}";
        } else {
            return std::nullopt;
        }
    }
    // A text that cannot be expanded names no drawer.
    Result<std::string> candidate = ExpandText(engine, owner, text);
    if (!candidate || candidate->empty()) {
        return std::nullopt;
    }
    auto info = amiga::Examine(engine.dos(), *candidate);
    if (!info || !info->drawer) {
        return std::nullopt;
    }
    return std::move(*candidate);
}

void CreateDrawerPath(const amiga::DosList& dos, std::string_view path, bool withIcons) {
    // Ignored as the contract says: the step that needs the drawer locks it
    // next and reports a failure then.
    (void)(withIcons ? amiga::CreateDrawerPathWithIcons(dos, path)
                     : amiga::CreateDrawerPath(dos, path));
}

}  // namespace stovan
