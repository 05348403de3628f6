// Type: shows the contents of files; NUMBER puts line numbers in front, HEX
// shows bytes in hexadecimal. TO writes to a file instead.
// Template: FROM/A/M,TO/K,OPT/K,HEX/S,NUMBER/S

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "shell/Break.h"
#include "shell/Command.h"
#include "shell/Matching.h"

namespace amiga {

namespace {

std::string HexLines(std::string_view data) {
    std::string text;
    char buffer[32];
    for (std::size_t offset = 0; offset < data.size(); offset += 16) {
        std::snprintf(buffer, sizeof buffer, "%04zx: ", offset);
        text += buffer;
        std::string printable;
        for (std::size_t i = 0; i < 16; ++i) {
            if (offset + i < data.size()) {
                unsigned char c = static_cast<unsigned char>(data[offset + i]);
                std::snprintf(buffer, sizeof buffer, "%02x", c);
                text += buffer;
                printable += (c >= 32 && c < 127) ? static_cast<char>(c) : '.';
            } else {
                text += "  ";
            }
            if (i % 4 == 3) {
                text += ' ';
            }
        }
        text += printable + "\n";
    }
    return text;
}

int RunType(CommandContext& context) {
    const ParsedArgs& args = context.args;
    std::string option = args.Text("OPT");
    bool hex = args.Switch("HEX") || option.find_first_of("hH") != std::string::npos;
    bool number = args.Switch("NUMBER") || option.find_first_of("nN") != std::string::npos;
    int out = context.io.out;
    FileDescriptor toFile;
    if (args.Has("TO")) {
        auto opened = context.host.OpenFile(args.Text("TO"), StreamMode::NewFile);
        if (!opened) {
            return context.Fault(opened.error(), context.name, RETURN_ERROR);
        }
        toFile = FileDescriptor(*opened);
        out = toFile.get();
    }
    for (const std::string& name : args.Multi("FROM")) {
        auto expansion = ExpandPath(context.host, name);
        if (!expansion || expansion->objects.empty()) {
            return context.Fault(expansion ? ERROR_OBJECT_NOT_FOUND : expansion.error(), name,
                                 RETURN_ERROR);
        }
        for (const ObjectInfo& object : expansion->objects) {
            if (object.isDrawer) {
                return context.Fault(ERROR_OBJECT_WRONG_TYPE, object.name, RETURN_ERROR);
            }
            auto opened = context.host.OpenFile(object.amigaPath, StreamMode::OldFile);
            if (!opened) {
                return context.Fault(opened.error(), object.name, RETURN_ERROR);
            }
            FileDescriptor file(*opened);
            if (!hex && !number) {
                char buffer[65536];
                for (;;) {
                    if (BreakRequested()) {
                        context.result2 = ERROR_BREAK;
                        return RETURN_WARN;
                    }
                    ssize_t got = ::read(file.get(), buffer, sizeof buffer);
                    if (got < 0 && errno == EINTR) {
                        continue;
                    }
                    if (got <= 0) {
                        break;
                    }
                    if (!context.Write(out,
                                       std::string_view(buffer, static_cast<std::size_t>(got)))) {
                        return RETURN_FAIL;  // the shell reports the failed write
                    }
                }
                continue;
            }
            auto data = ReadAll(file.get(), 64 * 1024 * 1024);
            if (!data) {
                return context.Fault(ERROR_OBJECT_TOO_LARGE, object.name, RETURN_ERROR);
            }
            if (hex) {
                if (!context.Write(out, HexLines(*data))) {
                    return RETURN_FAIL;
                }
                continue;
            }
            std::size_t line = 1;
            std::size_t start = 0;
            while (start < data->size()) {
                std::size_t end = data->find('\n', start);
                std::size_t stop = end == std::string::npos ? data->size() : end + 1;
                char prefix[16];
                std::snprintf(prefix, sizeof prefix, "%5zu ", line++);
                if (!context.Write(out, std::string(prefix) + data->substr(start, stop - start))) {
                    return RETURN_FAIL;
                }
                start = stop;
            }
        }
    }
    if (!context.CloseOutput(toFile)) {
        return RETURN_FAIL;
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kTypeCommand{"Type", "FROM/A/M,TO/K,OPT/K,HEX/S,NUMBER/S", RunType};

}  // namespace amiga
