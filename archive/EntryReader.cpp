#include "archive/EntryReader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "archive/Detect.h"
#include "archive/LhaEntryReader.h"

namespace stovan::archive {

using amiga::DateStampFromHostTime;

namespace {

class LibarchiveEntryReader final : public EntryReader {
  public:
    static Expected<std::unique_ptr<EntryReader>, ArchiveError> Open(const std::string& path) {
        auto reader = std::unique_ptr<LibarchiveEntryReader>(new LibarchiveEntryReader(path));
        ::archive* a = archive_read_new();
        reader->archive_ = a;
        if (a == nullptr) {
            return Unexpected{Error(ArchiveError::Kind::ReadFailed, "Out of memory.")};
        }
        archive_read_support_filter_gzip(a);
        archive_read_support_filter_bzip2(a);
        archive_read_support_filter_xz(a);
        archive_read_support_format_zip(a);
        archive_read_support_format_tar(a);
        archive_read_support_format_gnutar(a);
        if (archive_read_open_filename(a, path.c_str(), kChunk) != ARCHIVE_OK) {
            return Unexpected{
                Error(ArchiveError::Kind::UnknownFormat,
                      "Cannot read archive \"" + path + "\": " + reader->errorText() + ".")};
        }
        return std::unique_ptr<EntryReader>(std::move(reader));
    }

    ~LibarchiveEntryReader() override {
        if (archive_ != nullptr) {
            archive_read_free(archive_);
        }
    }

    Expected<bool, ArchiveError> next(Entry& entry) override {
        archive_entry* item = nullptr;
        const int status = archive_read_next_header(archive_, &item);
        if (status == ARCHIVE_EOF) {
            return false;
        }
        if (status < ARCHIVE_WARN) {
            return Unexpected{Error(ArchiveError::Kind::Corrupt,
                                    "Archive \"" + path_ + "\" is damaged: " + errorText() + ".")};
        }
        entry = Entry{};
        const char* name = archive_entry_pathname(item);
        entry.name = name != nullptr ? name : "";
        entry.sizeKnown = archive_entry_size_is_set(item) != 0;
        entry.size = entry.sizeKnown ? static_cast<std::uint64_t>(archive_entry_size(item)) : 0;
        entry.hostTime = archive_entry_mtime(item);
        entry.hostMode = archive_entry_perm(item) & 07777;
        entry.metadata.date = DateStampFromHostTime(static_cast<std::time_t>(entry.hostTime));
        if (const char* hardlink = archive_entry_hardlink(item)) {
            entry.type = Entry::Type::Hardlink;
            entry.linkTarget = hardlink;
            return true;
        }
        switch (archive_entry_filetype(item)) {
            case AE_IFREG:
                entry.type = Entry::Type::File;
                break;
            case AE_IFDIR:
                entry.type = Entry::Type::Dir;
                if (!entry.name.empty() && entry.name.back() != '/') {
                    entry.name += '/';
                }
                break;
            case AE_IFLNK: {
                entry.type = Entry::Type::Symlink;
                const char* target = archive_entry_symlink(item);
                entry.linkTarget = target != nullptr ? target : "";
                break;
            }
            default:
                entry.type = Entry::Type::Other;
                break;
        }
        return true;
    }

    Expected<std::size_t, ArchiveError> read(std::uint8_t* buffer, std::size_t size) override {
        const la_ssize_t got = archive_read_data(archive_, buffer, size);
        if (got < 0) {
            return Unexpected{Error(ArchiveError::Kind::Corrupt,
                                    "Archive \"" + path_ + "\" is damaged: " + errorText() + ".")};
        }
        return static_cast<std::size_t>(got);
    }

    Expected<bool, ArchiveError> verify(const Entry&) override { return true; }

  private:
    explicit LibarchiveEntryReader(std::string path) : path_(std::move(path)) {}
    std::string errorText() const {
        const char* text = archive_error_string(archive_);
        return text != nullptr ? text : "unknown error";
    }

    std::string path_;
    ::archive* archive_ = nullptr;
};

}  // namespace

Expected<std::unique_ptr<EntryReader>, ArchiveError> OpenReader(const std::string& path) {
    auto format = DetectArchiveFormat(path);
    AMIGA_RETURN_IF_FAILED(format);
    switch (*format) {
        case ArchiveFormat::Lha:
            return OpenLhaReader(path);
        case ArchiveFormat::Zip:
        case ArchiveFormat::Tar:
            return LibarchiveEntryReader::Open(path);
        case ArchiveFormat::Unknown:
            break;
    }
    return Unexpected{Error(ArchiveError::Kind::UnknownFormat,
                            "\"" + path + "\" is not an LhA, ZIP or tar archive.")};
}

}  // namespace stovan::archive
