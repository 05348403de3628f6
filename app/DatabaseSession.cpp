#include "app/DatabaseSession.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "app/Startup.h"
#include "core/TerminalText.h"
#include "database/Item.h"
#include "engine/ItemTexts.h"
#include "platform/Latin1.h"
#include "platform/SystemRoot.h"

namespace stovan::app {

namespace {

constexpr int kReturnError = 10;
constexpr int kReturnFailure = 20;

void Write(std::FILE* out, const std::string& latin1) {
    const std::string text = TerminalText(latin1);
    std::fwrite(text.data(), 1, text.size(), out);
}

// The JSON array of every item, written one item at a time so that memory
// stays flat however long the list is. The text is the one a whole array
// dumped with an indent of 2 gives: each object's own dump, one level
// deeper (a JSON text holds line breaks only between its tokens, never
// inside a string, so indenting every line is safe).
void PrintItemsJson(const Engine& engine, std::FILE* out) {
    std::string text;
    bool first = true;
    for (const ApplicationItem& item : engine.items()) {
        const std::string object = ItemJson(item).dump(2);
        text.assign(first ? "[\n  " : ",\n  ");
        for (const char c : object) {
            text += c;
            if (c == '\n') {
                text += "  ";
            }
        }
        std::fwrite(text.data(), 1, text.size(), out);
        first = false;
    }
    const std::string_view end = first ? "[]\n" : "\n]\n";
    std::fwrite(end.data(), 1, end.size(), out);
}

}  // namespace

amiga::Expected<std::unique_ptr<DatabaseSession>, std::string> OpenDatabaseSession(
    const Context& context) {
    if (!context.holdsRunningLock) {
        // The window keeps the root's files open for as long as it runs: a
        // command would wait for them and then fail, so it fails at once.
        auto dos = amiga::OpenProcessRoot(context.root);
        if (!dos) {
            return amiga::Unexpected{dos.error()};
        }
        if (auto running = RootIsRunning(dos->rootFolder())) {
            return amiga::Unexpected{*running};
        }
    }
    auto session = OpenSession(context.root);
    if (session) {
        for (const std::string& problem : (*session)->problems) {
            std::fprintf(stderr, "stovan: %s\n", TerminalText(problem).c_str());
        }
    }
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
        PrintItemsJson(engine, out);
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
        for (std::string& cell : rows.back()) {
            cell = VisibleText(cell);  // a line feed or escape would forge the table
        }
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
    const Status reloaded = ReloadSession(session);
    PrintLog(session.log, 0, out);
    if (!reloaded) {
        return kReturnFailure;
    }
    const bool fatal =
        std::any_of(session.log.entries().begin(), session.log.entries().end(),
                    [](const LogEntry& entry) { return entry.severity == kSeverityFatal; });
    return fatal ? kReturnError : 0;
}

int RunDefault(const Context& context) {
    auto session = OpenDatabaseSession(context);
    if (!session) {
        std::fprintf(stderr, "stovan: %s\n", session.error().c_str());  // host paths
        return kReturnFailure;
    }
    const int result = RunReload(**session, stdout);
    std::fputs("\n", stdout);
    PrintItemList(*(*session)->engine, false, stdout);
    return result;
}

}  // namespace stovan::app
