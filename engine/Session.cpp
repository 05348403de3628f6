#include "engine/Session.h"

#include "database/ConfigFiles.h"
#include "database/Loader.h"
#include "database/Parser.h"
#include "database/SampleDatabase.h"
#include "engine/CompanionCommands.h"
#include "engine/ImageCache.h"
#include "engine/ProgramFolders.h"
#include "platform/DosFiles.h"
#include "platform/Locks.h"
#include "platform/SystemRoot.h"
#include "prefs/SystemPreferences.h"

namespace stovan {

namespace {

// True when the root's internal database drawer exists and holds nothing:
// a new root that needs the sample database.
bool NeedsSampleDatabase(const amiga::DosList& dos) {
    auto drawer = amiga::Lock(dos, kInternalDrawer);
    if (!drawer || !drawer->drawer) {
        return false;
    }
    auto entries = amiga::ListDrawer(*drawer);
    return entries && entries->empty();
}

// The last name of an Amiga path ("T:StovanVersion.db" -> "StovanVersion.db").
std::string_view FileNamePart(std::string_view path) {
    const std::size_t cut = path.find_last_of(":/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// What a run killed during a save left behind: temporary files that no
// writer will ever rename. Each is removed under the lock its writers
// take, so a save in progress in another run keeps its file. How many went
// is of no interest; one that stays is tried again at the next start.
void RemoveStaleTemporaries(const amiga::DosList& dos) {
    (void)amiga::RemoveTemporaryFiles(dos, kPrefsDrawer, kConfigurationFileName);
    (void)amiga::RemoveTemporaryFiles(dos, "T:", FileNamePart(kVersionCacheFileName));  // as above
    // A run stuck in a preferences save is left alone; its temporary file
    // goes at a later start.
    if (auto preferences = amiga::LockRoot(dos.rootFolder(), std::string(kPreferencesLockName),
                                           std::chrono::milliseconds(2000))) {
        // As above: the count does not matter.
        (void)amiga::RemoveTemporaryFiles(dos, kPreferencesDrawer, FileNamePart(kPreferencesPath));
    }
}

// The pictures shipped beside the sample database ("Database/Images" next
// to "Database/Internal") go into a root that has none, also into one made
// before Stovan shipped them. Without them the panel shows no picture;
// nothing else depends on them.
void SeedShippedPictures(const amiga::DosList& dos) {
    if (auto drawer = amiga::Lock(dos, kShippedImagesDrawer)) {
        auto entries = amiga::ListDrawer(*drawer);
        if (!entries || !entries->empty()) {
            return;
        }
    }
    auto sample = SampleDatabaseFolder();
    if (!sample) {
        return;
    }
    const std::string folder = sample->substr(0, sample->find_last_of('/')) + "/Images";
    if (auto stat = amiga::HostStatFollow(folder);
        !stat || stat->type != amiga::HostType::Directory) {
        return;
    }
    // A courtesy, as said above: a drawer that cannot be made fails the
    // copy, and a picture that is not copied leaves the panel's placeholder.
    (void)amiga::CreateDrawerPath(dos, kShippedImagesDrawer);
    (void)SeedSampleDatabase(dos, folder, kShippedImagesDrawer);
}

}  // namespace

Session::~Session() {
    if (engine && engine->listComplete) {
        // The cache only saves a later command a check: a failed write
        // costs no user data, and a destructor has no one to tell.
        (void)SaveVersionCache(*engine, kVersionCacheFileName);
    }
}

amiga::Expected<std::unique_ptr<Session>, std::string> OpenSession(const std::string& root) {
    auto dos = amiga::OpenProcessRoot(root);
    AMIGA_RETURN_IF_FAILED(dos);
    auto session = std::make_unique<Session>();
    auto configuration = amiga::LockRoot(dos->rootFolder(), std::string(kConfigurationLockName));
    AMIGA_RETURN_IF_FAILED(configuration);
    session->configurationLock = std::move(*configuration);
    session->dos = std::move(*dos);
    RemoveStaleTemporaries(session->dos);
    if (NeedsSampleDatabase(session->dos)) {
        auto sample = SampleDatabaseFolder();
        AMIGA_RETURN_IF_FAILED(sample);
        if (SeedSampleDatabase(session->dos, *sample) == 0) {
            return amiga::Unexpected{"no database file could be copied from " + *sample + " into " +
                                     std::string(kInternalDrawer)};
        }
    }
    SeedShippedPictures(session->dos);
    // The scripts Stovan runs call the companion commands from its command drawer.
    if (std::string problem = InstallCompanionPrograms(session->dos, CompanionProgramFolder());
        !problem.empty()) {
        session->problems.push_back(std::move(problem));
    }
    // A missing or broken file leaves the validated defaults of the root's
    // system in the record, which is what Stovan runs with then; the
    // preferences window shows the file's state when it is opened.
    (void)LoadLivePreferences(session->preferences, session->dos);
    session->engine = std::make_unique<Engine>(session->dos, session->preferences, session->log);
    return session;
}

Status LogFailure(Session& session, Status status) {
    if (!status) {
        session.log.AddLogEntry(status.message());
    }
    return status;
}

Status ReloadSession(Session& session) {
    if (Status launched = LaunchReload(*session.engine); !launched) {
        return LogFailure(session, launched);
    }
    return LogFailure(session, ReloadDatabase(*session.engine));
}

}  // namespace stovan
