#include "shell/Backticks.h"

namespace amiga {

namespace {

// The closing back-tick after open, skipping "*x" pairs; npos when none.
std::size_t FindClosing(std::string_view line, std::size_t open) {
    for (std::size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] == '*' && i + 1 < line.size()) {
            ++i;
        } else if (line[i] == '`') {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

Expected<std::string, DosError> SubstituteBackticks(std::string_view line, const CaptureRunner& run,
                                                    std::size_t maxLength) {
    std::string result;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == '*' && i + 1 < line.size()) {
            result += line.substr(i, 2);
            i += 2;
            continue;
        }
        if (c == '`') {
            std::size_t close = FindClosing(line, i);
            if (close != std::string_view::npos) {
                std::string output = run(line.substr(i + 1, close - i - 1));
                if (!output.empty() && output.back() == '\n') {
                    output.pop_back();
                }
                for (char& ch : output) {
                    if (ch == '\n') {
                        ch = ' ';
                    }
                }
                result += output;
                if (result.size() > maxLength) {
                    return Unexpected{ERROR_LINE_TOO_LONG};
                }
                i = close + 1;
                continue;
            }
        }
        result += c;
        ++i;
    }
    return result;
}

}  // namespace amiga
