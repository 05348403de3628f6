#pragma once
// A throw-away system root for the shell tests: volumes are folders of a
// temporary directory, assigns point at Amiga paths (C: may list several
// drawers), protection bits and comments are kept in memory.

#include <filesystem>
#include <map>
#include <string>

#include "platform/Latin1.h"
#include "shell/Host.h"

namespace amiga::test {

class TestHost : public ShellHost {
  public:
    TestHost();
    ~TestHost() override;

    const std::filesystem::path& root() const { return root_; }
    // Host path of an Amiga path (for checks); the parent must exist.
    std::filesystem::path HostPath(std::string_view amigaPath);
    // Creates a drawer and the drawers on the way.
    void EnsureDrawer(std::string_view amigaPath);
    // Writes a file (drawers on the way are created).
    void WriteFile(std::string_view amigaPath, std::string_view content);
    std::string ReadFile(std::string_view amigaPath);
    bool Exists(std::string_view amigaPath);
    std::uint32_t Protection(std::string_view amigaPath);
    std::string Comment(std::string_view amigaPath);

    Expected<ObjectInfo, fault::Code> Examine(std::string_view path) override;
    Expected<std::vector<ObjectInfo>, fault::Code> ExamineDrawer(std::string_view path) override;
    Expected<int, fault::Code> OpenFile(std::string_view path, OpenMode mode) override;
    DosResult CreateDir(std::string_view path) override;
    DosResult DeleteObject(std::string_view path) override;
    DosResult Rename(std::string_view from, std::string_view to) override;
    DosResult SetProtection(std::string_view path, std::uint32_t bits) override;
    DosResult SetComment(std::string_view path, std::string_view comment) override;
    DosResult SetDate(std::string_view path, const DateStamp& date) override;
    std::string CurrentDrawer() const override { return current_; }
    DosResult SetCurrentDrawer(std::string_view path) override;
    std::string CurrentDrawerHostPath() const override;
    std::optional<std::string> GetVar(std::string_view name) override;
    DosResult SetVar(std::string_view name, std::string_view value, bool save) override;
    DosResult DeleteVar(std::string_view name, bool save) override;
    std::vector<AssignEntry> Assigns() override;
    std::vector<std::string> Volumes() override;
    DosResult Assign(std::string_view name, const std::vector<std::string>& targets,
                     AssignMode mode) override;
    std::vector<std::string> CommandDrawers() override;
    std::vector<std::string> ChildEnvironment() override {
        return {"STOVAN_TEST_ROOT=" + root_.string()};
    }

  private:
    struct Resolved {
        std::filesystem::path host;
        std::string amiga;
    };
    // Existing object (mustExist) or the place for a new one.
    Expected<Resolved, fault::Code> Resolve(std::string_view path, bool mustExist, int depth = 0);
    ObjectInfo Info(const Resolved& resolved);

    std::filesystem::path root_;
    std::map<std::string, std::filesystem::path, NoCaseLess> volumes_;
    std::map<std::string, std::vector<std::string>, NoCaseLess> assigns_;
    std::map<std::string, std::uint32_t> protection_;
    std::map<std::string, std::string> comments_;
    std::string current_ = "SYS:";
};

}  // namespace amiga::test
