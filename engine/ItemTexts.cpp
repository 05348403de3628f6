#include "engine/ItemTexts.h"

#include <ctime>
#include <utility>

#include "platform/Latin1.h"

namespace stovan {

namespace {

nlohmann::json Utf8(const std::string& latin1) {
    return amiga::Latin1ToUtf8(latin1);
}

nlohmann::json DateJson(const amiga::DateStamp& date) {
    return {{"days", date.days}, {"minute", date.minute}, {"tick", date.tick}};
}

nlohmann::json VersionJson(const VersionTriple& triple) {
    return {{"version", triple.version}, {"revision", triple.revision}, {"build", triple.build}};
}

}  // namespace

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

std::string DrawerText(const ApplicationItem& item) {
    if (item.HasFlags(INSTALLDIR_FOLLOWS)) {
        return "(as " + item.installDir() + ")";
    }
    if (item.HasFlags(HAS_APPDIRECTORY)) {
        return item.appDirectory();
    }
    return item.installDir();
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

}  // namespace stovan
