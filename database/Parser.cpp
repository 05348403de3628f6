#include "database/Parser.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "database/Engine.h"
#include "database/InstallDir.h"
#include "database/Validation.h"
#include "platform/DosFiles.h"
#include "platform/Latin1.h"
#include "platform/ReadArgs.h"
#include "version/Date.h"
#include "version/Version.h"

namespace stovan {

namespace {

// The commands, in the order the reader tries them. Each is recognised by
// its keyword at the start of the line; its template then reads the line.
enum class Command : std::uint8_t {
    ITEM,
    DATE,
    ARCHIVESIZE,
    APPTYPE,
    STOVANAUTHOR,
    URLSERVER,
    URLWEBPAGE,
    URLREADME,
    URLARCHIVE,
    URLPATTERN,
    APPAUTHOR,
    APPWEBPAGE,
    APPPICTURE,
    APPDIRECTORY,
    APPCHANGELOG,
    INSTALLDIR,
    INSTALLCHECK,
    VERSIONCHECK,
    DEPENDENCIES,
    INSTALL,  // the four block commands, kinds 1 to 4
    UNINSTALL,
    DESCRIPTION,
    TEXTFILE,
};

struct CommandSpec {
    Command command;
    std::string_view keyword;
    std::string_view argumentTemplate;
};

constexpr std::array<CommandSpec, 23> kCommands = {{
    {Command::ITEM, "ITEM",
     "ITEM/A/K,DUPENAME/K,DISPLAYNAME/K,MODE/K,VERSION/K,DATE/K,SVERSION/K,SDATE/K,STATE/K,"
     "UNINSTALLWARN/S,RELAUNCH/S,NOCACHE/S,RESCAN/S,FORCEDOWNLOAD/S"},
    {Command::DATE, "DATE", "DATE/K/A"},
    {Command::ARCHIVESIZE, "ARCHIVESIZE", "ARCHIVESIZE/K/N/A"},
    {Command::APPTYPE, "APPTYPE", "APPTYPE/K/A"},
    {Command::STOVANAUTHOR, "STOVANAUTHOR", "STOVANAUTHOR/K/A"},
    {Command::URLSERVER, "URLSERVER", "URLSERVER/K/A/M"},
    {Command::URLWEBPAGE, "URLWEBPAGE", "URLWEBPAGE/K/A"},
    {Command::URLREADME, "URLREADME", "URLREADME/K/A"},
    {Command::URLARCHIVE, "URLARCHIVE", "URLARCHIVE/K/A"},
    {Command::URLPATTERN, "URLPATTERN", "URLPATTERN/K/A"},
    {Command::APPAUTHOR, "APPAUTHOR", "APPAUTHOR/K/A"},
    {Command::APPWEBPAGE, "APPWEBPAGE", "APPWEBPAGE/K/A"},
    {Command::APPPICTURE, "APPPICTURE", "APPPICTURE/K/A"},
    {Command::APPDIRECTORY, "APPDIRECTORY", "APPDIRECTORY/K/A"},
    {Command::APPCHANGELOG, "APPCHANGELOG", "APPCHANGELOG/K/A/M"},
    {Command::INSTALLDIR, "INSTALLDIR", "INSTALLDIR/S,INSTALLDIR,DISABLED/S,DEPENDENCY/K"},
    {Command::INSTALLCHECK, "INSTALLCHECK", "INSTALLCHECK/K/A/M"},
    {Command::VERSIONCHECK, "VERSIONCHECK", "VERSIONCHECK/K/A/M"},
    {Command::DEPENDENCIES, "DEPENDENCIES", "DEPENDENCIES/K/A/M"},
    {Command::INSTALL, "INSTALL", "INSTALL/S,END/S"},
    {Command::UNINSTALL, "UNINSTALL", "UNINSTALL/S,END/S"},
    {Command::DESCRIPTION, "DESCRIPTION", "DESCRIPTION/S,END/S,LANGUAGE"},
    {Command::TEXTFILE, "TEXTFILE", "TEXTFILE/S,END/S,FILENAME"},
}};

// Where the items of the ITEM, INSTALLDIR and block templates stand, so
// that their values are taken by position rather than looked up by name on
// every line. PositionsFit checks them against the names when the
// templates are parsed.
namespace at {
constexpr std::size_t ITEM = 0;
constexpr std::size_t DUPENAME = 1;
constexpr std::size_t DISPLAYNAME = 2;
constexpr std::size_t MODE = 3;
constexpr std::size_t VERSION = 4;
constexpr std::size_t DATE = 5;
constexpr std::size_t SVERSION = 6;
constexpr std::size_t SDATE = 7;
constexpr std::size_t STATE = 8;
constexpr std::size_t UNINSTALLWARN = 9;
constexpr std::size_t FORCEDOWNLOAD = 13;
constexpr std::size_t INSTALLDIR_DRAWER = 1;
constexpr std::size_t DISABLED = 2;
constexpr std::size_t DEPENDENCY = 3;
constexpr std::size_t END = 1;
constexpr std::size_t LANGUAGE = 2;  // DESCRIPTION
constexpr std::size_t FILENAME = 2;  // TEXTFILE
}  // namespace at

// Whether the item positions the reader uses (namespace at) name what they
// should in the command's template.
bool PositionsFit(Command command, const amiga::Template& parsed) {
    const auto fits =
        [&parsed](std::initializer_list<std::pair<std::string_view, std::size_t>> names) {
            return std::all_of(names.begin(), names.end(), [&parsed](const auto& name) {
                return parsed.Find(name.first) == name.second;
            });
        };
    switch (command) {
        case Command::ITEM:
            return fits({{"ITEM", at::ITEM},
                         {"DUPENAME", at::DUPENAME},
                         {"DISPLAYNAME", at::DISPLAYNAME},
                         {"MODE", at::MODE},
                         {"VERSION", at::VERSION},
                         {"DATE", at::DATE},
                         {"SVERSION", at::SVERSION},
                         {"SDATE", at::SDATE},
                         {"STATE", at::STATE},
                         {"UNINSTALLWARN", at::UNINSTALLWARN},
                         {"FORCEDOWNLOAD", at::FORCEDOWNLOAD}});
        case Command::INSTALLDIR:
            return parsed.Size() == 4 &&
                   parsed.Item(at::INSTALLDIR_DRAWER).Name() == "INSTALLDIR" &&
                   fits({{"DISABLED", at::DISABLED}, {"DEPENDENCY", at::DEPENDENCY}});
        case Command::INSTALL:
        case Command::UNINSTALL:
            return fits({{"END", at::END}});
        case Command::DESCRIPTION:
            return fits({{"END", at::END}, {"LANGUAGE", at::LANGUAGE}});
        case Command::TEXTFILE:
            return fits({{"END", at::END}, {"FILENAME", at::FILENAME}});
        default:
            return true;
    }
}

// The templates, parsed once. They are fixed texts, so a failure here (or
// a position above that does not fit) is a programming error that the
// tests catch; such a command then never matches.
const std::array<std::optional<amiga::Template>, kCommands.size()>& Templates() {
    static const auto templates = [] {
        std::array<std::optional<amiga::Template>, kCommands.size()> parsed;
        for (std::size_t i = 0; i < kCommands.size(); ++i) {
            auto result = amiga::ParseTemplate(kCommands[i].argumentTemplate);
            if (result && PositionsFit(kCommands[i].command, *result)) {
                parsed[i] = std::move(*result);
            }
        }
        return parsed;
    }();
    return templates;
}

// The command whose keyword starts the text, followed by a blank, a tab or
// the end. "DATE=..." names no command.
std::optional<std::size_t> FindCommand(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') {
        ++end;
    }
    const std::string_view word = text.substr(0, end);
    for (std::size_t i = 0; i < kCommands.size(); ++i) {
        const std::string_view keyword = kCommands[i].keyword;
        if (keyword.size() == word.size() && amiga::ToUpper(word[0]) == keyword[0] &&
            amiga::EqualsNoCase(word, keyword)) {
            return i;
        }
    }
    return std::nullopt;
}

// The block kinds: 0 none, 1 INSTALL, 2 UNINSTALL, 3 DESCRIPTION, 4 TEXTFILE.
int BlockKind(Command command) {
    switch (command) {
        case Command::INSTALL:
            return 1;
        case Command::UNINSTALL:
            return 2;
        case Command::DESCRIPTION:
            return 3;
        case Command::TEXTFILE:
            return 4;
        default:
            return 0;
    }
}

// Three numbers separated by "." into a date, read like a version triple.
amiga::DateStamp DateFromTriple(std::string_view text) {
    const VersionTriple triple = ParseVersionTriple(text);
    return amiga::DateStamp{static_cast<std::int32_t>(triple.version),
                            static_cast<std::int32_t>(triple.revision),
                            static_cast<std::int32_t>(triple.build)};
}

class FileParser {
  public:
    FileParser(Engine& engine, std::string_view fileName, ParseMode mode)
        : engine_(engine), fileName_(fileName), mode_(mode) {}

