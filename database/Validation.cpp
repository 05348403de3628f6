#include "database/Validation.h"

#include <array>
#include <string>

#include "core/MessageIds.h"
#include "database/Item.h"
#include "platform/AmigaPath.h"
#include "platform/Latin1.h"

namespace stovan {

namespace {

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool ContainsArchive(std::string_view text) {
    return Contains(text, "{ARCHIVE}") || Contains(text, "{ARCHIVENAME}");
}

// Only the first entry of a list is searched: the original search stopped
// at the NUL byte that ends it.
std::string_view FirstEntry(const ApplicationItem& item, ItemField field) {
    const auto& entries = item.List(field);
    return entries.empty() ? std::string_view() : std::string_view(entries.front());
}

constexpr std::array<std::string_view, 8> kTemplateNames = {
    "CHECKAPPICON}",        "COPYDRAWERICON}",      "COPYALL}",         "STANDARDCOPY}",
    "CREATEWBSTARTUPICON}", "DELETEWBSTARTUPICON}", "STANDARDEXTRACT}", "STANDARDBACKUP}",
};

// Whether a template name ("{STANDARDCOPY}" without its brace) starts at
// or after position `from` of the text. Every name ends with "}", so only
// the text before each "}" is compared: one pass, no copy.
bool TemplateNameFrom(std::string_view text, std::size_t from) {
    for (std::size_t close = text.find('}', from); close != std::string_view::npos;
         close = text.find('}', close + 1)) {
        const std::string_view upTo = text.substr(from, close + 1 - from);
        for (std::string_view name : kTemplateNames) {
            if (amiga::EndsWithNoCase(upTo, name)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

// A brace outside quotes is allowed when a template name follows it
// somewhere in the rest of the text. That holds for every such brace when
// it holds for the last one, so only the last unquoted brace is checked.
bool HasUnquotedPlaceholder(std::string_view text) {
    std::size_t lastBrace = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '*' && i + 1 < text.size() && text[i + 1] == '"') {
            ++i;  // an escaped quote neither opens nor closes
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == '{' && !quoted) {
            lastBrace = i;
        }
    }
    return lastBrace != std::string_view::npos && !TemplateNameFrom(text, lastBrace + 1);
}

Status ValidateItem(Engine& /*engine*/, ApplicationItem& item) {
    return ValidateItem(item);
}

Status ValidateItem(ApplicationItem& item) {
    const std::string& archive = item.urlArchive();
    if (archive.empty()) {
        return Status(msg::UrlArchiveMissing);
    }
    if (item.urlPattern().empty()) {
        if (Status status = item.SetTextField(ItemField::urlPattern, amiga::FilePart(archive));
            !status) {
            return status;
        }
    }

    const std::string_view installCheck = FirstEntry(item, ItemField::installCheck);
    if (installCheck.empty()) {
        return Status(msg::InstallCheckMissing);
    }
    if (Contains(installCheck, "DIR}/")) {
        return Status(msg::InstallCheckHasDirPath);
    }
    if (ContainsArchive(installCheck)) {
        return Status(msg::InstallCheckHasArchive);
    }
    const std::string_view versionCheck = FirstEntry(item, ItemField::versionCheck);
    if (!versionCheck.empty()) {
        if (Contains(versionCheck, "DIR}/")) {
            return Status(msg::VersionCheckHasDirPath);
        }
        if (ContainsArchive(versionCheck)) {
            return Status(msg::VersionCheckHasArchive);
        }
    }

    if (item.description().empty()) {
        return Status(msg::DescriptionMissing);
    }
    if (item.stovanAuthor().empty()) {
        return Status(msg::StovanAuthorMissing);
    }
    const std::string& name = item.name();
    if (name.empty()) {
        return Status(msg::EmptyStovanName);
    }
    if (name.find_first_of("/:") != std::string::npos) {
        return Status(msg::StovanNameBadChar);
    }

    const std::string& install = item.installScript();
    const std::string& uninstall = item.uninstallScript();
    if (install.empty()) {
        return Status(msg::InstallMissing);
    }
    if (Contains(install, "DIR}/")) {
        return Status(msg::InstallHasDirPath);
    }
    if (!uninstall.empty() && HasUnquotedPlaceholder(install)) {
        return Status(msg::InstallUnquotedBraces);
    }
    // With the drawer disabled there is nowhere to copy to, unless the item
    // follows another item's drawer.
    if ((item.itemFlags() & (INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS)) == INSTALLDIR_DISABLED &&
        Contains(install, "{STANDARDCOPY}")) {
        return Status(msg::InstallMissing);
    }
    if (!uninstall.empty()) {
        if (Contains(uninstall, "DIR}/")) {
            return Status(msg::UninstallHasDirPath);
        }
        if (HasUnquotedPlaceholder(uninstall)) {
            return Status(msg::UninstallUnquotedBraces);
        }
        if (ContainsArchive(uninstall)) {
            return Status(msg::UninstallHasArchive);
        }
    }
    return Status::Ok();
}

}  // namespace stovan
