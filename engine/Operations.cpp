#include "engine/Operations.h"

#include <string>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/Archives.h"
#include "engine/EntryFiles.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "prefs/Preferences.h"
#include "scripts/Placeholders.h"
#include "scripts/ScriptRunner.h"
#include "scripts/ScriptWriter.h"

namespace stovan {

namespace {

ScriptOperation InstallKind(std::uint32_t opFlags) {
    if ((opFlags & OPF_UPDATE) != 0) {
        return ScriptOperation::Update;
    }
    if ((opFlags & OPF_INSTALL) != 0) {
        return ScriptOperation::Install;
    }
    return ScriptOperation::Repair;
}

MessageId FailureMessage(ScriptOperation operation) {
    switch (operation) {
        case ScriptOperation::Install:
            return msg::InstallFailed;
        case ScriptOperation::Update:
            return msg::UpdateFailed;
        case ScriptOperation::Repair:
            return msg::RepairFailed;
        case ScriptOperation::Uninstall:
            return msg::UninstallFailed;
    }
    return msg::InstallFailed;
}

// Runs a written script, deletes it, and keeps the run's account of failed
// scripts; a failure is logged as well as shown, so that it is on record
// after the requester is gone. The return code, 20 when it did not run.
std::int32_t RunAndRemove(ProcessContext& context, ApplicationItem& item,
                          const std::string& scriptPath, ScriptOperation operation) {
    Engine& engine = context.engine();
    std::int32_t rc = kCommandNotRun;
    // A script that did not run to its end comes back as rc 20, counted and
    // logged below; an abort ends only the script, not the run.
    (void)RunScript(engine, context.loop(), context.frontend(), item, scriptPath, operation, &rc);
    // A script left behind goes with its drawer when the run cleans up.
    (void)amiga::DeleteFile(engine.dos(), scriptPath);
    const std::int32_t limit = operation == ScriptOperation::Uninstall ? 20 : kScriptFailure;
    context.lastScriptCode = rc;
    if (rc >= limit) {
        ++context.failedScripts;
        engine.log().AddLogEntry(FailureMessage(operation), item.displayText(),
                                 item.installedVersion.version, item.installedVersion.revision);
    }
    return rc;
}

Status WriteScripts(Engine& engine, const ApplicationItem& item, std::string_view script,
                    ScriptKind kind, std::string& scriptPath) {
    Status result = WriteScript(engine, item, script, kind, scriptPath);
    if (result.ok()) {
        result = WriteTextFiles(engine, item);
    }
    if (!result.ok() && !scriptPath.empty()) {
        // A partial script in the temporary drawer, which the run cleans up;
        // the failure logged below is what the user hears.
        (void)amiga::DeleteFile(engine.dos(), scriptPath);
    }
    if (!result.ok()) {
        // It stops the run, which itself only logs "Processing Done.".
        engine.log().AddLogEntry(result.message());
    }
    return result;
}

// Stovan or one of its database packages was installed by a script that
// ended with rc. Only a script that succeeded counts: after a failed
// self-update the old program is still the one in place.
void AfterOwnInstall(ProcessContext& context, const ApplicationItem& item, std::int32_t rc) {
    if (rc >= kScriptFailure) {
        return;
    }
    if (IsStovanProgram(item)) {
        ++context.relaunchRequested;
        context.engine().preferences().flags &= ~DATABASE_WARNING_SHOWN;
        if (context.relaunch) {
            context.relaunch();
        }
    } else {
        ++context.databasesChanged;
    }
}

Status Install(ProcessContext& context, ApplicationItem& item, std::uint32_t opFlags) {
    Engine& engine = context.engine();
    Frontend& frontend = context.frontend();
    engine.currentOperation = EngineOperation::Install;
    std::string archive;
    if ((opFlags & (OPF_ARCHIVE | OPF_FETCH)) != 0) {
        if (const Status result = ObtainArchive(context, item, archive); !result.ok()) {
            return result;
        }
    }
    if ((opFlags & (OPF_UPDATE | OPF_INSTALL | OPF_REPAIR)) == 0 || archive.empty()) {
        return Status::Ok();
    }
    frontend.ShowProgress(MessageText(msg::ProgressInstalling, {item.displayText()}));
    // A drawer that cannot be made shows when the script needs it; an
    // expansion out of memory fails again, logged, when the script is written.
    (void)CreateInstallDrawer(engine, item);
    PruneArchives(engine, item, engine.preferences().maxArchives, archive);
    std::string scriptPath;
    Status result;
    {
        // {ARCHIVE}, {ARCHIVENAME} and {EXTENSION} name the local file.
        ScopedField local(item, ItemField::urlArchive, archive);
        if (local.ok()) {
            result =
                WriteScripts(engine, item, item.installScript(), ScriptKind::Install, scriptPath);
        } else {
            result = Status(msg::NotEnoughMemory);
            engine.log().AddLogEntry(result.message());
        }
    }
    if (result.ok()) {
        const ScriptOperation operation = InstallKind(opFlags);
        const std::int32_t rc = RunAndRemove(context, item, scriptPath, operation);
        if (operation == ScriptOperation::Update && rc < kScriptFailure) {
            ShowChangelog(context, item);
        }
        if (item.type == AppType::STOVAN) {
            AfterOwnInstall(context, item, rc);
        }
        frontend.ShowProgress(MessageText(msg::ProgressInstalled, {item.displayText()}));
    }
    if ((engine.preferences().flags & KEEP_ARCHIVES) == 0) {
        // An archive that stays costs only space; a later install of that
        // version reuses it.
        (void)amiga::DeleteFile(engine.dos(), archive);
    }
    return result;
}

Status Uninstall(ProcessContext& context, ApplicationItem& item) {
    Engine& engine = context.engine();
    Frontend& frontend = context.frontend();
    engine.currentOperation = EngineOperation::Uninstall;
    frontend.ShowProgress(MessageText(msg::ProgressUninstalling, {item.displayText()}));
    if (item.HasFlags(UNINSTALL_WARN)) {
        const std::string body = MessageText(msg::AskUninstallWithData, {item.displayText()});
        if (frontend.Request(GetString(msg::RequesterTitle), body,
                             GetString(msg::AskUninstallButtons)) != 1) {
            return Status::Ok();
        }
    }
    std::string scriptPath;
    const Status result =
        WriteScripts(engine, item, item.uninstallScript(), ScriptKind::Uninstall, scriptPath);
    if (result.ok()) {
        // A failing uninstall script is logged there and does not stop the run.
        (void)RunAndRemove(context, item, scriptPath, ScriptOperation::Uninstall);
    }
    return result;
}

// The drawer a path names without its last component ("RAM:T/StovanTemp"
// of "RAM:T/StovanTemp/001a2b3c/").
std::string ParentOf(std::string path) {
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    return std::string(amiga::PathPart(path));
}

}  // namespace

bool IsStovanProgram(const ApplicationItem& item) {
    return item.type == AppType::STOVAN && amiga::EqualsNoCase(item.name(), "Stovan");
}

Status PerformOperation(ProcessContext& context, ApplicationItem& item, std::uint32_t opFlags) {
    if ((opFlags & OPF_OPERATIONS) == 0) {
        return Status::Ok();
    }
    context.engine().log().AddLogEntry(msg::ProcessingItem, item.name());
    try {
        if ((opFlags & OPF_UNINSTALL) != 0) {
            return Uninstall(context, item);
        }
        return Install(context, item, opFlags);
    } catch (const std::bad_alloc&) {
        // It stops the run like any failure here, so it is logged too.
        context.engine().log().AddLogEntry(msg::NotEnoughMemory);
        return Status(msg::NotEnoughMemory);
    }
}

void CleanTemporary(Engine& engine) {
    const amiga::DosList& dos = engine.dos();
    if (const auto temp = ExpandText(engine, nullptr, "{TEMPDIR}")) {
        const std::string drawer = ParentOf(*temp);
        if (amiga::EqualsNoCase(amiga::FilePart(drawer), "StovanTemp")) {
            (void)amiga::DeleteAll(dos, drawer);  // what resists is found by the lock below
            if (amiga::Lock(dos, drawer).ok()) {
                // Something resisted: the next {TEMPDIR} names a fresh drawer.
                ++engine.scratchNumber;
            }
        }
    }
    if (const auto downloads = ExpandText(engine, nullptr, "{DOWNLOADDIR}")) {
        std::string drawer = *downloads;
        if (!drawer.empty() && drawer.back() != '/' && drawer.back() != ':') {
            drawer += '/';
        }
        // A download's leftovers only: nothing the user keeps is in it.
        (void)amiga::DeleteAll(dos, drawer + "StovanTemp");
    }
}

void ShowChangelog(ProcessContext& context, const ApplicationItem& item) {
    Engine& engine = context.engine();
    if ((engine.preferences().flags2 & SHOW_CHANGELOG) == 0 || !context.startProgram) {
        return;
    }
    const ExpandedEntryFiles files(engine);
    LocalisedOptions options;
    options.entriesAreFiles = true;
    options.files = &files;
    const std::string* entry =
        LocalisedEntry(item, ItemField::appChangelog, context.preferredLanguages, options);
    if (entry == nullptr) {
        return;
    }
    if (const auto path = ExpandText(engine, &item, *entry)) {
        context.startProgram("multiview " + *path);
    }
}

Status UpdateRelatedVersions(ProcessContext& context, ApplicationItem& item, CheckMode mode) {
    Status result = UpdateItemVersion(context.check, item, mode);
    ItemList& items = context.engine().items();
    if (result.ok() && !item.installDir().empty()) {
        if (ApplicationItem* followed = items.FindItem(item.installDir(), false);
            followed != nullptr && followed != &item) {
            result = UpdateItemVersion(context.check, *followed, mode);
        }
    }
    if (!result.ok()) {
        return result;
    }
    for (ApplicationItem& other : items) {
        if (&other == &item) {
            continue;
        }
        if (amiga::EqualsNoCase(other.name(), item.name())) {
            result = UpdateItemVersion(context.check, other, mode);
            if (!result.ok()) {
                return result;
            }
        } else if (amiga::EqualsNoCase(other.installDir(), item.name())) {
            result = UpdateItemVersion(context.check, other, mode);
            if (!result.ok()) {
                return result;
            }
        }
    }
    return result;
}

}  // namespace stovan