    void Announce() {
        if (amiga::EqualsNoCase(fileName_, "config.db")) {
            engine_.log().AddLogEntry(msg::LoadingConfiguration);
        } else {
            engine_.log().AddLogEntry(msg::LoadingDatabase, fileName_);
        }
    }

    // The file could not be opened or read.
    void ReadFailed(amiga::DosError error) {
        systemError_ = error;
        Finish();
    }

    void Parse(std::string_view text) {
        try {
            // The buffer the whole file is parsed in; block texts are copied
            // out of it at their END lines.
            // Line ends as any editor writes them: LF, CR-LF, or CR alone
            // (an editor of the classic Macintosh); each ends one line.
            buffer_.reserve(text.size());
            std::size_t from = 0;
            for (std::size_t cr = text.find('\r'); cr != std::string_view::npos;
                 cr = text.find('\r', from)) {
                buffer_.append(text, from, cr - from);
                if (cr + 1 == text.size() || text[cr + 1] != '\n') {
                    buffer_.push_back('\n');
                }
                from = cr + 1;
            }
            buffer_.append(text, from);
        } catch (const std::bad_alloc&) {
            error_ = msg::NotEnoughMemory;
        }
        line_ = 0;
        std::size_t position = 0;
        while (true) {
            if (error_ != 0 && !ReportError()) {
                break;
            }
            if (position >= buffer_.size()) {
                break;
            }
            std::size_t end = buffer_.find('\n', position);
            if (end == std::string::npos) {
                end = buffer_.size();
            }
            ++line_;
            try {
                HandleLine(position, end);
            } catch (const std::bad_alloc&) {
                error_ = msg::NotEnoughMemory;
            }
            position = end + 1;
        }
        Finish();
    }

