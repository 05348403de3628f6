#include "platform/Variables.h"

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Latin1.h"

namespace amiga {
namespace {

// A global variable's name is a relative path of plain names: "Stovan" or
// "Sys/def_drawer"; it may not climb out of ENV: or name a device.
bool IsValidGlobalName(std::string_view name) {
    auto parsed = ParsePath(name);
    if (!parsed || parsed->start != PathStart::CurrentDrawer || parsed->steps.empty()) {
        return false;
    }
    for (const PathStep& step : parsed->steps) {
        if (step.parent) {
            return false;
        }
    }
    return !name.ends_with('/');
}

std::string EndAtLineFeed(std::string value, std::uint32_t flags) {
    if ((flags & GVF_BINARY_VAR) == 0) {
        const std::size_t lineFeed = value.find('\n');
        if (lineFeed != std::string::npos) {
            value.resize(lineFeed);
        }
    }
    return value;
}

DosStatus WriteGlobal(const DosList& dos, std::string_view assign, std::string_view name,
                      std::string_view value) {
    const std::string path = std::string(assign) + std::string(name);
    const std::string_view drawer = PathPart(path);
    if (drawer.size() > assign.size()) {
        if (DosStatus status = CreateDrawerPath(dos, drawer); !status) {
            return status;
        }
    }
    return WriteFile(dos, path, value);
}

}  // namespace

const LocalVariable* LocalVariables::Find(std::string_view name, std::uint32_t type) const {
    for (const LocalVariable& variable : variables_) {
        if (variable.type == type && EqualsNoCase(variable.name, name)) {
            return &variable;
        }
    }
    return nullptr;
}

void LocalVariables::Set(std::string_view name, std::uint32_t type, std::string_view value) {
    for (LocalVariable& variable : variables_) {
        if (variable.type == type && EqualsNoCase(variable.name, name)) {
            variable.value = std::string(value);
            return;
        }
    }
    variables_.push_back({std::string(name), type, std::string(value)});
}

bool LocalVariables::Remove(std::string_view name, std::uint32_t type) {
    for (auto it = variables_.begin(); it != variables_.end(); ++it) {
        if (it->type == type && EqualsNoCase(it->name, name)) {
            variables_.erase(it);
            return true;
        }
    }
    return false;
}

Expected<std::string, DosError> GetVar(const DosList& dos, const LocalVariables* locals,
                                       std::string_view name, std::uint32_t flags) {
    if (name.empty()) {
        return Unexpected{ERROR_REQUIRED_ARG_MISSING};
    }
    const std::uint32_t type = flags & 0xFF;
    if ((flags & GVF_GLOBAL_ONLY) == 0 && locals != nullptr) {
        if (const LocalVariable* variable = locals->Find(name, type)) {
            return EndAtLineFeed(variable->value, flags);
        }
    }
    if ((flags & GVF_LOCAL_ONLY) != 0 || type != LV_VAR) {
        return Unexpected{ERROR_OBJECT_NOT_FOUND};
    }
    if (!IsValidGlobalName(name)) {
        return Unexpected{ERROR_OBJECT_NOT_FOUND};
    }
    auto value = ReadFile(dos, "ENV:" + std::string(name));
    if (!value) {
        return Unexpected{value.error() == ERROR_OBJECT_WRONG_TYPE ? ERROR_OBJECT_NOT_FOUND
                                                                   : value.error()};
    }
    if (value->size() > kMaxVariableSize) {
        return Unexpected{ERROR_OBJECT_TOO_LARGE};
    }
    return EndAtLineFeed(std::move(*value), flags);
}

DosStatus SetVar(const DosList& dos, LocalVariables* locals, std::string_view name,
                 std::string_view value, std::uint32_t flags) {
    if (name.empty()) {
        return ERROR_REQUIRED_ARG_MISSING;
    }
    if ((flags & GVF_GLOBAL_ONLY) == 0) {
        if (locals == nullptr) {
            return ERROR_REQUIRED_ARG_MISSING;
        }
        locals->Set(name, flags & 0xFF, value);
        return DosStatus::Ok();
    }
    if (!IsValidGlobalName(name)) {
        return ERROR_INVALID_COMPONENT_NAME;
    }
    if (DosStatus status = WriteGlobal(dos, "ENV:", name, value); !status) {
        return status;
    }
    if (flags & GVF_SAVE_VAR) {
        return WriteGlobal(dos, "ENVARC:", name, value);
    }
    return DosStatus::Ok();
}

DosStatus DeleteVar(const DosList& dos, LocalVariables* locals, std::string_view name,
                    std::uint32_t flags) {
    if ((flags & GVF_GLOBAL_ONLY) == 0) {
        if (locals != nullptr && locals->Remove(name, flags & 0xFF)) {
            return DosStatus::Ok();
        }
        if ((flags & GVF_LOCAL_ONLY) != 0) {
            return ERROR_OBJECT_NOT_FOUND;
        }
    }
    if (!IsValidGlobalName(name)) {
        return ERROR_OBJECT_NOT_FOUND;
    }
    DosStatus status = DeleteFile(dos, "ENV:" + std::string(name));
    if (flags & GVF_SAVE_VAR) {
        DosStatus saved = DeleteFile(dos, "ENVARC:" + std::string(name));
        if (status.ok() || saved.ok()) {
            return DosStatus::Ok();
        }
    }
    return status;
}

}  // namespace amiga
