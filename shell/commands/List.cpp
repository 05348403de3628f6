// List: lists objects with size, protection, date and comment, or in the
// form LFORMAT gives (%s name, %f full path, %l size, %a protection,
// %d date, %t time, %c comment, %% a percent sign). PAT filters the names.
// Returns 5 when nothing matched, 20 when a path does not exist. A soft link
// shows "Link" for its size; ALL never enters it.
// Template: DIR/M,P=PAT/K,KEYS/S,DATES/S,NODATES/S,TO/K,SUB/K,SINCE/K,UPTO/K,
//           QUICK/S,BLOCK/S,NOHEAD/S,FILES/S,DIRS/S,LFORMAT/K,ALL/S

#include <ctime>

#include "platform/HostBeneath.h"
#include "shell/Command.h"
#include "shell/Matching.h"
#include "shell/Wildcard.h"

namespace amiga {

namespace {

std::string ProtectionText(std::uint32_t bits) {
    static constexpr char kLetters[] = "hsparwed";
    std::string text;
    for (int i = 0; i < 8; ++i) {
        int bit = 7 - i;
        bool activeLow = bit < 4;
        bool on = (bits & (1u << bit)) != 0;
        text += (activeLow ? !on : on) ? kLetters[i] : '-';
    }
    return text;
}

void DateAndTime(const DateStamp& date, std::string& day, std::string& time) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // The DateStamp already is local time: compute the calendar without zones.
    std::time_t seconds =
        static_cast<std::time_t>(DateStampToSeconds(date) + kAmigaEpochDays * 86400);
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d-%s-%02d", fields.tm_mday, kMonths[fields.tm_mon],
                  fields.tm_year % 100);
    day = buffer;
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", fields.tm_hour, fields.tm_min,
                  fields.tm_sec);
    time = buffer;
}

std::string SizeText(const ObjectInfo& entry) {
    if (entry.isLink) {
        return "Link";
    }
    return entry.isDrawer ? std::string("Dir") : std::to_string(entry.size);
}

struct ListJob {
    CommandContext& context;
    std::string pattern, format;
    bool files, dirs, all, quick, noHead;
    int shown = 0;

    void Show(const ObjectInfo& entry) {
        std::string day, time;
        DateAndTime(entry.date, day, time);
        std::string line;
        if (!format.empty()) {
            for (std::size_t i = 0; i < format.size(); ++i) {
                if (format[i] != '%' || i + 1 >= format.size()) {
                    line += format[i];
                    continue;
                }
                char c = format[++i];
                switch (c) {
                    case 's':
                    case 'S':
                    case 'n':
                    case 'N':
                        line += entry.name;
                        break;
                    case 'f':
                    case 'F':
                        line += entry.amigaPath;
                        break;
                    case 'l':
                    case 'L':
                        line += SizeText(entry);
                        break;
                    case 'a':
                    case 'A':
                        line += ProtectionText(entry.protection);
                        break;
                    case 'd':
                    case 'D':
                        line += day;
                        break;
                    case 't':
                    case 'T':
                        line += time;
                        break;
                    case 'c':
                    case 'C':
                        line += entry.comment;
                        break;
                    default:
                        line += c;
                }
            }
        } else if (quick) {
            line = entry.name;
        } else {
            line = entry.name;
            if (line.size() < 24) {
                line.resize(24, ' ');
            }
            std::string size = SizeText(entry);
            if (size.size() < 8) {
                size.insert(0, 8 - size.size(), ' ');
            }
            line += " " + size + " " + ProtectionText(entry.protection) + " " + day + " " + time;
            if (!entry.comment.empty()) {
                line += "\n: " + entry.comment;
            }
        }
        context.Print(line + "\n");
        ++shown;
    }

    // False when the tree is too deep to walk.
    bool ListEntries(const std::vector<ObjectInfo>& entries, int depth = 0) {
        for (const ObjectInfo& entry : entries) {
            const bool drawer = entry.isDrawer && !entry.isLink;
            bool wanted = pattern.empty() || MatchWildcard(pattern, entry.name);
            if (wanted && ((drawer && !files) || (!drawer && !dirs))) {
                Show(entry);
            }
            if (drawer && all) {
                if (depth + 1 >= kMaxBeneathDepth) {
                    context.Fault(ERROR_TOO_MANY_LEVELS, entry.amigaPath, RETURN_FAIL);
                    return false;
                }
                if (auto inner = SortedDrawer(context.host, entry.amigaPath)) {
                    if (!ListEntries(*inner, depth + 1)) {
                        return false;
                    }
                }
            }
        }
        return true;
    }
};

int RunList(CommandContext& context) {
    const ParsedArgs& args = context.args;
    ListJob job{context,
                args.Text("P"),
                args.Text("LFORMAT"),
                args.Switch("FILES"),
                args.Switch("DIRS"),
                args.Switch("ALL"),
                args.Switch("QUICK"),
                args.Switch("NOHEAD") || args.Has("LFORMAT")};
    FileDescriptor toFile;
    if (args.Has("TO")) {
        auto opened = context.host.OpenFile(args.Text("TO"), StreamMode::NewFile);
        if (!opened) {
            return context.Fault(opened.error(), context.name, RETURN_ERROR);
        }
        toFile = FileDescriptor(*opened);
        context.io.out = toFile.get();
    }
    std::vector<std::string> paths = args.Multi("DIR");
    if (paths.empty()) {
        paths.emplace_back();
    }
    for (const std::string& path : paths) {
        auto expansion = ExpandPath(context.host, path);
        if (!expansion) {
            return context.Fault(expansion.error(), path.empty() ? context.name : path,
                                 RETURN_FAIL);
        }
        if (!expansion->wild && expansion->objects.front().isDrawer) {
            auto entries = SortedDrawer(context.host, expansion->objects.front().amigaPath);
            if (!entries) {
                return context.Fault(entries.error(), path, RETURN_FAIL);
            }
            if (!job.noHead) {
                context.Print("Directory \"" + expansion->objects.front().amigaPath + "\"\n");
            }
            if (!job.ListEntries(*entries)) {
                return RETURN_FAIL;
            }
        } else if (!job.ListEntries(expansion->objects)) {
            return RETURN_FAIL;
        }
    }
    if (!context.CloseOutput(toFile)) {
        return RETURN_FAIL;
    }
    if (job.shown == 0) {
        context.result2 = ERROR_OBJECT_NOT_FOUND;
        return RETURN_WARN;
    }
    return RETURN_OK;
}

}  // namespace

extern const CommandSpec kListCommand{
    "List",
    "DIR/M,P=PAT/K,KEYS/S,DATES/S,NODATES/S,TO/K,SUB/K,SINCE/K,UPTO/K,QUICK/S,BLOCK/S,"
    "NOHEAD/S,FILES/S,DIRS/S,LFORMAT/K,ALL/S",
    RunList};

}  // namespace amiga