    ParseTotals totals() const { return totals_; }

  private:
    // Logs and counts the current error, dropping the current entry. False
    // when reading must stop (out of memory).
    bool ReportError() {
        ++totals_.errors;
        DropCurrentEntry();
        engine_.log().AddLogEntry(msg::ParseWarning, fileName_, line_, GetString(error_));
        const bool stop = error_ == msg::NotEnoughMemory;
        totals_.outOfMemory = totals_.outOfMemory || stop;
        error_ = 0;
        return !stop;
    }

    // Ends the entry being read. A database entry is disposed of and counted
    // as rejected; in configuration mode the item is a database entry that
    // the record only changes: the broken record ends, the item stays.
    void DropCurrentEntry() {
        if (current_ == nullptr) {
            return;
        }
        if (mode_ == ParseMode::Database) {
            engine_.items().DisposeItem(*current_);
            ++totals_.rejected;
        }
        current_ = nullptr;
    }

    void Fail(MessageId message) {
        if (error_ == 0) {
            error_ = message;
        }
    }
    void Check(Status status) {
        if (!status) {
            Fail(status.message());
        }
    }

    // A line of Config.db or the version cache goes through HandleLine; the
    // lines of a record whose item is not loaded now are also kept as they
    // are, so the next save writes them back.
    void HandleLine(std::size_t begin, std::size_t end) {
        lineBegin_ = begin;
        lineEnd_ = end;
        HandleAnyLine(begin, end);
        if (carrying_) {
            Keep(begin, end);
        }
    }

    void Keep(std::size_t begin, std::size_t end) {
        engine_.keptConfiguration.append(buffer_, begin, end - begin);
        engine_.keptConfiguration.push_back('\n');
    }

