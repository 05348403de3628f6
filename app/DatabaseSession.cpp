#include "app/DatabaseSession.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>
#include <vector>

#include "app/InstallCommands.h"
#include "database/ConfigFiles.h"
#include "database/Item.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "database/SampleDatabase.h"
#include "platform/DateStamp.h"
#include "platform/Icon.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "platform/SystemRoot.h"
#include "prefs/SystemPreferences.h"
#include "scripts/Placeholders.h"

namespace stovan::app {

namespace {

void Write(std::FILE* out, const std::string& latin1) {
    const std::string text = amiga::Latin1ToUtf8(latin1);
    std::fwrite(text.data(), 1, text.size(), out);
}

std::string DateText(const amiga::DateStamp& date) {
    if (date.days == 0 && date.minute == 0 && date.tick == 0) {
        return "-";
    }
    // Days since 1 January 1978, which is day 2922 of the Unix epoch.
    const std::time_t seconds = (static_cast<std::time_t>(date.days) + 2922) * 86400;
    std::tm parts{};
    if (gmtime_r(&seconds, &parts) == nullptr) {
        return "-";
    }
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &parts);
    return buffer;
}

std::string VersionText(const VersionTriple& triple, const amiga::DateStamp& date) {
    if (!triple.known() && date.days == 0) {
        return "-";
    }
    std::string text = FormatVersionTriple(triple);
    if (date.days != 0) {
        text += " (" + DateText(date) + ")";
    }
    return text;
}

// The install drawer column: the user's or entry's drawer, the item whose
// drawer this one uses, or nothing.
std::string DrawerText(const ApplicationItem& item) {
    if (item.HasFlags(INSTALLDIR_FOLLOWS)) {
        return "(as " + item.installDir() + ")";
    }
    if (item.HasFlags(HAS_APPDIRECTORY)) {
        return item.appDirectory();
    }
    return item.installDir();
}

nlohmann::json Utf8(const std::string& latin1) {
    return amiga::Latin1ToUtf8(latin1);
}

nlohmann::json DateJson(const amiga::DateStamp& date) {
    return {{"days", date.days}, {"minute", date.minute}, {"tick", date.tick}};
}

nlohmann::json VersionJson(const VersionTriple& triple) {
    return {{"version", triple.version}, {"revision", triple.revision}, {"build", triple.build}};
}

nlohmann::json ItemJson(const ApplicationItem& item) {
    nlohmann::json object;
    object["entryDate"] = DateJson(item.entryDate);
    object["itemFlags"] = item.itemFlags();
    object["mode"] = std::string(ModeName(item.mode));
    object["state"] = std::string(StateWord(item.state));
    object["savedMode"] =
        item.savedMode ? nlohmann::json(std::string(ModeName(*item.savedMode))) : nlohmann::json();
    object["type"] = std::string(TypeWord(item.type));
    object["archiveSize"] = item.archiveSize;
    object["installedVersion"] = VersionJson(item.installedVersion);
    object["serverVersion"] = VersionJson(item.serverVersion);
    object["installedDate"] = DateJson(item.installedDate);
    object["serverDate"] = DateJson(item.serverDate);
    for (std::size_t i = 0; i < kItemFieldCount; ++i) {
        const auto field = static_cast<ItemField>(i);
        const std::string_view name = FieldName(field);
        if (name.empty()) {
            continue;  // the reserved field
        }
        if (KindOf(field) == FieldKind::text) {
            object[std::string(name)] = Utf8(item.Text(field));
        } else {
            nlohmann::json entries = nlohmann::json::array();
            for (const std::string& entry : item.List(field)) {
                entries.push_back(Utf8(entry));
            }
            object[std::string(name)] = std::move(entries);
        }
    }
    return object;
}

}  // namespace

DatabaseSession::~DatabaseSession() {
    if (engine) {
        (void)SaveVersionCache(*engine, kVersionCacheFileName);
    }
}

std::string SampleDatabaseFolder() {
    const std::string folder = RunningProgramFolder();
    if (folder.empty()) {
        return std::string();
    }
    std::error_code error;
    const std::filesystem::path base = std::filesystem::path(folder).parent_path();
    for (const std::filesystem::path& candidate :
         {base / "sample/Database/Internal", base / "share/stovan/sample/Database/Internal"}) {
        if (std::filesystem::is_directory(candidate, error)) {
            return candidate.string();
        }
    }
    return std::string();
}

