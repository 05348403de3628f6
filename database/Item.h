#pragma once
// The application item: the in-memory record of one application, database
// package or Stovan itself, as the database files describe it, completed at
// run time with the user's choices (mode, install drawer) and with what the
// version check found (state, versions and dates).
//
// Items live in an ItemList (database/ItemList.h), which owns them and finds
// them by key. An item's key fields (name, dupeName and the HAS_DUPENAME
// flag) can only change through the item's setters, which keep the list's
// index up to date, so a lookup never sees a stale key.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Status.h"
#include "platform/DateStamp.h"
#include "version/Version.h"

namespace stovan {

class ItemList;

// Application types, as the APPTYPE command names them (0..19).
enum class AppType : std::uint32_t {
    UNKNOWN = 0,
    AUDIO,
    VIDEO,
    TEXT,
    PICTURE,
    GAME,
    EMULATOR,
    NETWORK,
    TOOL,
    UTILITY,
    DRIVER,
    APPLICATION,
    SHELL,
    CLASS,
    LIBRARY,
    SCREENBAR,
    DESKTOP,
    SKIN,
    DEVELOPER,
    STOVAN,  // Stovan itself and its database packages
};
inline constexpr std::uint32_t kAppTypeCount = 20;

// What automatic processing does with an item (0..3), and the one-shot modes
// (4..7) that the processing queue sets for a single run.
enum class ItemMode : std::uint32_t {
    IGNORE = 0,
    NOTIFY = 1,
    DOWNLOAD = 2,
    INSTALL = 3,  // labelled "Update"
    OP_INSTALL = 4,
    OP_UNINSTALL = 5,
    OP_DOWNLOAD = 6,
    OP_REPAIR = 7,
};
inline constexpr std::uint32_t kItemModeCount = 8;

// The version state found by the version check.
enum class ItemState : std::uint32_t {
    UNKNOWN = 0,
    NOTINSTALLED = 1,
    INSTALLED = 2,
    OUTDATED = 3,
};
inline constexpr std::uint32_t kItemStateCount = 4;

// itemFlags bits. INSTALLDIR_FOLLOWS and HAS_APPDIRECTORY always come with
// INSTALLDIR_DISABLED. The database files set no other bit.
inline constexpr std::uint32_t INSTALLDIR_DISABLED = 0x02;
inline constexpr std::uint32_t INSTALLDIR_FOLLOWS = 0x04;
inline constexpr std::uint32_t FORCE_DOWNLOAD = 0x08;
inline constexpr std::uint32_t UNINSTALL_WARN = 0x20;
inline constexpr std::uint32_t HAS_APPDIRECTORY = 0x40;
inline constexpr std::uint32_t HAS_DUPENAME = 0x80;
// Run-time mark of the processing queue and the application finder.
inline constexpr std::uint32_t ITEM_VISITED = 0x80000000u;

// The 23 texts of an item, in their fixed order.
enum class ItemField : std::uint8_t {
    name = 0,  // the key of the item
    dupeName,  // the key instead of name when HAS_DUPENAME is set
    displayName,
    description,  // localised list
    reserved,     // filled by no command; stays empty
    stovanAuthor,
    urlServer,  // list
    urlWebPage,
    urlArchive,
    urlReadme,
    urlPattern,
    textFiles,  // list: a file name entry followed by its text entry
    installDir,
    installCheck,  // list
    versionCheck,  // list
    installScript,
    uninstallScript,
    appWebPage,
    appAuthor,
    appPicture,
    appDirectory,
    appChangelog,  // localised list
    dependencies,  // list
};
inline constexpr std::size_t kItemFieldCount = 23;

enum class FieldKind { text, list, localisedList };
FieldKind KindOf(ItemField field);
// "name", "dupeName", ... ("" for the reserved field).
std::string_view FieldName(ItemField field);

// Words and labels. Words compare without regard to case.
std::string_view TypeWord(AppType type);  // "UNKNOWN" .. "STOVAN"
std::optional<AppType> TypeFromWord(std::string_view word);
MessageId TypeLabel(AppType type);  // messages 72..91
// The configuration file's word: one-shot modes are written as "IGNORE".
std::string_view ModeWord(ItemMode mode);
// The name of any mode: "IGNORE" .. "INSTALL", "OP_INSTALL" .. "OP_REPAIR".
std::string_view ModeName(ItemMode mode);
// The four automatic modes only.
std::optional<ItemMode> ModeFromWord(std::string_view word);
// "Ignore", "Notify", "Download", "Update" (messages 100..103); none for the
// one-shot modes.
std::optional<MessageId> ModeLabel(ItemMode mode);
std::string_view StateWord(ItemState state);  // "UNKNOWN" .. "OUTDATED"
std::optional<ItemState> StateFromWord(std::string_view word);
MessageId StateLabel(ItemState state);  // messages 278..281

class ApplicationItem {
  public:
    ApplicationItem(const ApplicationItem&) = delete;
    ApplicationItem& operator=(const ApplicationItem&) = delete;
    ~ApplicationItem();

    // Date of the database entry (DATE); zero when absent.
    amiga::DateStamp entryDate;
    ItemMode mode = ItemMode::IGNORE;
    ItemState state = ItemState::UNKNOWN;
    // The mode to return to after a one-shot operation; none outside a run.
    std::optional<ItemMode> savedMode;
    AppType type = AppType::UNKNOWN;
    // The archive's size in bytes (ARCHIVESIZE).
    std::uint32_t archiveSize = 0;
    VersionTriple installedVersion;
    VersionTriple serverVersion;
    amiga::DateStamp installedDate;
    amiga::DateStamp serverDate;