    void HandleAnyLine(std::size_t begin, std::size_t end) {
        if (mode_ == ParseMode::Configuration &&
            std::find(buffer_.begin() + static_cast<std::ptrdiff_t>(begin),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(end),
                      '\0') != buffer_.begin() + static_cast<std::ptrdiff_t>(end)) {
            // Stovan writes no zero byte: the file is damaged (or UTF-16).
            Fail(msg::UnknownCommand);
            return;
        }
        std::size_t first = begin;
        while (first < end && (buffer_[first] == ' ' || buffer_[first] == '\t')) {
            ++first;
        }
        if (first == end || buffer_[first] != '#') {
            // Stovan's own files hold no block text: such a line is damage.
            if (mode_ == ParseMode::Configuration && first != end && buffer_[first] != ';') {
                Fail(msg::UnknownCommand);
            }
            return;  // empty, comment (";") or block text
        }
        while (first < end &&
               (buffer_[first] == '#' || buffer_[first] == ' ' || buffer_[first] == '\t')) {
            ++first;
        }
        const std::string_view text(buffer_.data() + first, end - first);
        const std::optional<std::size_t> index = FindCommand(text);

        if (index && kCommands[*index].command == Command::ITEM && Templates()[*index]) {
            amiga::Arguments& arguments = arguments_[*index];
            const amiga::DosError error = amiga::ReadArgs(*Templates()[*index], text, arguments);
            if (error == 0) {
                HandleItem(arguments);
                return;
            }
            // A broken ITEM line opens nothing; inside an entry it is a
            // misplaced command like any other.
            systemError_ = error;
            if (current_ != nullptr || mode_ == ParseMode::Configuration) {
                Fail(msg::UnknownCommand);
            }
            return;
        }
        if (current_ == nullptr) {
            return;  // outside an entry: ignored without message
        }
        if (!index) {
            Fail(msg::UnknownCommand);
            return;
        }
        const std::optional<amiga::Template>& argumentTemplate = Templates()[*index];
        if (!argumentTemplate) {
            Fail(msg::UnknownCommand);
            return;
        }
        amiga::Arguments& arguments = arguments_[*index];
        if (const amiga::DosError error = amiga::ReadArgs(*argumentTemplate, text, arguments);
            error != 0) {
            systemError_ = error;
            Fail(msg::UnknownCommand);
            return;
        }
        const Command command = kCommands[*index].command;
        if (BlockKind(command) != 0) {
            HandleBlock(command, arguments, begin, end);
        } else {
            HandleCommand(command, arguments);
        }
    }

    void HandleItem(const amiga::Arguments& arguments) {
        const std::string& key = arguments.Text(at::ITEM);
        if (amiga::EqualsNoCase(key, "END")) {
            if (carrying_) {
                Keep(lineBegin_, lineEnd_);
                carrying_ = false;
            }
            EndEntry();
            return;
        }
        if (current_ != nullptr) {
            Fail(msg::MissingItemEnd);  // and this line opens nothing
            return;
        }
        const std::string& dupeName = arguments.Text(at::DUPENAME);
        ItemList& items = engine_.items();
        if (mode_ == ParseMode::Configuration) {
            if (carrying_) {
                engine_.keptConfiguration += "## ITEM END\n";  // a kept record left open
                carrying_ = false;
            }
            current_ =
                dupeName.empty() ? items.FindItem(key, false) : items.FindItem(dupeName, true);
            if (current_ == nullptr) {
                // The item is not in the list now (its entry was rejected,
                // or its database is away): the record is kept for the
                // next save, so the user's choices come back with the item.
                carrying_ = amiga::EqualsNoCase(fileName_, kConfigurationFileName);
                return;
            }
        } else {
            if (!dupeName.empty()) {
                // Keys stay unique: a second entry under the same DUPENAME
                // would shadow the first in every look-up (configuration,
                // dependencies).
                if (items.FindItem(dupeName, true) != nullptr) {
                    Fail(msg::DuplicateItem);
                    return;
                }
            } else if (ApplicationItem* existing = items.FindItem(key, false)) {
                // A later definition of a database package replaces the
                // earlier one; any other duplicate is refused.
                if (existing->type == AppType::STOVAN &&
                    !amiga::EqualsNoCase(existing->name(), "Stovan")) {
                    items.DisposeItem(*existing);
                } else {
                    Fail(msg::DuplicateItem);
                    return;
                }
            }
            auto created = items.AppendNewItem(key);
            if (!created) {
                Fail(created.error());
                return;
            }
            current_ = *created;
        }
        ApplyItemKeywords(arguments, dupeName);
    }

