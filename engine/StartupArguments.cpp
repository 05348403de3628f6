#include "engine/StartupArguments.h"

#include "platform/Icon.h"
#include "platform/Latin1.h"
#include "platform/Locks.h"
#include "platform/ReadArgs.h"
#include "platform/StrToLong.h"

namespace stovan {

namespace {

bool ToolTypeSwitch(std::string_view value) {
    return amiga::EqualsNoCase(value, "YES") || amiga::EqualsNoCase(value, "ON") ||
           amiga::EqualsNoCase(value, "TRUE");
}

}  // namespace

void ApplyToolTypes(StartupArguments& arguments, const std::vector<std::string>& toolTypes) {
    if (const auto key = amiga::FindToolType(toolTypes, "CX_POPKEY")) {
        arguments.popKey = std::string(*key);
    }
    if (const auto priority = amiga::FindToolType(toolTypes, "CX_PRI")) {
        std::int32_t value = 0;
        if (amiga::StrToLong(*priority, value) >= 0) {
            arguments.brokerPriority = value;
        }
    }
    if (const auto popUp = amiga::FindToolType(toolTypes, "CX_POPUP")) {
        arguments.popUp = ToolTypeSwitch(*popUp);
    }
    if (const auto noImages = amiga::FindToolType(toolTypes, "NOIMAGES")) {
        arguments.noImages = ToolTypeSwitch(*noImages) ? 1 : 0;
    }
}

std::vector<std::string> ProgramToolTypes(const amiga::DosList& dos) {
    auto lock = amiga::Lock(dos, kProgramIcon);
    if (!lock || lock->drawer) {
        return {};
    }
    auto icon = amiga::ReadDiskObjectFile(lock->hostPath);
    if (!icon) {
        return {};
    }
    std::vector<std::string> toolTypes = std::move(icon->toolTypes);
    // NewIcons keep their image lines as tool types; they are no settings.
    toolTypes.resize(amiga::NewIconsBlockStart(toolTypes));
    return toolTypes;
}

std::optional<amiga::DosError> ApplyCommandLine(StartupArguments& arguments,
                                                std::string_view line) {
    auto parsed = amiga::ParseTemplate(kStartupTemplate);
    if (!parsed) {
        return parsed.error();
    }
    auto read = amiga::ReadArgs(*parsed, line);
    if (!read) {
        return read.error();
    }
    if (read->Present("CX_POPKEY")) {
        arguments.popKey = read->Text("CX_POPKEY");
    }
    if (read->Present("CX_PRI")) {
        arguments.brokerPriority = read->Number("CX_PRI");
    }
    if (read->Switch("CX_POPUP")) {
        arguments.popUp = true;
    }
    if (read->Switch("NOIMAGES")) {
        ++arguments.noImages;
    }
    return std::nullopt;
}

std::string StartupCommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) {
            line += ' ';
        }
        const std::size_t equals = word.find('=');
        const std::string_view name = std::string_view(word).substr(0, equals);
        const bool keyword = equals != std::string::npos && equals > 0 &&
                             name.find_first_of(" \t\"*;") == std::string_view::npos;
        if (keyword) {
            line += std::string(name) + "=" + amiga::QuoteArgument(word.substr(equals + 1));
        } else {
            line += amiga::QuoteArgument(word);
        }
    }
    return line;
}

}  // namespace stovan
