#include "scripts/ScriptWriter.h"

#include <new>

#include "core/MessageIds.h"
#include "platform/DosFiles.h"
#include "scripts/Placeholders.h"

namespace stovan {

namespace {

constexpr std::string_view kEchoOn = "Set echo on\n";
constexpr std::string_view kEnterTempDir = "CD \"{TEMPDIR}\"\n";
constexpr std::string_view kInstallFailAt = "FailAt 9\n";
constexpr std::string_view kUninstallFailAt = "FailAt 30\n";
constexpr std::string_view kDeleteCheckFile = "Delete FORCE \"{CHECKNAME}\"\n";

}  // namespace

Result<std::string> ComposeScript(Engine& engine, const ApplicationItem& item,
                                  std::string_view scriptText, ScriptKind kind) {
    try {
        std::string script;
        if ((engine.preferences().flags & SHOW_SHELL_OUTPUT) != 0) {
            script += kEchoOn;
        }
        auto enter = ExpandText(engine, &item, kEnterTempDir);
        AMIGA_RETURN_IF_FAILED(enter);
        script += *enter;
        if (kind == ScriptKind::Install) {
            script += kInstallFailAt;
        } else if (kind == ScriptKind::Uninstall) {
            auto remove = ExpandText(engine, &item, kDeleteCheckFile);
            AMIGA_RETURN_IF_FAILED(remove);
            script += kUninstallFailAt;
            script += *remove;
        }
        auto body = ExpandText(engine, &item, scriptText);
        AMIGA_RETURN_IF_FAILED(body);
        script += *body;
        return script;
    } catch (const std::bad_alloc&) {
        return Failure(msg::NotEnoughMemory);
    }
}

Status WriteScript(Engine& engine, const ApplicationItem& item, std::string_view scriptText,
                   ScriptKind kind, std::string& scriptPath) {
    scriptPath.clear();
    // The path first: its expansion also creates the temporary drawer.
    auto path = ExpandText(engine, &item, kScriptPathText);
    if (!path) {
        return Status(path.error());
    }
    auto script = ComposeScript(engine, item, scriptText, kind);
    if (!script) {
        return Status(script.error());
    }
    // Written whole under a temporary name and renamed: every write and the
    // close are checked, and a failure leaves no file.
    if (!amiga::WriteFile(engine.dos(), *path, *script).ok()) {
        return Status(msg::CannotCreateTempFile);
    }
    scriptPath = std::move(*path);
    return Status::Ok();
}

Status WriteTextFiles(Engine& engine, const ApplicationItem& item) {
    const std::vector<std::string>& pairs = item.textFiles();
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        if (i + 1 >= pairs.size()) {
            return Status(msg::NotEnoughMemory);  // a name without its text
        }
        auto name = ExpandText(engine, &item, pairs[i]);
        if (!name) {
            return Status(name.error());
        }
        auto text = ExpandText(engine, &item, pairs[i + 1]);
        if (!text) {
            return Status(text.error());
        }
        if (!amiga::WriteFile(engine.dos(), *name, *text).ok()) {
            return Status(msg::CannotCreateTempFile);
        }
    }
    return Status::Ok();
}

Status CreateInstallDrawer(Engine& engine, const ApplicationItem& item) {
    auto drawer = ExpandText(engine, &item, "{INSTALLDIR}");
    if (!drawer) {
        return Status(drawer.error());
    }
    CreateDrawerPath(engine.dos(), *drawer, true);
    return Status::Ok();
}

}  // namespace stovan