    void ApplyItemKeywords(const amiga::Arguments& arguments, const std::string& dupeName) {
        ApplicationItem& item = *current_;
        if (arguments.Present(at::VERSION)) {
            item.installedVersion = ParseVersionTriple(arguments.Text(at::VERSION));
        }
        if (arguments.Present(at::DATE)) {
            item.installedDate = DateFromTriple(arguments.Text(at::DATE));
        }
        if (arguments.Present(at::MODE)) {
            item.mode = ModeFromWord(arguments.Text(at::MODE)).value_or(ItemMode::IGNORE);
            if (item.type == AppType::STOVAN) {
                item.mode = ItemMode::INSTALL;
            }
        }
        if (arguments.Present(at::SVERSION)) {
            item.serverVersion = ParseVersionTriple(arguments.Text(at::SVERSION));
        }
        if (arguments.Present(at::SDATE)) {
            item.serverDate = DateFromTriple(arguments.Text(at::SDATE));
        }
        if (arguments.Present(at::STATE)) {
            item.state = StateFromWord(arguments.Text(at::STATE)).value_or(ItemState::UNKNOWN);
        }
        if (arguments.Switch(at::UNINSTALLWARN)) {
            Check(item.AddItemFlags(UNINSTALL_WARN));
        }
        if (!dupeName.empty()) {
            Check(item.SetTextField(ItemField::dupeName, dupeName));
            Check(item.AddItemFlags(HAS_DUPENAME));
        }
        if (arguments.Present(at::DISPLAYNAME)) {
            Check(item.SetTextField(ItemField::displayName, arguments.Text(at::DISPLAYNAME)));
        }
        if (arguments.Switch(at::FORCEDOWNLOAD)) {
            Check(item.AddItemFlags(FORCE_DOWNLOAD));
        }
    }

    void EndEntry() {
        if (current_ == nullptr) {
            if (mode_ == ParseMode::Database) {
                Fail(msg::MissingItem);
            }
        } else if (mode_ == ParseMode::Database) {
            if (Status status = ValidateItem(engine_, *current_); !status) {
                Fail(status.message());
                return;  // the error drops the item
            }
        }
        systemError_ = 0;
        if (current_ != nullptr) {
            if (Status status = NormaliseInstallDir(engine_, *current_); !status) {
                Fail(status.message());
                return;  // out of memory: the error drops the item
            }
        }
        current_ = nullptr;
    }