amiga::Expected<std::unique_ptr<DatabaseSession>, std::string> OpenDatabaseSession(
    const Context& context) {
    auto dos = amiga::OpenProcessRoot(context.root);
    if (!dos) {
        return amiga::Unexpected{dos.error()};
    }
    auto session = std::make_unique<DatabaseSession>();
    session->dos = std::move(*dos);
    if (const std::string sample = SampleDatabaseFolder(); !sample.empty()) {
        (void)SeedSampleDatabase(session->dos, sample);
    }
    // The scripts Stovan runs call the companion commands from its command drawer.
    if (const std::string problem = InstallCompanionPrograms(session->dos, RunningProgramFolder());
        !problem.empty()) {
        std::fprintf(stderr, "stovan: %s\n", amiga::Latin1ToUtf8(problem).c_str());
    }
    // A missing or broken file leaves the defaults of the root's system.
    (void)LoadLivePreferences(session->preferences, session->dos);
    session->engine = std::make_unique<Engine>(session->dos, session->preferences, session->log);
    // The operations of the layers above the database that loading uses.
    session->engine->normaliseInstallDir = [](Engine& engine, ApplicationItem& item) {
        (void)NormaliseInstallDir(engine, item);
    };
    session->engine->drawerCreated = [](const amiga::DosList& dos, const std::string& drawer) {
        if (auto lock = amiga::Lock(dos, drawer)) {
            (void)amiga::WriteDefaultDrawerIcon(lock->hostPath);
        }
    };
    return session;
}

void PrintLog(const Log& log, std::size_t first, std::FILE* out) {
    const auto& entries = log.entries();
    for (std::size_t i = first; i < entries.size(); ++i) {
        const LogEntry& entry = entries[i];
        std::string line;
        if (entry.severity == kSeverityFatal) {
            line = "FATAL";
        } else if (entry.severity == kSeverityWarning) {
            line = "WARNING";
        }
        line += '\t';
        for (char c : entry.text) {
            if (c == '\n') {
                line += "\\n";
            } else {
                line += c;
            }
        }
        line += '\n';
        Write(out, line);
    }
}

void PrintItemList(const Engine& engine, bool json, std::FILE* out) {
    if (json) {
        nlohmann::json array = nlohmann::json::array();
        for (const ApplicationItem& item : engine.items()) {
            array.push_back(ItemJson(item));
        }
        const std::string text = array.dump(2) + "\n";
        std::fwrite(text.data(), 1, text.size(), out);
        return;
    }
    std::vector<std::vector<std::string>> rows;
    rows.push_back(
        {"Type", "Name", "Display name", "Mode", "State", "Installed", "Server", "Install drawer"});
    for (const ApplicationItem& item : engine.items()) {
        rows.push_back({std::string(TypeWord(item.type)), item.key(), item.displayName(),
                        std::string(ModeName(item.mode)), std::string(StateWord(item.state)),
                        VersionText(item.installedVersion, item.installedDate),
                        VersionText(item.serverVersion, item.serverDate), DrawerText(item)});
    }
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line += std::string(widths[i] - row[i].size() + 2, ' ');
            }
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        Write(out, line + "\n");
    }
}

int RunReload(DatabaseSession& session, std::FILE* out) {
    LaunchReload(*session.engine);
    ReloadDatabase(*session.engine);
    PrintLog(session.log, 0, out);
    const bool fatal =
        std::any_of(session.log.entries().begin(), session.log.entries().end(),
                    [](const LogEntry& entry) { return entry.severity == kSeverityFatal; });
    return fatal ? 10 : 0;
}

int RunDefault(const Context& context) {
    auto session = OpenDatabaseSession(context);
    if (!session) {
        std::fprintf(stderr, "stovan: %s\n", session.error().c_str());  // host paths
        return 20;
    }
    const int result = RunReload(**session, stdout);
    std::fputs("\n", stdout);
    PrintItemList(*(*session)->engine, false, stdout);
    return result;
}

}  // namespace stovan::app
