#pragma once
// The shell's host on a real system root: every Amiga path goes through the
// host layer (Lock, Examine, ListDrawer, CreateDir, DeleteFile, Rename, the
// ".uaem" sidecars for protection bits, comments and dates), global
// variables are files in ENV: and ENVARC:, and assigns made by the Assign
// command change this process's DosList, which child processes receive
// through the environment.

#include <string>

#include "platform/Locks.h"
#include "platform/Volumes.h"
#include "shell/Host.h"

namespace amiga {

class PlatformHost : public ShellHost {
  public:
    // The current drawer starts at the boot volume's root ("SYS:").
    explicit PlatformHost(DosList dos);

    const DosList& dos() const { return dos_; }

    Expected<ObjectInfo, DosError> Examine(std::string_view path) override;
    Expected<std::vector<ObjectInfo>, DosError> ExamineDrawer(std::string_view path) override;
    Expected<int, DosError> OpenFile(std::string_view path, StreamMode mode) override;
    Expected<std::string, DosError> HostPathFor(std::string_view path) override;
    Expected<std::string, DosError> VolumeRootFor(std::string_view path) override;
    DosResult CreateDir(std::string_view path) override;
    DosResult MakeLink(std::string_view path, std::string_view target) override;
    DosResult DeleteObject(std::string_view path) override;
    DosResult Rename(std::string_view from, std::string_view to) override;
    DosResult SetProtection(std::string_view path, std::uint32_t bits) override;
    DosResult SetComment(std::string_view path, std::string_view comment) override;
    DosResult SetDate(std::string_view path, const DateStamp& date) override;
    std::string CurrentDrawer() const override { return currentName_; }
    DosResult SetCurrentDrawer(std::string_view path) override;
    std::string CurrentDrawerHostPath() const override { return current_.hostPath; }
    std::optional<std::string> GetVar(std::string_view name) override;
    DosResult SetVar(std::string_view name, std::string_view value, bool save) override;
    DosResult DeleteVar(std::string_view name, bool save) override;
    std::vector<AssignEntry> Assigns() override;
    std::vector<std::string> Volumes() override;
    DosResult Assign(std::string_view name, const std::vector<std::string>& targets,
                     AssignMode mode) override;
    std::vector<std::string> CommandDrawers() override;
    std::vector<std::string> ChildEnvironment() override;

  private:
    ObjectInfo Info(const FileLock& lock);
    // Info of the object path names in drawer, a soft link as the link.
    Expected<ObjectInfo, DosError> InfoNoFollow(std::string_view path, const FileLock& drawer);

    DosList dos_;
    FileLock current_;
    std::string currentName_;
};

}  // namespace amiga
