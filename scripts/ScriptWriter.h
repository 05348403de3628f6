#pragma once
// Writing what an install or uninstall operation runs: the script file
// "{TEMPDIR}{NAME}.bat", the item's text files, and its install drawer.
//
// A script file holds, in this order and with nothing added between them:
//   1. "Set echo on\n" when SHOW_SHELL_OUTPUT is set (the output view then
//      shows every command);
//   2. the expansion of "CD \"{TEMPDIR}\"\n" (the script runs inside the
//      temporary drawer);
//   3. an install script: "FailAt 9\n" (the first error stops it); an
//      uninstall script: "FailAt 30\n" and the expansion of
//      "Delete FORCE \"{CHECKNAME}\"\n" (it goes on through errors, and
//      its check file goes first);
//   4. the expansion of the entry's INSTALL or UNINSTALL block.
//
// Every file goes through the host layer, so no expanded name can leave the
// volumes of the system root, and is written whole under a temporary name
// and renamed: a full disk or a failed write leaves no partial file that a
// later step could run.

#include <string>
#include <string_view>

#include "core/Status.h"
#include "database/Engine.h"
#include "database/Item.h"

namespace stovan {

enum class ScriptKind {
    None = 0,       // only the CD line and the block
    Install = 1,    // install, update, repair
    Uninstall = 2,  // uninstall
};

inline constexpr std::string_view kScriptPathText = "{TEMPDIR}{NAME}.bat";

// The whole text of the script WriteScript writes (parts 1 to 4 above).
// msg::NotEnoughMemory when an expansion fails.
Result<std::string> ComposeScript(Engine& engine, const ApplicationItem& item,
                                  std::string_view scriptText, ScriptKind kind);

// Writes the script file and gives its Amiga path in scriptPath (empty on
// failure). Ok; msg::NotEnoughMemory when an expansion fails;
// msg::CannotCreateTempFile when the file cannot be created or written
// (nothing of it is left behind).
Status WriteScript(Engine& engine, const ApplicationItem& item, std::string_view scriptText,
                   ScriptKind kind, std::string& scriptPath);

// Writes every TEXTFILE pair of the item, in database order: the name and
// the text are expanded and the file replaced by the text. Ok (also for an
// item without text files); msg::CannotCreateTempFile when a file cannot be
// written; msg::NotEnoughMemory when an expansion fails or the list ends
// after a name. Stops at the first failure.
Status WriteTextFiles(Engine& engine, const ApplicationItem& item);

// Creates the expanded "{INSTALLDIR}" with every missing drawer along it,
// each new drawer with a default drawer icon. msg::NotEnoughMemory when the
// expansion fails, else Ok (a drawer that cannot be made shows up when the
// script needs it).
Status CreateInstallDrawer(Engine& engine, const ApplicationItem& item);

}  // namespace stovan
