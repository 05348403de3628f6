#include "database/ConfigFiles.h"

#include <cstdio>
#include <ctime>
#include <new>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "database/Engine.h"
#include "database/Item.h"
#include "database/Parser.h"
#include "platform/DosFiles.h"
#include "platform/Icon.h"
#include "platform/Locks.h"
#include "platform/ReadArgs.h"

namespace stovan {

namespace {

// " DUPENAME \"x\"" for an item found by its DUPENAME, else nothing. The
// records keep their fixed shape: two blanks before the next keyword
// without a DUPENAME, one with it.
std::string DupeNamePart(const ApplicationItem& item) {
    if (item.HasFlags(HAS_DUPENAME) && !item.dupeName().empty()) {
        return "DUPENAME " + amiga::QuoteArgument(item.dupeName(), true);
    }
    return std::string();
}

std::string Triple(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    // Version numbers are at most 2147483647 (ParseVersionTriple caps
    // them), so they print the same signed or unsigned.
    return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c);
}

std::string DateTriple(const amiga::DateStamp& date) {
    return std::to_string(date.days) + "." + std::to_string(date.minute) + "." +
           std::to_string(date.tick);
}

template <typename Format>
Status WriteRecords(Engine& engine, std::string_view path, const amiga::FileLock* drawer,
                    std::string_view kept, Format format) {
    try {
        std::string content(kDatabaseFileHeader);
        for (const ApplicationItem& item : engine.items()) {
            content += format(item);
        }
        content += kept;
        if (amiga::DosStatus status = amiga::WriteFile(engine.dos(), path, content, drawer);
            !status) {
            return Status(msg::CannotCreateTempFile);
        }
        return Status::Ok();
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

// Renames a Config.db that could not be read whole out of the way of the
// next save, with the time in its name so that an older damaged copy stays.
void KeepDamagedFile(Engine& engine, const amiga::FileLock& drawer) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    const std::string kept = std::string(kConfigurationFileName) + ".damaged-" + stamp;
    const amiga::DosStatus renamed =
        amiga::Rename(engine.dos(), kConfigurationFileName, kept, &drawer);
    // The parser's entries name the faults; this one says where the file went.
    engine.log().AddLogEntry(
        msg::ParseWarning, kConfigurationFileName, 0,
        renamed.ok() ? "the file was kept as " + kept + " before the next save replaces it"
                     : "the file could not be kept aside: " + amiga::FaultText(renamed.error()));
}

}  // namespace

std::string FormatConfigurationRecord(const ApplicationItem& item) {
    std::string record = "## ITEM " + amiga::QuoteArgument(item.name(), true) + " " +
                         DupeNamePart(item) + " MODE \"" + std::string(ModeWord(item.mode)) +
                         "\"\n";
    if (!(item.itemFlags() & (INSTALLDIR_DISABLED | INSTALLDIR_FOLLOWS)) &&
        !item.installDir().empty()) {
        record += "## INSTALLDIR " + amiga::QuoteArgument(item.installDir(), true) + "\n";
    }
    record += "## ITEM END\n";
    return record;
}

std::string FormatVersionCacheRecord(const ApplicationItem& item) {
    const VersionTriple& installed = item.installedVersion;
    const VersionTriple& server = item.serverVersion;
    return "## ITEM " + amiga::QuoteArgument(item.name(), true) + " " + DupeNamePart(item) +
           " STATE " + std::string(StateWord(item.state)) + " VERSION \"" +
           Triple(installed.version, installed.revision, installed.build) + "\" DATE \"" +
           DateTriple(item.installedDate) + "\" SVERSION \"" +
           Triple(server.version, server.revision, server.build) + "\" SDATE \"" +
           DateTriple(item.serverDate) + "\"\n## ITEM END\n";
}

Status SaveConfiguration(Engine& engine, std::string_view drawer) {
    if (engine.items().empty()) {
        return Status::Ok();
    }
    Log& log = engine.log();
    log.AddLogEntry(msg::SavingConfiguration);
    Status result(msg::CannotCreateTempFile);
    // Ignored here: a drawer that could not be made fails the lock below,
    // and that failure is the result.
    (void)amiga::CreateDrawerPathWithIcons(engine.dos(), drawer);
    auto lock = amiga::Lock(engine.dos(), drawer);
    if (lock && lock->drawer) {
        result = WriteRecords(
            engine, kConfigurationFileName, &*lock, engine.keptConfiguration,
            [](const ApplicationItem& item) { return FormatConfigurationRecord(item); });
    }
    log.AddLogSeparator();
    return result;
}

Status LoadConfiguration(Engine& engine, std::string_view drawer) {
    auto lock = amiga::Lock(engine.dos(), drawer);
    if (!lock || !lock->drawer) {
        return Status::Ok();
    }
    auto file = amiga::Lock(engine.dos(), kConfigurationFileName, &*lock);
    if (!file && file.error() == amiga::ERROR_OBJECT_NOT_FOUND) {
        return Status::Ok();
    }
    // Only the records of this file are carried over (not those of a
    // "config.db" a user put among the databases).
    engine.keptConfiguration.clear();
    const ParseTotals totals = ParseDatabaseFile(engine, kConfigurationFileName, &*lock);
    if (totals.errors > 0) {
        KeepDamagedFile(engine, *lock);
    }
    return totals.outOfMemory ? Status(msg::NotEnoughMemory) : Status::Ok();
}

Status SaveVersionCache(Engine& engine, std::string_view fileName) {
    if (engine.items().empty()) {
        return Status::Ok();
    }
    return WriteRecords(engine, fileName, nullptr, {},
                        [](const ApplicationItem& item) { return FormatVersionCacheRecord(item); });
}

}  // namespace stovan