    void HandleCommand(Command command, const amiga::Arguments& arguments) {
        ApplicationItem& item = *current_;
        const std::string& value = arguments.Text(std::size_t{0});
        switch (command) {
            case Command::DATE:
                item.entryDate = amiga::DateStamp{};
                if (!ParseDate(value, kDateFormatDatabase, &item.entryDate)) {
                    Fail(msg::WrongDateFormat);
                }
                return;
            case Command::ARCHIVESIZE:
                item.archiveSize = static_cast<std::uint32_t>(arguments.Number(std::size_t{0}));
                return;
            case Command::APPTYPE:
                item.type = TypeFromWord(value).value_or(AppType::UNKNOWN);
                if (item.type == AppType::STOVAN) {
                    item.mode = ItemMode::INSTALL;
                }
                return;
            case Command::STOVANAUTHOR:
                Check(item.SetTextField(ItemField::stovanAuthor, value));
                return;
            case Command::URLSERVER:
                Check(item.SetListField(ItemField::urlServer, arguments.Multi(std::size_t{0})));
                return;
            case Command::URLWEBPAGE:
                Check(item.SetTextField(ItemField::urlWebPage, value));
                return;
            case Command::URLREADME:
                Check(item.SetTextField(ItemField::urlReadme, value));
                return;
            case Command::URLARCHIVE:
                Check(item.SetTextField(ItemField::urlArchive, value));
                return;
            case Command::URLPATTERN:
                Check(item.SetTextField(ItemField::urlPattern, value));
                return;
            case Command::APPAUTHOR:
                Check(item.SetTextField(ItemField::appAuthor, value));
                return;
            case Command::APPWEBPAGE:
                Check(item.SetTextField(ItemField::appWebPage, value));
                return;
            case Command::APPPICTURE:
                Check(item.SetTextField(ItemField::appPicture, value));
                return;
            case Command::APPDIRECTORY:
                Check(item.SetTextField(ItemField::appDirectory, value));
                Check(item.AddItemFlags(HAS_APPDIRECTORY | INSTALLDIR_DISABLED));
                return;
            case Command::APPCHANGELOG:
                Check(item.SetListField(ItemField::appChangelog, arguments.Multi(std::size_t{0})));
                return;
            case Command::INSTALLDIR:
                HandleInstallDir(arguments);
                return;
            case Command::INSTALLCHECK:
                Check(item.SetListField(ItemField::installCheck, arguments.Multi(std::size_t{0})));
                return;
            case Command::VERSIONCHECK:
                Check(item.SetListField(ItemField::versionCheck, arguments.Multi(std::size_t{0})));
                return;
            case Command::DEPENDENCIES:
                Check(item.SetListField(ItemField::dependencies, arguments.Multi(std::size_t{0})));
                return;
            default:
                Fail(msg::UnknownCommand);
                return;
        }
    }

    // "INSTALLDIR/S,INSTALLDIR,DISABLED/S,DEPENDENCY/K": item 1 is the drawer.
    void HandleInstallDir(const amiga::Arguments& arguments) {
        ApplicationItem& item = *current_;
        const bool drawerGiven = arguments.Present(at::INSTALLDIR_DRAWER);
        const std::string& drawer = arguments.Text(at::INSTALLDIR_DRAWER);
        if (mode_ == ParseMode::Configuration) {
            // The user's drawer only; the entry decides the flags. An item
            // that has no drawer of its own (disabled, or following another
            // item, where installDir names that item) keeps what it has.
            if (!drawer.empty() &&
                !(item.itemFlags() & (INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS))) {
                Check(item.SetTextField(ItemField::installDir, drawer));
            }
            return;
        }
        if (arguments.Switch(at::DISABLED) || !drawerGiven) {
            Check(item.AddItemFlags(INSTALLDIR_DISABLED));
        } else if (!drawer.empty()) {
            Check(item.SetTextField(ItemField::installDir, drawer));
        }
        if (arguments.Present(at::DEPENDENCY)) {
            Check(item.AddItemFlags(INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS));
            Check(item.SetTextField(ItemField::installDir, arguments.Text(at::DEPENDENCY)));
        }
    }

    void HandleBlock(Command command, const amiga::Arguments& arguments, std::size_t lineBegin,
                     std::size_t lineEnd) {
        ApplicationItem& item = *current_;
        const int kind = BlockKind(command);
        const bool isEnd = arguments.Switch(at::END);
        if (command == Command::DESCRIPTION && arguments.Present(at::LANGUAGE)) {
            const std::string& language = arguments.Text(at::LANGUAGE);
            Check(item.AppendListEntry(ItemField::description, language));
            if (language.find(' ') != std::string::npos) {
                return;  // a one-line description: no block opens or closes
            }
        }
        if (command == Command::TEXTFILE && !isEnd) {
            const std::string& fileName = arguments.Text(at::FILENAME);
            if (fileName.empty()) {
                Fail(msg::TextfileLacksName);
                return;
            }
            Check(item.AppendListEntry(ItemField::textFiles, fileName));
        }
        if (isEnd) {
            if (openBlock_ != kind) {
                Fail(msg::MissingItem + static_cast<MessageId>(kind));
                return;
            }
            // The text ends before the line break that precedes the END line.
            const std::size_t textEnd = lineBegin > 0 ? lineBegin - 1 : 0;
            if (textEnd > blockStart_) {
                StoreBlock(command,
                           std::string_view(buffer_).substr(blockStart_, textEnd - blockStart_));
            }
            openBlock_ = 0;
            return;
        }
        if (openBlock_ != 0) {
            openBlock_ = 0;  // forgotten
            Fail(msg::MissingTextfile + static_cast<MessageId>(kind));
            return;
        }
        openBlock_ = kind;
        blockStart_ = lineEnd + 1;  // the text starts on the next line
    }