    VersionInfo installedInfo() const { return {installedVersion, installedDate}; }
    VersionInfo serverInfo() const { return {serverVersion, serverDate}; }

    // --- texts --------------------------------------------------------------
    // A field holds a list of entries; a text field holds at most one. Read as
    // a text, a list gives its first entry; an absent value is the empty text.
    const std::string& Text(ItemField field) const;
    const std::vector<std::string>& List(ItemField field) const;

    // The three ways of writing a field. Each builds the new value first and
    // replaces the old one only when that succeeded: on failure (329, not
    // enough memory) the field keeps its old value. Texts end at a NUL byte
    // as on the Amiga, and an empty entry cannot be part of a list (it would
    // end the list there), so empty list entries are left out.
    Status SetTextField(ItemField field, std::string_view text);
    Status SetListField(ItemField field, std::span<const std::string> values);
    Status SetListField(ItemField field, std::span<const std::string_view> values);
    Status SetListField(ItemField field, std::initializer_list<std::string_view> values);
    Status AppendListEntry(ItemField field, std::string_view text);

    const std::string& name() const { return Text(ItemField::name); }
    const std::string& dupeName() const { return Text(ItemField::dupeName); }
    const std::string& displayName() const { return Text(ItemField::displayName); }
    const std::vector<std::string>& description() const { return List(ItemField::description); }
    const std::string& stovanAuthor() const { return Text(ItemField::stovanAuthor); }
    const std::vector<std::string>& urlServer() const { return List(ItemField::urlServer); }
    const std::string& urlWebPage() const { return Text(ItemField::urlWebPage); }
    const std::string& urlArchive() const { return Text(ItemField::urlArchive); }
    const std::string& urlReadme() const { return Text(ItemField::urlReadme); }
    const std::string& urlPattern() const { return Text(ItemField::urlPattern); }
    const std::vector<std::string>& textFiles() const { return List(ItemField::textFiles); }
    const std::string& installDir() const { return Text(ItemField::installDir); }
    const std::vector<std::string>& installCheck() const { return List(ItemField::installCheck); }
    const std::vector<std::string>& versionCheck() const { return List(ItemField::versionCheck); }
    const std::string& installScript() const { return Text(ItemField::installScript); }
    const std::string& uninstallScript() const { return Text(ItemField::uninstallScript); }
    const std::string& appWebPage() const { return Text(ItemField::appWebPage); }
    const std::string& appAuthor() const { return Text(ItemField::appAuthor); }
    const std::string& appPicture() const { return Text(ItemField::appPicture); }
    const std::string& appDirectory() const { return Text(ItemField::appDirectory); }
    const std::vector<std::string>& appChangelog() const { return List(ItemField::appChangelog); }
    const std::vector<std::string>& dependencies() const { return List(ItemField::dependencies); }

    // The text the user sees: displayName, else name.
    const std::string& displayText() const;
    // The key the item is found by: dupeName with HAS_DUPENAME, else name.
    const std::string& key() const;

    // --- flags --------------------------------------------------------------
    std::uint32_t itemFlags() const { return itemFlags_; }
    bool HasFlags(std::uint32_t flags) const { return (itemFlags_ & flags) == flags; }
    // Changing HAS_DUPENAME moves the item in its list's index, which can
    // fail for lack of memory (329; the flags stay as they were).
    Status SetItemFlags(std::uint32_t flags);
    Status AddItemFlags(std::uint32_t flags) { return SetItemFlags(itemFlags_ | flags); }
    Status ClearItemFlags(std::uint32_t flags) { return SetItemFlags(itemFlags_ & ~flags); }
    // The visited mark never touches the index.
    void SetVisited(bool visited) noexcept;
    bool visited() const { return (itemFlags_ & ITEM_VISITED) != 0; }

    // The list the item is linked into, or null.
    ItemList* list() const { return list_; }

  private:
    friend class ItemList;
    ApplicationItem() = default;

    // Puts new entries into a field and new flags in place, moving the item
    // in its list's index when its key changes.
    Status Commit(ItemField field, std::vector<std::string>* entries, std::uint32_t flags);

    std::array<std::vector<std::string>, kItemFieldCount> fields_;
    std::uint32_t itemFlags_ = 0;
    // Linkage, kept by the owning list.
    ItemList* list_ = nullptr;
    std::list<std::unique_ptr<ApplicationItem>>::iterator position_;
    std::int64_t order_ = 0;  // rises from head to tail
};

// The existence test behind LocalisedEntry's entriesAreFiles: true when the
// entry, after placeholder expansion for the item, names an existing file or
// drawer. Implemented where placeholders and the file system are known.
class EntryFileTest {
  public:
    virtual ~EntryFileTest() = default;
    virtual bool Exists(const ApplicationItem& item, std::string_view entry) const = 0;
};

struct LocalisedOptions {
    // Return the first English content entry at once when it is met.
    bool englishIsEnough = false;
    // A content entry counts only when `files` says it exists (no test: none
    // counts).
    bool entriesAreFiles = false;
    const EntryFileTest* files = nullptr;
};

// Picks the entry of a localised list (description, appChangelog) for the
// user's preferred languages (at most the first 10 are used). Entries that
// are language names start that language's content; content before any
// language name is English. Returns the first content entry of the first
// preferred language that has one, else the last English content entry, else
// null. The pointer stays valid until the field is written.
const std::string* LocalisedEntry(const ApplicationItem& item, ItemField field,
                                  std::span<const std::string> preferredLanguages,
                                  const LocalisedOptions& options = {});

// Whether an entry of the given localised list is a language name: in
// description a word of at most 20 characters without a space, in
// appChangelog an entry without any of "/", ":", "{", "}".
bool IsLanguageName(ItemField field, std::string_view entry);

}  // namespace stovan
