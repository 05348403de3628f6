// stovan tool readargs TEMPLATE LINE
//   Reads LINE with the AmigaDOS argument template TEMPLATE, as commands and
//   database lines are read, and prints one line per template item in
//   template order: NAME=VALUE with the item's first name; a text as read, a
//   number in decimal, a switch or toggle as TRUE or FALSE, an absent item
//   as (none), a /M item one line per value. When LINE ends in a lone "?",
//   the template and ": " are printed and one more line is read from standard
//   input, as AmigaDOS does. A failure prints the fault text on standard
//   error and gives exit code 10.
//   Example: stovan tool readargs "FROM/A/M,TO/A,QUIET/S" "a b c"

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/CommandRegistry.h"
#include "core/TerminalText.h"
#include "platform/Latin1.h"
#include "platform/ReadArgs.h"

namespace stovan::app {
namespace {

// The AmigaDOS return code for an error.
constexpr int kReturnError = 10;

struct ReadArgsOptions {
    std::string templateText;
    std::string line;
};

void Fail(amiga::DosError code, Context& context) {
    const std::string_view text = amiga::ReadArgsFaultText(code);
    if (text.empty()) {
        std::fprintf(stderr, "readargs: Error %d\n", static_cast<int>(code));
    } else {
        std::fprintf(stderr, "readargs: %s\n", std::string(text).c_str());
    }
    context.exitCode = kReturnError;
}

void PrintValue(const std::string& name, const std::string& value) {
    std::printf("%s=%s\n", TerminalText(VisibleText(name)).c_str(),
                TerminalText(VisibleText(value)).c_str());
}

void RunReadArgs(const ReadArgsOptions& options, Context& context) {
    auto parsed = amiga::ParseTemplate(amiga::Utf8ToLatin1(options.templateText));
    if (!parsed) {
        Fail(parsed.error(), context);
        return;
    }
    const amiga::Template& argumentTemplate = *parsed;
    std::string line = amiga::Utf8ToLatin1(options.line);
    if (std::optional<std::string> before = amiga::HelpRequest(line)) {
        std::printf("%s: ", options.templateText.c_str());
        std::fflush(stdout);
        std::string more;
        std::getline(std::cin, more);
        line = *before + amiga::Utf8ToLatin1(more);
    }
    auto arguments = amiga::ReadArgs(argumentTemplate, line);
    if (!arguments) {
        Fail(arguments.error(), context);
        return;
    }
    for (std::size_t i = 0; i < argumentTemplate.Size(); ++i) {
        const amiga::TemplateItem& item = argumentTemplate.Item(i);
        const std::string& name = item.Name();
        if (item.isSwitch || item.toggle) {
            const bool on = item.isSwitch ? arguments->Switch(i) : arguments->Toggle(i, false);
            PrintValue(name, on ? "TRUE" : "FALSE");
        } else if (!arguments->Present(i)) {
            PrintValue(name, "(none)");
        } else if (item.multiple && item.number) {
            for (std::int32_t number : arguments->Numbers(i)) {
                PrintValue(name, std::to_string(number));
            }
        } else if (item.multiple) {
            for (const std::string& value : arguments->Multi(i)) {
                PrintValue(name, value);
            }
        } else if (item.number) {
            PrintValue(name, std::to_string(arguments->Number(i)));
        } else {
            PrintValue(name, arguments->Text(i));
        }
    }
    context.exitCode = 0;
}

}  // namespace

void AddToolReadArgsCommand(CLI::App& program, Context& context) {
    CLI::App& tools = SubcommandGroup(program, "tool", "tools for database authors");
    auto* command =
        tools.add_subcommand("readargs", "read a command line with an AmigaDOS argument template");
    auto options = std::make_shared<ReadArgsOptions>();
    command
        ->add_option("TEMPLATE", options->templateText,
                     "the template, for example \"FROM/A/M,TO/A\"")
        ->required();
    command->add_option("LINE", options->line, "the argument line")->required();
    command->callback([options, &context] { RunReadArgs(*options, context); });
}
}  // namespace stovan::app