    void StoreBlock(Command command, std::string_view text) {
        ApplicationItem& item = *current_;
        switch (command) {
            case Command::INSTALL:
                Check(item.SetTextField(ItemField::installScript, text));
                break;
            case Command::UNINSTALL:
                Check(item.SetTextField(ItemField::uninstallScript, text));
                break;
            case Command::DESCRIPTION:
                Check(item.AppendListEntry(ItemField::description, text));
                break;
            case Command::TEXTFILE:
                Check(item.AppendListEntry(ItemField::textFiles, text));
                break;
            default:
                break;
        }
    }

    void Finish() {
        Log& log = engine_.log();
        if (systemError_ != 0) {
            log.AddLogEntry(msg::ParseError, fileName_, line_, amiga::FaultText(systemError_));
            ++totals_.errors;
        }
        if (current_ != nullptr) {
            DropCurrentEntry();
            log.AddLogEntry(msg::ParseWarning, fileName_, line_, GetString(msg::MissingItemEnd));
            ++totals_.errors;
        }
        if (totals_.errors != 0) {
            const std::array<LogArgument, 2> counts{totals_.errors, totals_.rejected};
            constexpr std::size_t kMaxSummary = 99;
            auto summary = FormatText(GetString(msg::DatabaseErrorSummary), counts, kMaxSummary);
            if (!summary) {
                summary = FormatText(EnglishString(msg::DatabaseErrorSummary), counts, kMaxSummary);
            }
            log.AddLogEntry(msg::ParseError, fileName_, line_, summary.value_or(std::string()));
        }
    }

    Engine& engine_;
    std::string_view fileName_;
    ParseMode mode_;
    std::string buffer_;
    // The values of each command's last line; reused, so that reading a
    // line allocates nothing for the values that it does not keep.
    std::array<amiga::Arguments, kCommands.size()> arguments_;
    ApplicationItem* current_ = nullptr;
    bool carrying_ = false;  // inside a record kept for an item not loaded
    std::size_t lineBegin_ = 0;
    std::size_t lineEnd_ = 0;
    int openBlock_ = 0;
    std::size_t blockStart_ = 0;
    std::int32_t line_ = -1;
    MessageId error_ = 0;
    amiga::DosError systemError_ = 0;
    ParseTotals totals_;
};

}  // namespace

ParseMode ModeForFileName(std::string_view fileName) {
    return amiga::EqualsNoCase(fileName, "config.db") ||
                   amiga::EqualsNoCase(fileName, kVersionCacheFileName)
               ? ParseMode::Configuration
               : ParseMode::Database;
}

ParseTotals ParseDatabaseFile(Engine& engine, std::string_view fileName,
                              const amiga::FileLock* drawer) {
    FileParser parser(engine, fileName, ModeForFileName(fileName));
    parser.Announce();
    auto text = amiga::ReadFile(engine.dos(), fileName, drawer);
    if (!text) {
        parser.ReadFailed(text.error());
    } else {
        parser.Parse(*text);
    }
    return parser.totals();
}

ParseTotals ReportUnreadableFile(Engine& engine, std::string_view fileName, amiga::DosError error) {
    FileParser parser(engine, fileName, ModeForFileName(fileName));
    parser.Announce();
    parser.ReadFailed(error);
    return parser.totals();
}

ParseTotals ParseDatabaseText(Engine& engine, std::string_view fileName, std::string_view text) {
    return ParseDatabaseText(engine, fileName, text, ModeForFileName(fileName));
}

ParseTotals ParseDatabaseText(Engine& engine, std::string_view fileName, std::string_view text,
                              ParseMode mode) {
    FileParser parser(engine, fileName, mode);
    parser.Announce();
    parser.Parse(text);
    return parser.totals();
}

}  // namespace stovan
