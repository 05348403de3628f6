#include "core/MessageExport.h"

#include <fmt/format.h>

#include "core/Messages.h"
#include "platform/Latin1.h"

namespace stovan {

std::string EscapeMessageText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
            case '\033':
                out += "\\e";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string CatalogDescriptionName(std::string_view name) {
    std::string out = "MSG_";
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool upper = c >= 'A' && c <= 'Z';
        const bool digit = c >= '0' && c <= '9';
        if (i > 0 && (upper || (digit && !(name[i - 1] >= '0' && name[i - 1] <= '9')))) {
            out += '_';
        }
        out += amiga::ToUpper(c);
    }
    return out;
}

std::string MessageListing() {
    std::string out;
    for (MessageId number = 1; number <= msg::kMessageCount; ++number) {
        out += fmt::format("{}\t{}\n", number, EscapeMessageText(GetString(number)));
    }
    return out;
}

std::string CatalogDescription() {
    std::string out = fmt::format(
        "; Stovan.cd - the texts of Stovan V{}.{}, from which a translator makes\n"
        "; Catalogs/<language>/Stovan.catalog with FlexCat. Stovan uses a catalog\n"
        "; only when its version is exactly {}.{}.\n"
        ";\n"
        "#language english\n"
        "#version {}\n"
        ";\n",
        kProgramVersion, kProgramRevision, kProgramVersion, kProgramRevision, kProgramVersion);
    for (MessageId number = 1; number <= msg::kMessageCount; ++number) {
        out += fmt::format("{} ({}//)\n{}\n;\n", CatalogDescriptionName(MessageName(number)),
                           number, EscapeMessageText(EnglishString(number)));
    }
    return out;
}

}  // namespace stovan
