#include "database/Item.h"

#include <algorithm>
#include <new>

#include "core/MessageIds.h"
#include "database/ItemList.h"
#include "platform/Latin1.h"

namespace stovan {

namespace {

struct FieldInfo {
    std::string_view name;
    FieldKind kind;
};

constexpr std::array<FieldInfo, kItemFieldCount> kFields = {{
    {"name", FieldKind::text},
    {"dupeName", FieldKind::text},
    {"displayName", FieldKind::text},
    {"description", FieldKind::localisedList},
    {"", FieldKind::text},
    {"stovanAuthor", FieldKind::text},
    {"urlServer", FieldKind::list},
    {"urlWebPage", FieldKind::text},
    {"urlArchive", FieldKind::text},
    {"urlReadme", FieldKind::text},
    {"urlPattern", FieldKind::text},
    {"textFiles", FieldKind::list},
    {"installDir", FieldKind::text},
    {"installCheck", FieldKind::list},
    {"versionCheck", FieldKind::list},
    {"installScript", FieldKind::text},
    {"uninstallScript", FieldKind::text},
    {"appWebPage", FieldKind::text},
    {"appAuthor", FieldKind::text},
    {"appPicture", FieldKind::text},
    {"appDirectory", FieldKind::text},
    {"appChangelog", FieldKind::localisedList},
    {"dependencies", FieldKind::list},
}};

constexpr std::array<std::string_view, kAppTypeCount> kTypeWords = {
    "UNKNOWN", "AUDIO",     "VIDEO",   "TEXT",   "PICTURE",     "GAME",  "EMULATOR",
    "NETWORK", "TOOL",      "UTILITY", "DRIVER", "APPLICATION", "SHELL", "CLASS",
    "LIBRARY", "SCREENBAR", "DESKTOP", "SKIN",   "DEVELOPER",   "STOVAN"};
constexpr std::array<MessageId, kAppTypeCount> kTypeLabels = {
    msg::TypeUnknown, msg::TypeAudio,   msg::TypeVideo,     msg::TypeText,
    msg::TypePicture, msg::TypeGame,    msg::TypeEmulator,  msg::TypeNetwork,
    msg::TypeTool,    msg::TypeUtility, msg::TypeDriver,    msg::TypeApplication,
    msg::TypeShell,   msg::TypeClass,   msg::TypeLibrary,   msg::TypeScreenbar,
    msg::TypeDesktop, msg::TypeSkin,    msg::TypeDeveloper, msg::TypeStovan};

constexpr std::array<std::string_view, kItemModeCount> kModeNames = {
    "IGNORE",     "NOTIFY",       "DOWNLOAD",    "INSTALL",
    "OP_INSTALL", "OP_UNINSTALL", "OP_DOWNLOAD", "OP_REPAIR"};
constexpr std::array<MessageId, 4> kModeLabels = {
    msg::ContextItemModeIgnore, msg::ContextItemModeNotify, msg::ContextItemModeDownload,
    msg::ContextItemModeUpdate};

constexpr std::array<std::string_view, kItemStateCount> kStateWords = {"UNKNOWN", "NOTINSTALLED",
                                                                       "INSTALLED", "OUTDATED"};
constexpr std::array<MessageId, kItemStateCount> kStateLabels = {
    msg::StateUnknown, msg::StateNotInstalled, msg::StateInstalled, msg::StateOutdated};

const std::string kEmptyText;

// A C string ends at its first NUL byte.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

template <typename Range>
std::vector<std::string> EntriesOf(const Range& values) {
    std::vector<std::string> entries;
    entries.reserve(values.size());
    for (const auto& value : values) {
        const std::string_view entry = UpToNul(value);
        if (!entry.empty()) {
            entries.emplace_back(entry);
        }
    }
    return entries;
}

}  // namespace

FieldKind KindOf(ItemField field) {
    return kFields.at(static_cast<std::size_t>(field)).kind;
}

std::string_view FieldName(ItemField field) {
    return kFields.at(static_cast<std::size_t>(field)).name;
}

std::string_view TypeWord(AppType type) {
    const auto index = static_cast<std::uint32_t>(type);
    return index < kAppTypeCount ? kTypeWords[index] : kTypeWords[0];
}

std::optional<AppType> TypeFromWord(std::string_view word) {
    for (std::uint32_t i = 0; i < kAppTypeCount; ++i) {
        if (amiga::EqualsNoCase(word, kTypeWords[i])) {
            return static_cast<AppType>(i);
        }
    }
    return std::nullopt;
}

MessageId TypeLabel(AppType type) {
    const auto index = static_cast<std::uint32_t>(type);
    return index < kAppTypeCount ? kTypeLabels[index] : kTypeLabels[0];
}

std::string_view ModeWord(ItemMode mode) {
    const auto index = static_cast<std::uint32_t>(mode);
    return index < kModeLabels.size() ? kModeNames[index] : kModeNames[0];
}

std::string_view ModeName(ItemMode mode) {
    const auto index = static_cast<std::uint32_t>(mode);
    return index < kItemModeCount ? kModeNames[index] : std::string_view();
}

std::optional<ItemMode> ModeFromWord(std::string_view word) {
    for (std::uint32_t i = 0; i < kModeLabels.size(); ++i) {
        if (amiga::EqualsNoCase(word, kModeNames[i])) {
            return static_cast<ItemMode>(i);
        }
    }
    return std::nullopt;
}

std::optional<MessageId> ModeLabel(ItemMode mode) {
    const auto index = static_cast<std::uint32_t>(mode);
    if (index < kModeLabels.size()) {
        return kModeLabels[index];
    }
    return std::nullopt;
}

std::string_view StateWord(ItemState state) {
    const auto index = static_cast<std::uint32_t>(state);
    return index < kItemStateCount ? kStateWords[index] : kStateWords[0];
}

std::optional<ItemState> StateFromWord(std::string_view word) {
    for (std::uint32_t i = 0; i < kItemStateCount; ++i) {
        if (amiga::EqualsNoCase(word, kStateWords[i])) {
            return static_cast<ItemState>(i);
        }
    }
    return std::nullopt;
}

MessageId StateLabel(ItemState state) {
    const auto index = static_cast<std::uint32_t>(state);
    return index < kItemStateCount ? kStateLabels[index] : kStateLabels[0];
}

// --- ApplicationItem ---------------------------------------------------------

ApplicationItem::~ApplicationItem() = default;

const std::string& ApplicationItem::Text(ItemField field) const {
    const auto& entries = fields_.at(static_cast<std::size_t>(field));
    return entries.empty() ? kEmptyText : entries.front();
}

const std::vector<std::string>& ApplicationItem::List(ItemField field) const {
    return fields_.at(static_cast<std::size_t>(field));
}

const std::string& ApplicationItem::displayText() const {
    const std::string& display = displayName();
    return display.empty() ? name() : display;
}

const std::string& ApplicationItem::key() const {
    return HasFlags(HAS_DUPENAME) ? dupeName() : name();
}

Status ApplicationItem::SetTextField(ItemField field, std::string_view text) {
    try {
        std::vector<std::string> entries;
        const std::string_view value = UpToNul(text);
        if (!value.empty()) {
            entries.emplace_back(value);
        }
        return Commit(field, &entries, itemFlags_);
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

Status ApplicationItem::SetListField(ItemField field, std::span<const std::string> values) {
    try {
        std::vector<std::string> entries = EntriesOf(values);
        return Commit(field, &entries, itemFlags_);
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

Status ApplicationItem::SetListField(ItemField field, std::span<const std::string_view> values) {
    try {
        std::vector<std::string> entries = EntriesOf(values);
        return Commit(field, &entries, itemFlags_);
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

Status ApplicationItem::SetListField(ItemField field,
                                     std::initializer_list<std::string_view> values) {
    return SetListField(field, std::span<const std::string_view>(values.begin(), values.size()));
}

Status ApplicationItem::AppendListEntry(ItemField field, std::string_view text) {
    const std::string_view entry = UpToNul(text);
    if (entry.empty()) {
        return Status::Ok();
    }
    try {
        // Only the first entry is a key; appending to an empty key field makes
        // a new key, so it goes through Commit like any other change.
        const auto& current = fields_.at(static_cast<std::size_t>(field));
        if (!current.empty()) {
            fields_[static_cast<std::size_t>(field)].emplace_back(entry);
            return Status::Ok();
        }
        std::vector<std::string> entries;
        entries.emplace_back(entry);
        return Commit(field, &entries, itemFlags_);
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

Status ApplicationItem::SetItemFlags(std::uint32_t flags) {
    try {
        return Commit(ItemField::name, nullptr, flags);
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

void ApplicationItem::SetVisited(bool visited) noexcept {
    itemFlags_ = visited ? (itemFlags_ | ITEM_VISITED) : (itemFlags_ & ~ITEM_VISITED);
}

Status ApplicationItem::Commit(ItemField field, std::vector<std::string>* entries,
                               std::uint32_t flags) {
    auto& target = fields_.at(static_cast<std::size_t>(field));
    const bool keyField = field == ItemField::name || field == ItemField::dupeName;
    const bool keyMayChange = list_ != nullptr && ((entries != nullptr && keyField) ||
                                                   ((flags ^ itemFlags_) & HAS_DUPENAME) != 0);
    if (keyMayChange) {
        auto firstOf = [](const std::vector<std::string>& list) -> std::string_view {
            return list.empty() ? std::string_view() : std::string_view(list.front());
        };
        std::string_view newName = name();
        std::string_view newDupeName = dupeName();
        if (entries != nullptr && field == ItemField::name) {
            newName = firstOf(*entries);
        } else if (entries != nullptr && field == ItemField::dupeName) {
            newDupeName = firstOf(*entries);
        }
        const ItemList::Slot before = list_->SlotOf(*this);
        const ItemList::Slot after = list_->SlotFor(flags, newName, newDupeName);
        if (!ItemList::SameSlot(before, after)) {
            ItemList::IndexInsert(after, *this);  // may throw; nothing changed yet
            ItemList::IndexErase(before, *this);
        }
    }
    if (entries != nullptr) {
        target.swap(*entries);
    }
    itemFlags_ = flags;
    return Status::Ok();
}

// --- LocalisedEntry ------------------------------------------------------------

bool IsLanguageName(ItemField field, std::string_view entry) {
    switch (field) {
        case ItemField::description:
            return entry.size() <= 20 && entry.find(' ') == std::string_view::npos;
        case ItemField::appChangelog:
            return entry.find_first_of("/:{}") == std::string_view::npos;
        default:
            return false;
    }
}

namespace {

constexpr std::string_view kEnglish = "english";
// The locale names at most ten preferred languages.
constexpr std::size_t kMaxPreferredLanguages = 10;

}  // namespace

const std::string* LocalisedEntry(const ApplicationItem& item, ItemField field,
                                  std::span<const std::string> preferredLanguages,
                                  const LocalisedOptions& options) {
    const std::vector<std::string>& entries = item.List(field);
    auto counts = [&](const std::string& entry) {
        return !options.entriesAreFiles ||
               (options.files != nullptr && options.files->Exists(item, entry));
    };
    const std::string* english = nullptr;
    bool englishIsFinal = false;

    // One walk over the list for one preferred language (none: only the
    // English entries are looked for). Returns the wanted language's entry.
    auto walk = [&](std::string_view wanted) -> const std::string* {
        std::string_view language = kEnglish;
        for (const std::string& entry : entries) {
            if (IsLanguageName(field, entry)) {
                language = entry;
                continue;
            }
            if (amiga::EqualsNoCase(language, kEnglish)) {
                if (counts(entry)) {
                    english = &entry;  // the last one met wins
                    if (options.englishIsEnough) {
                        englishIsFinal = true;
                        return nullptr;
                    }
                }
            } else if (!wanted.empty() && amiga::EqualsNoCase(language, wanted) && counts(entry)) {
                return &entry;
            }
        }
        return nullptr;
    };

    const std::size_t languages = std::min(preferredLanguages.size(), kMaxPreferredLanguages);
    for (std::size_t i = 0; i < languages; ++i) {
        const std::string_view wanted = preferredLanguages[i];
        const std::string* found = walk(wanted);
        if (found != nullptr) {
            return found;
        }
        // A user who prefers English to the languages after it gets the
        // English text, not one of a language they like less.
        if (englishIsFinal || (english != nullptr && amiga::EqualsNoCase(wanted, kEnglish))) {
            return english;
        }
    }
    if (languages == 0) {
        // Without preferred languages the English text is still the answer.
        walk({});
    }
    return english;
}

}  // namespace stovan
