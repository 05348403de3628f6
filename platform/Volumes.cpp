#include "platform/Volumes.h"

#include <filesystem>

#include "platform/Latin1.h"

namespace amiga {
namespace {

bool IsAbsoluteAmigaPath(std::string_view path) {
    const std::size_t colon = path.find(':');
    return colon != std::string_view::npos && colon > 0 &&
           path.find('\0') == std::string_view::npos;
}

void AppendEscaped(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7E || c == '%' || c == ';' || c == '|' || c == '=') {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t from = 0;
    while (true) {
        const std::size_t at = text.find(separator, from);
        if (at == std::string_view::npos) {
            pieces.push_back(text.substr(from));
            return pieces;
        }
        pieces.push_back(text.substr(from, at - from));
        from = at + 1;
    }
}

std::string WithoutColon(std::string_view name) {
    if (name.ends_with(':')) {
        name.remove_suffix(1);
    }
    return std::string(name);
}

}  // namespace

DosList::DosList(std::string rootFolder, const MountTable& table)
    : rootFolder_(std::move(rootFolder)), profile_(table.profile) {
    namespace fs = std::filesystem;
    for (std::size_t i = 0; i < table.volumes.size(); ++i) {
        const VolumeEntry& entry = table.volumes[i];
        fs::path folder(entry.hostFolder);
        if (folder.is_relative()) {
            folder = fs::path(rootFolder_) / folder;
        }
        volumes_.push_back(
            {entry.name, entry.device, folder.lexically_normal().string(), entry.boot});
        if (entry.boot) {
            bootVolume_ = i;
        }
    }
    for (const AssignEntry& entry : table.assigns) {
        assigns_.push_back({entry.name, entry.targets});
    }
}

std::vector<MountedDevice> DosList::Devices() const {
    std::vector<MountedDevice> devices;
    for (std::size_t i = 0; i < volumes_.size(); ++i) {
        devices.push_back({volumes_[i].device.empty() ? volumes_[i].name : volumes_[i].device, i,
                           i == bootVolume_});
    }
    return devices;
}

Expected<DeviceLookup, DosError> DosList::FindDevice(std::string_view name) const {
    for (std::size_t i = 0; i < volumes_.size(); ++i) {
        if (EqualsNoCase(volumes_[i].name, name) ||
            (!volumes_[i].device.empty() && EqualsNoCase(volumes_[i].device, name))) {
            return DeviceLookup{DeviceLookup::Kind::Volume, i};
        }
    }
    for (std::size_t i = 0; i < assigns_.size(); ++i) {
        if (EqualsNoCase(assigns_[i].name, name)) {
            return DeviceLookup{DeviceLookup::Kind::Assign, i};
        }
    }
    if (EqualsNoCase(name, "SYS") && !volumes_.empty()) {
        return DeviceLookup{DeviceLookup::Kind::Volume, bootVolume_};
    }
    if (EqualsNoCase(name, "NIL")) {
        return DeviceLookup{DeviceLookup::Kind::Nil, 0};
    }
    return Unexpected{ERROR_DEVICE_NOT_MOUNTED};
}

Assign* DosList::FindAssign(std::string_view name) {
    for (Assign& assign : assigns_) {
        if (EqualsNoCase(assign.name, name)) {
            return &assign;
        }
    }
    return nullptr;
}

DosStatus DosList::AssignPath(std::string_view rawName, std::string_view target) {
    const std::string name = WithoutColon(rawName);
    if (!IsValidDeviceName(name) || !IsAbsoluteAmigaPath(target)) {
        return ERROR_INVALID_COMPONENT_NAME;
    }
    if (EqualsNoCase(name, "NIL")) {
        return ERROR_OBJECT_EXISTS;
    }
    for (const Volume& volume : volumes_) {
        if (EqualsNoCase(volume.name, name) || EqualsNoCase(volume.device, name)) {
            return ERROR_OBJECT_EXISTS;
        }
    }
    if (Assign* assign = FindAssign(name)) {
        assign->targets = {std::string(target)};
    } else {
        assigns_.push_back({name, {std::string(target)}});
    }
    return DosStatus::Ok();
}

DosStatus DosList::AssignAdd(std::string_view rawName, std::string_view target) {
    if (!IsAbsoluteAmigaPath(target)) {
        return ERROR_INVALID_COMPONENT_NAME;
    }
    Assign* assign = FindAssign(WithoutColon(rawName));
    if (assign == nullptr) {
        return ERROR_OBJECT_NOT_FOUND;
    }
    for (const std::string& existing : assign->targets) {
        if (EqualsNoCase(existing, target)) {
            return DosStatus::Ok();
        }
    }
    assign->targets.emplace_back(target);
    return DosStatus::Ok();
}

DosStatus DosList::RemAssignList(std::string_view rawName, std::string_view target) {
    Assign* assign = FindAssign(WithoutColon(rawName));
    if (assign == nullptr) {
        return ERROR_OBJECT_NOT_FOUND;
    }
    for (auto it = assign->targets.begin(); it != assign->targets.end(); ++it) {
        if (EqualsNoCase(*it, target)) {
            assign->targets.erase(it);
            if (assign->targets.empty()) {
                return RemoveAssign(assign->name);
            }
            return DosStatus::Ok();
        }
    }
    return ERROR_OBJECT_NOT_FOUND;
}

DosStatus DosList::RemoveAssign(std::string_view rawName) {
    const std::string name = WithoutColon(rawName);
    for (auto it = assigns_.begin(); it != assigns_.end(); ++it) {
        if (EqualsNoCase(it->name, name)) {
            assigns_.erase(it);
            return DosStatus::Ok();
        }
    }
    return ERROR_OBJECT_NOT_FOUND;
}

std::string DosList::SerializeAssigns() const {
    std::string out;
    for (const Assign& assign : assigns_) {
        if (!out.empty()) {
            out += ';';
        }
        AppendEscaped(out, assign.name);
        out += '=';
        for (std::size_t i = 0; i < assign.targets.size(); ++i) {
            if (i > 0) {
                out += '|';
            }
            AppendEscaped(out, assign.targets[i]);
        }
    }
    return out;
}

DosStatus DosList::ApplySerializedAssigns(std::string_view text) {
    std::vector<Assign> parsed;
    if (!text.empty()) {
        for (std::string_view entry : Split(text, ';')) {
            const std::size_t equals = entry.find('=');
            if (equals == std::string_view::npos) {
                return ERROR_BAD_TEMPLATE;
            }
            Assign assign;
            if (!Unescape(entry.substr(0, equals), assign.name) ||
                !IsValidDeviceName(assign.name)) {
                return ERROR_BAD_TEMPLATE;
            }
            for (std::string_view piece : Split(entry.substr(equals + 1), '|')) {
                std::string target;
                if (!Unescape(piece, target) || !IsAbsoluteAmigaPath(target)) {
                    return ERROR_BAD_TEMPLATE;
                }
                assign.targets.push_back(std::move(target));
            }
            for (const Assign& other : parsed) {
                if (EqualsNoCase(other.name, assign.name)) {
                    return ERROR_BAD_TEMPLATE;
                }
            }
            for (const Volume& volume : volumes_) {
                if (EqualsNoCase(volume.name, assign.name) ||
                    EqualsNoCase(volume.device, assign.name)) {
                    return ERROR_BAD_TEMPLATE;
                }
            }
            parsed.push_back(std::move(assign));
        }
    }
    assigns_ = std::move(parsed);
    return DosStatus::Ok();
}

std::vector<std::pair<std::string, std::string>> DosList::ChildEnvironment() const {
    return {{kRootVariable, rootFolder_}, {kAssignsVariable, SerializeAssigns()}};
}

}  // namespace amiga
