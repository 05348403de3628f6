// Echo: prints its words separated by blanks and a line feed (none with
// NOLINE). FIRST n starts each word at its n-th character, LEN n keeps at most
// n characters (alone: the last n). TO writes to a new file instead.
// Template: /M,NOLINE/S,FIRST/K/N,LEN/K/N,TO/K

#include <unistd.h>

#include "shell/Command.h"

namespace amiga {

namespace {

std::string Cut(const std::string& text, std::optional<std::int32_t> first,
                std::optional<std::int32_t> length) {
    if (!first && !length) {
        return text;
    }
    if (!first) {
        std::size_t keep = *length < 0 ? 0 : static_cast<std::size_t>(*length);
        return keep >= text.size() ? text : text.substr(text.size() - keep);
    }
    if (text.empty()) {
        return text;
    }
    std::size_t start = *first < 1 ? 0 : static_cast<std::size_t>(*first - 1);
    if (start >= text.size()) {
        start = text.size() - 1;  // past the end: the last character
    }
    std::size_t count = std::string::npos;
    if (length) {
        count = *length < 0 ? 0 : static_cast<std::size_t>(*length);
    }
    return text.substr(start, count);
}

int RunEcho(CommandContext& context) {
    const ParsedArgs& args = context.args;
    std::string text;
    for (const std::string& word : args.Multi("")) {
        if (!text.empty()) {
            text += ' ';
        }
        text += Cut(word, args.Number("FIRST"), args.Number("LEN"));
    }
    if (!args.Switch("NOLINE")) {
        text += '\n';
    }
    int fd = context.io.out;
    FileDescriptor file;
    if (args.Has("TO")) {
        auto opened = context.host.OpenFile(args.Text("TO"), StreamMode::NewFile);
        if (!opened) {
            return context.Fault(opened.error(), "Echo", RETURN_ERROR);
        }
        file = FileDescriptor(*opened);
        fd = file.get();
    }
    if (!context.Write(fd, text) || !context.CloseOutput(file)) {
        return RETURN_FAIL;  // the shell reports the failed write
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kEchoCommand{"Echo", "/M,NOLINE/S,FIRST/K/N,LEN/K/N,TO/K", RunEcho};

}  // namespace amiga
