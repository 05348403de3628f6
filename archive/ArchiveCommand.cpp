#include "archive/ArchiveCommand.h"

#include <ostream>

#include "archive/LhaWriter.h"
#include "archive/Listing.h"
#include "platform/Latin1.h"

namespace stovan::archive {

using amiga::EqualsNoCase;
using amiga::ToLower;

namespace {

Unexpected<ArchiveError> Bad(const std::string& message) {
    return Unexpected{ArchiveError{ArchiveError::Kind::BadArguments, message}};
}

bool IsDrawerName(const std::string& text) {
    return !text.empty() && (text.back() == '/' || text.back() == ':');
}

}  // namespace

Expected<ArchiveCommandLine, ArchiveError> ParseLhaCommandLine(
    const std::vector<std::string>& arguments) {
    ArchiveCommandLine command;
    std::vector<std::string> positional;
    for (const auto& argument : arguments) {
        if (argument.size() > 1 && argument[0] == '-') {
            for (std::size_t i = 1; i < argument.size(); ++i) {
                switch (argument[i]) {
                    case 'r':
                        command.recursive = true;
                        break;
                    case 'e':
                        command.emptyDrawers = true;
                        break;
                    case 'q':
                        command.quiet = true;
                        break;
                    case 'm':
                        command.overwrite = OverwriteMode::Replace;
                        break;
                    case 'n':
                        command.overwrite = OverwriteMode::Skip;
                        break;
                    default:
                        break;  // switches of other LhA versions: no effect here
                }
            }
            continue;
        }
        positional.push_back(argument);
    }
    if (positional.size() < 2) {
        return Bad("LhA needs a command and an archive name.");
    }
    const std::string verb = ToLower(positional[0]);
    if (verb == "x") {
        command.action = ArchiveCommandLine::Action::Extract;
    } else if (verb == "e") {
        command.action = ArchiveCommandLine::Action::ExtractFlat;
    } else if (verb == "l" || verb == "v" || verb == "vv") {
        command.action = ArchiveCommandLine::Action::List;
    } else if (verb == "t") {
        command.action = ArchiveCommandLine::Action::Test;
    } else if (verb == "a" || verb == "u" || verb == "m") {
        command.action = ArchiveCommandLine::Action::Add;
    } else {
        return Bad("Unknown LhA command \"" + positional[0] + "\".");
    }
    command.archive = positional[1];
    std::vector<std::string> rest(positional.begin() + 2, positional.end());
    if (command.action == ArchiveCommandLine::Action::Add) {
        if (!rest.empty() && IsDrawerName(rest.front())) {
            command.baseDrawer = rest.front();
            rest.erase(rest.begin());
        }
        if (rest.empty()) {
            return Bad("LhA a needs the files to add.");
        }
    } else if (!rest.empty() && IsDrawerName(rest.back())) {
        command.destination = rest.back();
        rest.pop_back();
    }
    command.files = std::move(rest);
    return command;
}

Expected<ArchiveCommandLine, ArchiveError> ParseUnZipCommandLine(
    const std::vector<std::string>& arguments) {
    ArchiveCommandLine command;
    command.action = ArchiveCommandLine::Action::Extract;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-d") {
            if (i + 1 >= arguments.size()) {
                return Bad("UnZip -d needs a drawer.");
            }
            command.destination = arguments[++i];
            continue;
        }
        if (argument.size() > 1 && argument[0] == '-') {
            for (std::size_t k = 1; k < argument.size(); ++k) {
                switch (argument[k]) {
                    case 'o':
                        command.overwrite = OverwriteMode::Replace;
                        break;
                    case 'n':
                        command.overwrite = OverwriteMode::Skip;
                        break;
                    case 'q':
                        command.quiet = true;
                        break;
                    case 'j':
                        command.action = ArchiveCommandLine::Action::ExtractFlat;
                        break;
                    case 'l':
                    case 'v':
                        command.action = ArchiveCommandLine::Action::List;
                        break;
                    case 't':
                        command.action = ArchiveCommandLine::Action::Test;
                        break;
                    default:
                        break;
                }
            }
            continue;
        }
        positional.push_back(argument);
    }
    if (positional.empty()) {
        return Bad("UnZip needs an archive name.");
    }
    command.archive = positional[0];
    command.files.assign(positional.begin() + 1, positional.end());
    return command;
}

int RunArchiveCommand(const ArchiveCommandLine& command, const ArchiveCommandContext& context) {
    std::ostream& out = *context.out;
    auto fail = [&context](const ArchiveError& error) {
        *context.err << error.message << "\n";
        return error.returnCode();
    };
    const std::string archive = context.toHostPath(command.archive);

    if (command.action == ArchiveCommandLine::Action::Add) {
        const std::string base = context.toHostPath(command.baseDrawer);
        CollectOptions collect;
        collect.recursive = command.recursive;
        collect.emptyDrawers = command.emptyDrawers;
        collect.skipName = context.hostOnlyName;
        auto inputs = CollectLhaInputs(base, command.files, collect, context.source, archive);
        if (!inputs) {
            return fail(inputs.error());
        }
        auto written = CreateLhaArchive(archive, *inputs);
        if (!written) {
            return fail(written.error());
        }
        if (!command.quiet) {
            for (const auto& input : *inputs) {
                out << " Adding: " << input.archiveName << "\n";
            }
        }
        return 0;
    }

    ExtractOptions options;
    options.quiet = command.quiet;
    options.overwrite = command.overwrite;
    options.flat = command.action == ArchiveCommandLine::Action::ExtractFlat;
    options.containingRoot = context.destinationRoot;
    if (!command.files.empty()) {
        const auto patterns = command.files;
        const auto match = context.matchPattern;
        options.select = [patterns, match](const std::string& name) {
            std::string bare = name;
            while (!bare.empty() && bare.back() == '/') {
                bare.pop_back();
            }
            for (const auto& pattern : patterns) {
                if (match ? match(pattern, bare) : EqualsNoCase(pattern, bare)) {
                    return true;
                }
            }
            return false;
        };
    }
    if (context.hostOnlyName && command.action != ArchiveCommandLine::Action::List) {
        // Such an entry would overwrite what the host keeps beside a file.
        auto chosen = options.select;
        const auto hostOnly = context.hostOnlyName;
        options.select = [chosen, hostOnly](const std::string& name) {
            std::size_t start = 0;
            while (start < name.size()) {
                std::size_t slash = name.find('/', start);
                std::size_t end = slash == std::string::npos ? name.size() : slash;
                if (end > start && hostOnly(name.substr(start, end - start))) {
                    return false;
                }
                start = end + 1;
            }
            return !chosen || chosen(name);
        };
    }
    switch (command.action) {
        case ArchiveCommandLine::Action::List: {
            auto entries = ListArchive(archive);
            if (!entries) {
                return fail(entries.error());
            }
            if (options.select) {
                std::erase_if(*entries, [&options](const ArchiveEntryInfo& entry) {
                    return !options.select(entry.name);
                });
            }
            PrintArchiveListing(*entries, out);
            return 0;
        }
        case ArchiveCommandLine::Action::Test: {
            auto tested = TestArchive(archive, options, out);
            return tested ? 0 : fail(tested.error());
        }
        default:
            break;
    }
    auto extracted = ExtractArchive(archive, context.toHostPath(command.destination), options,
                                    context.sink, out);
    return extracted ? 0 : fail(extracted.error());
}

}  // namespace stovan::archive
