#include "archive/Listing.h"

#include <cstdio>
#include <ctime>
#include <ostream>

#include "archive/EntryReader.h"

namespace stovan::archive {

using amiga::DateStampToSeconds;
using amiga::kAmigaEpochDays;

Expected<std::vector<ArchiveEntryInfo>, ArchiveError> ListArchive(
    const std::string& archiveHostPath) {
    auto reader = OpenReader(archiveHostPath);
    AMIGA_RETURN_IF_FAILED(reader);
    std::vector<ArchiveEntryInfo> entries;
    Entry entry;
    for (;;) {
        auto more = (*reader)->next(entry);
        AMIGA_RETURN_IF_FAILED(more);
        if (!*more) {
            break;
        }
        ArchiveEntryInfo info;
        info.name = entry.name;
        info.isDir = entry.type == Entry::Type::Dir;
        info.isLink = entry.type == Entry::Type::Symlink || entry.type == Entry::Type::Hardlink;
        info.size = entry.size;
        info.packedSize = entry.packedSize;
        info.method = entry.method;
        info.metadata = entry.metadata;
        entries.push_back(std::move(info));
    }
    return entries;
}

void PrintArchiveListing(const std::vector<ArchiveEntryInfo>& entries, std::ostream& out) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    auto dateText = [](const std::optional<DateStamp>& date) {
        if (!date) {
            return std::string(18, ' ');
        }
        const std::time_t local =
            static_cast<std::time_t>(DateStampToSeconds(*date) + kAmigaEpochDays * 86400);
        std::tm fields{};
        gmtime_r(&local, &fields);
        char text[32];
        std::snprintf(text, sizeof text, "%02d-%s-%02d %02d:%02d:%02d", fields.tm_mday,
                      kMonths[fields.tm_mon], fields.tm_year % 100, fields.tm_hour, fields.tm_min,
                      fields.tm_sec);
        return std::string(text);
    };
    auto ratioText = [](std::uint64_t size, std::uint64_t packed) {
        char text[16];
        if (size == 0) {
            std::snprintf(text, sizeof text, "%5.1f%%", 0.0);
        } else {
            std::snprintf(text, sizeof text, "%5.1f%%",
                          100.0 * static_cast<double>(packed) / static_cast<double>(size));
        }
        return std::string(text);
    };
    const char* rule = " -------- -------- ------ ------------------ -------------\n";
    out << " Original   Packed  Ratio       Date     Time Name\n" << rule;
    std::uint64_t totalSize = 0;
    std::uint64_t totalPacked = 0;
    std::uint64_t files = 0;
    std::optional<DateStamp> newest;
    char numbers[64];
    for (const auto& entry : entries) {
        std::snprintf(numbers, sizeof numbers, " %8llu %8llu ",
                      static_cast<unsigned long long>(entry.size),
                      static_cast<unsigned long long>(entry.packedSize));
        out << numbers << ratioText(entry.size, entry.packedSize) << ' '
            << dateText(entry.metadata.date) << ' ' << entry.name << '\n';
        if (!entry.metadata.comment.empty()) {
            out << " : " << entry.metadata.comment << '\n';
        }
        totalSize += entry.size;
        totalPacked += entry.packedSize;
        if (!entry.isDir) {
            ++files;
        }
        if (entry.metadata.date && (!newest || *newest < *entry.metadata.date)) {
            newest = entry.metadata.date;
        }
    }
    out << rule;
    std::snprintf(numbers, sizeof numbers, " %8llu %8llu ",
                  static_cast<unsigned long long>(totalSize),
                  static_cast<unsigned long long>(totalPacked));
    out << numbers << ratioText(totalSize, totalPacked) << ' ' << dateText(newest) << ' ' << files
        << (files == 1 ? " file\n" : " files\n");
}

}  // namespace stovan::archive
