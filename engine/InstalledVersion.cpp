#include "engine/InstalledVersion.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <new>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "database/Loader.h"
#include "platform/DosFiles.h"
#include "platform/HostFiles.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "platform/ReadArgs.h"
#include "platform/VersionString.h"
#include "scripts/Placeholders.h"
#include "version/VersionText.h"

namespace stovan {

namespace {

constexpr std::array<std::string_view, 8> kSectionNames = {
    "MorphOS", "AmigaOS3", "AmigaOS4", "Aros68k", "ArosX86", "ArosPPC", "MorphOSNG", "ANY",
};
constexpr std::string_view kAnySection = "ANY";

// When the entry names an existing file or drawer, its date.
std::optional<amiga::DateStamp> ExistingDate(const amiga::DosList& dos, std::string_view path) {
    auto info = amiga::Examine(dos, path);
    if (!info) {
        return std::nullopt;
    }
    return info->date;
}

}  // namespace

Result<std::string> ReadFilePart(const amiga::DosList& dos, std::string_view path,
                                 std::size_t limit) {
    auto file = amiga::FileHandle::Open(dos, path, amiga::OpenMode::OldFile);
    if (!file) {
        return Failure(msg::CannotOpen);
    }
    std::string data;
    char buffer[65536];
    while (data.size() < limit) {
        auto got = file->Read(buffer, std::min(sizeof buffer, limit - data.size()));
        if (!got) {
            return Failure(msg::CannotOpen);
        }
        if (*got == 0) {
            break;
        }
        data.append(buffer, *got);
    }
    return data;
}

bool IsSystemSectionName(std::string_view entry) {
    return std::any_of(kSectionNames.begin(), kSectionNames.end(),
                       [entry](std::string_view name) { return amiga::EqualsNoCase(name, entry); });
}

const std::string* NextEntryForSystem(const ApplicationItem& item, ItemField field,
                                      const std::string* after, std::string_view runningSystem) {
    const std::vector<std::string>& entries = item.List(field);
    std::string_view section = kAnySection;
    // Markers passed over on the way to `after` still set the section, so
    // the walk goes on in the section it stopped in.
    bool passing = after != nullptr;
    bool afterMarker = false;
    for (const std::string& entry : entries) {
        if (!afterMarker && IsSystemSectionName(entry)) {
            section = entry;
            afterMarker = true;
            continue;
        }
        afterMarker = false;
        if (passing) {
            passing = &entry != after;
            continue;
        }
        if (amiga::EqualsNoCase(section, runningSystem) ||
            amiga::EqualsNoCase(section, kAnySection)) {
            return &entry;
        }
    }
    return nullptr;
}

std::string VersionOutputFileName(const amiga::DosList& dos) {
    // The process id in the high half and a counter in the low half keep
    // the names of concurrent requests apart, across Stovan processes too;
    // a name that exists (a request of another run) is passed over.
    static std::atomic<std::uint32_t> counter{0};
    const std::uint32_t process = static_cast<std::uint32_t>(::getpid()) << 16;
    for (int attempt = 0; attempt < 65536; ++attempt) {
        const std::uint32_t number = process ^ (counter++ & 0xffffu);
        char name[40];
        std::snprintf(name, sizeof name, "T:dosgetversion%08x.tmp", number);
        if (!amiga::Lock(dos, name).ok()) {
            return name;
        }
    }
    return "T:dosgetversion" + std::to_string(::getpid()) + ".tmp";
}

Status GetVersionFromCommand(Engine& engine, EventLoop& loop, std::string_view path,
                             std::string_view drawer, bool res, bool file, VersionTriple& triple) {
    triple = {};
    if (!drawer.empty()) {
        auto lock = amiga::Lock(engine.dos(), drawer);
        if (!lock || !lock->drawer) {
            return Status(msg::CannotEnterDrawer);
        }
    }
    try {
        ShellCommand command;
        command.commandLine = "version FULL NAME " + amiga::QuoteArgument(path, true);
        if (res) {
            command.commandLine += " RES";
        }
        if (file) {
            command.commandLine += " FILE";
        }
        command.commandLine += " *>NIL:";
        command.currentDrawer = std::string(drawer);
        command.output = VersionOutputFileName(engine.dos());
        command.stack = kVersionStack;

        std::int32_t rc = kCommandNotRun;
        const Status result = loop.RunCommand(command, rc);
        if (result.ok() && rc == 0) {
            if (auto output = ReadFilePart(engine.dos(), command.output, kMaxVersionOutput)) {
                triple = ScanVersionOutput(*output);
            }
        }
        // A leftover output file in T:; the next call picks a name not taken.
        (void)amiga::DeleteFile(engine.dos(), command.output);
        return result;
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

std::optional<VersionTriple> VersionOfPlainFile(const amiga::DosList& dos, std::string_view path,
                                                std::string_view drawer) {
    auto current = amiga::Lock(dos, drawer);
    if (!current || !current->drawer) {
        return std::nullopt;
    }
    auto file = amiga::Lock(dos, path, &*current);
    if (!file || file->drawer) {
        return std::nullopt;
    }
    auto data = amiga::HostReadFile(file->hostPath, kMaxVersionScan, true);
    if (!data) {
        return std::nullopt;
    }
    // The command prints the whole string and a line feed; its first line
    // is what GetVersionFromCommand reads.
    if (auto found = amiga::FindVersionString(*data)) {
        return ScanVersionOutput(found->full + "\n");
    }
    return VersionTriple{};
}

Status GetVersionFromFile(Engine& engine, EventLoop& loop, std::string_view path,
                          VersionTriple& triple) {
    // Starting a worker costs far more than reading the file: the answer
    // is worked out here whenever that gives exactly the command's.
    std::optional<VersionTriple> known;
    if (engine.versionInProcess) {
        try {
            known = VersionOfPlainFile(engine.dos(), path, "SYS:");
        } catch (const std::bad_alloc&) {
            return Status(msg::NotEnoughMemory);
        }
    }
    Status result;
    if (known) {
        triple = *known;
    } else {
        result = GetVersionFromCommand(engine, loop, path, "SYS:", false, true, triple);
    }
    if (result.ok() && !triple.known()) {
        if (auto text = ReadFilePart(engine.dos(), path, kMaxVersionScan)) {
            triple = ScanFileVersionText(*text);
        }
    }
    return result;
}

Status CheckInstalledVersion(Engine& engine, EventLoop& loop, ApplicationItem& item) {
    const ItemField field = item.versionCheck().empty() || item.versionCheck().front().empty()
                                ? ItemField::installCheck
                                : ItemField::versionCheck;
    const std::string_view system = RunningSystemName(engine.dos().profile().kind);
    for (const std::string* entry = NextEntryForSystem(item, field, nullptr, system);
         entry != nullptr; entry = NextEntryForSystem(item, field, entry, system)) {
        auto path = ExpandText(engine, &item, *entry);
        if (!path) {
            return Status(path.error());
        }
        if (auto literal = LiteralVersionString(*path)) {
            item.installedVersion = *literal;
            return Status::Ok();
        }
        if (auto date = ExistingDate(engine.dos(), *path)) {
            item.installedDate = *date;
            const Status result = GetVersionFromFile(engine, loop, *path, item.installedVersion);
            if (!result.ok()) {
                return result;
            }
        }
    }
    return Status::Ok();
}

Status DetermineInstalledVersion(Engine& engine, EventLoop& loop, ApplicationItem& item) {
    item.state = ItemState::UNKNOWN;
    item.installedVersion = {};
    item.installedDate = {};
    engine.log().AddLogEntry(msg::CheckingInstalledVersion, item.displayText());
    item.state = ItemState::NOTINSTALLED;
    const std::string_view system = RunningSystemName(engine.dos().profile().kind);
    bool installed = false;
    for (const std::string* entry =
             NextEntryForSystem(item, ItemField::installCheck, nullptr, system);
         entry != nullptr && !installed;
         entry = NextEntryForSystem(item, ItemField::installCheck, entry, system)) {
        auto path = ExpandText(engine, &item, *entry);
        if (!path) {
            break;  // counts as not installed
        }
        if (auto date = ExistingDate(engine.dos(), *path)) {
            item.installedDate = *date;
            installed = true;
        }
    }
    if (!installed) {
        return Status::Ok();
    }
    item.state = ItemState::INSTALLED;
    if (item.mode == ItemMode::IGNORE) {
        return Status::Ok();
    }
    const Status result = CheckInstalledVersion(engine, loop, item);
    if (result.message() == msg::ProcessingAborted) {
        // An interrupted Version command learned nothing: a date without
        // its version would be kept (in the version cache, too) as an
        // installed 0.0, which a later Quick check believes. The item is
        // left unknown, so the next check asks again. (A self-update ends
        // every wait this way, right after the new program was copied.)
        item.installedVersion = {};
        item.installedDate = {};
        item.state = ItemState::UNKNOWN;
    }
    return result;
}

}  // namespace stovan
