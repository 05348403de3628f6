// stovan tool icon FILE...
//   Prints what Workbench reads from each icon file (the ".info" file itself):
//   its format, type, default tool, stack size, position, drawer window and
//   tool types, and what extension data follows the classic part. A file
//   that is not a readable icon prints the reason on standard error and gives
//   exit code 10.
//   Example: stovan tool icon Work/Tools.info

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandRegistry.h"
#include "core/TerminalText.h"
#include "platform/Icon.h"
#include "platform/Iff.h"
#include "platform/Latin1.h"

namespace stovan::app {
namespace {

// The AmigaDOS return code for an error.
constexpr int kReturnError = 10;

std::string Position(std::int32_t value) {
    return value == amiga::NO_ICON_POSITION ? std::string("none") : std::to_string(value);
}

std::string Text(std::string_view latin1) {
    return TerminalText(VisibleText(latin1));
}

void PrintIcon(const std::string& file, const amiga::DiskObject& icon) {
    const std::string_view typeName = amiga::IconTypeName(icon.type);
    std::printf("%s\n", file.c_str());
    std::printf("  format:       %s\n",
                icon.format == amiga::IconFormat::Png ? "PNG icon" : "classic icon");
    std::printf("  type:         %s (%u)\n",
                typeName.empty() ? "unknown" : std::string(typeName).c_str(), icon.type);
    std::printf("  default tool: %s\n",
                icon.defaultTool ? Text(*icon.defaultTool).c_str() : "(none)");
    std::printf("  stack:        %d\n", icon.stackSize);
    std::printf("  position:     %s, %s\n", Position(icon.currentX).c_str(),
                Position(icon.currentY).c_str());
    if (icon.image) {
        std::printf("  image:        %dx%d, %d planes%s\n", icon.image->width, icon.image->height,
                    icon.image->depth, icon.selectImage ? ", with selected image" : "");
    }
    if (icon.drawerData) {
        const amiga::IconDrawerData& drawer = *icon.drawerData;
        std::printf("  drawer:       window %d,%d %dx%d, view modes %u, flags 0x%X\n",
                    drawer.leftEdge, drawer.topEdge, drawer.width, drawer.height, drawer.viewModes,
                    drawer.ddFlags);
    }
    if (!icon.extension.empty()) {
        auto form = amiga::ParseIffForm(icon.extension);
        std::printf(
            "  extension:    %zu bytes%s\n", icon.extension.size(),
            form && form->type == amiga::MakeIffId("ICON") ? " (FORM ICON colour images)" : "");
    }
    const std::size_t newIcons = amiga::NewIconsBlockStart(icon.toolTypes);
    std::printf("  tool types:   %zu%s\n", newIcons,
                newIcons < icon.toolTypes.size() ? " (and NewIcons image lines)" : "");
    for (std::size_t index = 0; index < newIcons; ++index) {
        std::printf("    %s\n", Text(icon.toolTypes[index]).c_str());
    }
}

void RunIcon(const std::vector<std::string>& files, Context& context) {
    context.exitCode = 0;
    for (const std::string& file : files) {
        auto icon = amiga::ReadDiskObjectFile(file);
        if (!icon) {
            std::fprintf(stderr, "icon: %s: %s\n", file.c_str(),
                         std::string(amiga::IconErrorText(icon.error())).c_str());
            context.exitCode = kReturnError;
            continue;
        }
        PrintIcon(file, *icon);
    }
}

}  // namespace

void AddToolIconCommand(CLI::App& program, Context& context) {
    CLI::App& tools = SubcommandGroup(program, "tool", "tools for database authors");
    auto* command = tools.add_subcommand(
        "icon", "print an icon's type, default tool, stack, position and tool types");
    auto files = std::make_shared<std::vector<std::string>>();
    command->add_option("FILE", *files, "the .info files")->required();
    command->callback([files, &context] { RunIcon(*files, context); });
}
}  // namespace stovan::app
