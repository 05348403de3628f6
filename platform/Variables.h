#pragma once
// Environment variables as dos.library keeps them: global variables are
// files in ENV: (and, when saved, in ENVARC:); local variables live in a
// table owned by the caller (the shell process).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DosErrors.h"
#include "platform/Expected.h"
#include "platform/Volumes.h"

namespace amiga {

// Variable types (low byte of the flags) and flags of GetVar/SetVar/DeleteVar.
inline constexpr std::uint32_t LV_VAR = 0;
inline constexpr std::uint32_t LV_ALIAS = 1;
inline constexpr std::uint32_t GVF_GLOBAL_ONLY = 0x100;
inline constexpr std::uint32_t GVF_LOCAL_ONLY = 0x200;
inline constexpr std::uint32_t GVF_BINARY_VAR = 0x400;
inline constexpr std::uint32_t GVF_DONT_NULL_TERM = 0x800;
inline constexpr std::uint32_t GVF_SAVE_VAR = 0x1000;

// The largest global variable read.
inline constexpr std::size_t kMaxVariableSize = 1 << 20;

struct LocalVariable {
    std::string name;
    std::uint32_t type = LV_VAR;
    std::string value;
};

// A shell's local variables (and aliases), names compared without regard
// to case, kept in the order they were first set.
class LocalVariables {
  public:
    const LocalVariable* Find(std::string_view name, std::uint32_t type) const;
    void Set(std::string_view name, std::uint32_t type, std::string_view value);
    bool Remove(std::string_view name, std::uint32_t type);
    const std::vector<LocalVariable>& all() const { return variables_; }

  private:
    std::vector<LocalVariable> variables_;
};

// dos.library GetVar(): a local variable of the type in flags' low byte
// unless GVF_GLOBAL_ONLY, then (unless GVF_LOCAL_ONLY) the file ENV:name.
// Without GVF_BINARY_VAR the value ends at its first line feed.
// ERROR_OBJECT_NOT_FOUND when neither exists. locals may be null.
Expected<std::string, DosError> GetVar(const DosList& dos, const LocalVariables* locals,
                                       std::string_view name, std::uint32_t flags);

// dos.library SetVar(): a local variable unless GVF_GLOBAL_ONLY; a global
// one is written to ENV:name (drawers for "a/b" names are created) and with
// GVF_SAVE_VAR also to ENVARC:name. Global names are relative Amiga paths
// of plain names (no ":", no parent steps). ERROR_REQUIRED_ARG_MISSING for
// a local variable without a table.
DosStatus SetVar(const DosList& dos, LocalVariables* locals, std::string_view name,
                 std::string_view value, std::uint32_t flags);

// dos.library DeleteVar(): the local variable unless GVF_GLOBAL_ONLY; when
// there is none (and not GVF_LOCAL_ONLY) the ENV: file, and with
// GVF_SAVE_VAR the ENVARC: copy.
// ERROR_OBJECT_NOT_FOUND when nothing was deleted.
DosStatus DeleteVar(const DosList& dos, LocalVariables* locals, std::string_view name,
                    std::uint32_t flags);

}  // namespace amiga
