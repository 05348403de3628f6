#include "shell/archive/Extract.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <lha_reader.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <ostream>

#include "platform/FileDescriptor.h"
#include "shell/archive/Crc16.h"
#include "shell/archive/LhaHeader.h"

namespace amiga {

const char* ArchiveErrorKindName(ArchiveError::Kind kind) {
    switch (kind) {
        case ArchiveError::Kind::NotFound:
            return "not found";
        case ArchiveError::Kind::ReadFailed:
            return "read failed";
        case ArchiveError::Kind::UnknownFormat:
            return "unknown format";
        case ArchiveError::Kind::Corrupt:
            return "corrupt";
        case ArchiveError::Kind::Unsupported:
            return "unsupported";
        case ArchiveError::Kind::UnsafeEntry:
            return "unsafe entry";
        case ArchiveError::Kind::LimitExceeded:
            return "limit exceeded";
        case ArchiveError::Kind::Exists:
            return "exists";
        case ArchiveError::Kind::WriteFailed:
            return "write failed";
        case ArchiveError::Kind::BadArguments:
            return "bad arguments";
    }
    return "unknown";
}

namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr std::size_t kSniffSize = 1 << 16;

ArchiveError Error(ArchiveError::Kind kind, std::string message) {
    return ArchiveError{kind, std::move(message)};
}

std::string ErrnoText() {
    return std::strerror(errno);
}

bool LooksLikeLhaHeader(const std::uint8_t* p, std::size_t available) {
    if (available < 22) {
        return false;
    }
    // "-lh?-", "-lz?-", "-pm?-" at offset 2, header level 0..2 at offset 20.
    if (p[2] != '-' || p[6] != '-') {
        return false;
    }
    const bool knownFamily =
        (p[3] == 'l' && (p[4] == 'h' || p[4] == 'z')) || (p[3] == 'p' && p[4] == 'm');
    if (!knownFamily || p[20] > 2) {
        return false;
    }
    return p[20] == 2 || p[0] >= 22;
}

// ---------------------------------------------------------------- readers

struct Entry {
    enum class Type { File, Dir, Symlink, Hardlink, Other };
    std::string name;
    // The name as the header stores it, when the reading library cleans
    // names up (liblhasa drops ".." components): checked as well, so that a
    // hostile archive is refused rather than quietly rewritten.
    std::string storedName;
    Type type = Type::File;
    std::string linkTarget;
    std::uint64_t size = 0;
    bool sizeKnown = true;
    std::uint64_t packedSize = 0;
    std::string method;
    ArchiveMetadata metadata;
    std::int64_t hostTime = 0;
    std::uint32_t hostMode = 0;  // permission bits the archive gives, 0 if none
};

class EntryReader {
  public:
    virtual ~EntryReader() = default;
    // false at the end of the archive.
    virtual Expected<bool, ArchiveError> next(Entry& entry) = 0;
    // 0 at the end of the current entry's data.
    virtual Expected<std::size_t, ArchiveError> read(std::uint8_t* buffer, std::size_t size) = 0;
    // After all data was read: checks length and CRC.
    virtual Expected<bool, ArchiveError> verify(const Entry& entry) = 0;
};

class LhaEntryReader final : public EntryReader {
  public:
    static Expected<std::unique_ptr<EntryReader>, ArchiveError> Open(const std::string& path) {
        auto reader = std::unique_ptr<LhaEntryReader>(new LhaEntryReader(path));
        reader->file_ = std::fopen(path.c_str(), "rb");
        if (reader->file_ == nullptr) {
            return Unexpected{Error(ArchiveError::Kind::ReadFailed,
                                    "Cannot open archive \"" + path + "\": " + ErrnoText() + ".")};
        }
        reader->stream_ = lha_input_stream_from_FILE(reader->file_);
        if (reader->stream_ != nullptr) {
            reader->reader_ = lha_reader_new(reader->stream_);
        }
        if (reader->reader_ == nullptr) {
            return Unexpected{
                Error(ArchiveError::Kind::ReadFailed, "Cannot read archive \"" + path + "\".")};
        }
        lha_reader_set_dir_policy(reader->reader_, LHA_READER_DIR_PLAIN);
        return std::unique_ptr<EntryReader>(std::move(reader));
    }

    ~LhaEntryReader() override {
        if (reader_ != nullptr) {
            lha_reader_free(reader_);
        }
        if (stream_ != nullptr) {
            lha_input_stream_free(stream_);
        }
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    Expected<bool, ArchiveError> next(Entry& entry) override {
        header_ = lha_reader_next_file(reader_);
        if (header_ == nullptr) {
            if (entries_ == 0) {
                return Unexpected{Error(ArchiveError::Kind::Corrupt,
                                        "\"" + path_ + "\" holds no readable LhA entry.")};
            }
            return false;
        }
        ++entries_;
        entry = Entry{};
        entry.name = std::string(header_->path != nullptr ? header_->path : "") +
                     (header_->filename != nullptr ? header_->filename : "");
        entry.method.assign(header_->compress_method, 5);
        entry.size = header_->length;
        entry.packedSize = header_->compressed_length;
        entry.hostTime = header_->timestamp;
        if (LHA_FILE_HAVE_EXTRA(header_, LHA_FILE_UNIX_PERMS)) {
            entry.hostMode = header_->unix_perms & 07777;
        }
        if (std::strcmp(header_->compress_method, LHA_COMPRESS_TYPE_DIR) == 0) {
            if (header_->symlink_target != nullptr) {
                entry.type = Entry::Type::Symlink;
                entry.linkTarget = header_->symlink_target;
            } else {
                entry.type = Entry::Type::Dir;
                if (!entry.name.empty() && entry.name.back() != '/') {
                    entry.name += '/';
                }
            }
        }
        auto raw = ParseLhaHeader(header_->raw_data, header_->raw_data_len);
        if (raw) {
            if (raw->hasLargeSizes && raw->originalSize != header_->length) {
                return Unexpected{Error(ArchiveError::Kind::Unsupported,
                                        "\"" + entry.name + "\" is " +
                                            std::to_string(raw->originalSize) +
                                            " bytes long; LhA entries of 4 GiB or more cannot "
                                            "be unpacked.")};
            }
            entry.metadata = LhaMetadata(*raw, entry.hostTime);
            entry.storedName = raw->path;
        } else {
            entry.metadata.date = DateStampFromHostTime(static_cast<std::time_t>(entry.hostTime));
        }
        crc_ = 0;
        done_ = 0;
        return true;
    }

    Expected<std::size_t, ArchiveError> read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t got = lha_reader_read(reader_, buffer, size);
        crc_ = UpdateCrc16(crc_, buffer, got);
        done_ += got;
        return got;
    }

    Expected<bool, ArchiveError> verify(const Entry& entry) override {
        if (done_ != header_->length) {
            return Unexpected{Error(ArchiveError::Kind::Corrupt,
                                    "\"" + entry.name + "\" is damaged: " + std::to_string(done_) +
                                        " of " + std::to_string(header_->length) +
                                        " bytes could be unpacked.")};
        }
        if (crc_ != header_->crc) {
            return Unexpected{Error(ArchiveError::Kind::Corrupt,
                                    "\"" + entry.name + "\" is damaged: CRC error.")};
        }
        return true;
    }

  private:
    explicit LhaEntryReader(std::string path) : path_(std::move(path)) {}

    std::string path_;
    std::FILE* file_ = nullptr;
    LHAInputStream* stream_ = nullptr;
    LHAReader* reader_ = nullptr;
    LHAFileHeader* header_ = nullptr;
    std::uint64_t entries_ = 0;
    std::uint16_t crc_ = 0;
    std::uint64_t done_ = 0;
};

class LibarchiveEntryReader final : public EntryReader {
  public:
    static Expected<std::unique_ptr<EntryReader>, ArchiveError> Open(const std::string& path) {
        auto reader = std::unique_ptr<LibarchiveEntryReader>(new LibarchiveEntryReader(path));
        archive* a = archive_read_new();
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
    archive* archive_ = nullptr;
};

Expected<std::unique_ptr<EntryReader>, ArchiveError> OpenReader(const std::string& path) {
    auto format = DetectArchiveFormat(path);
    if (!format) {
        return Unexpected{format.error()};
    }
    switch (*format) {
        case ArchiveFormat::Lha:
            return LhaEntryReader::Open(path);
        case ArchiveFormat::Zip:
        case ArchiveFormat::Tar:
            return LibarchiveEntryReader::Open(path);
        case ArchiveFormat::Unknown:
            break;
    }
    return Unexpected{Error(ArchiveError::Kind::UnknownFormat,
                            "\"" + path + "\" is not an LhA, ZIP or tar archive.")};
}

// ---------------------------------------------------------------- safety

// The components of an entry name inside the target drawer, or why the name
// is refused.
Expected<std::vector<std::string>, ArchiveError> SplitEntryName(const std::string& name) {
    auto refuse = [&name](const std::string& why) {
        return Unexpected{
            Error(ArchiveError::Kind::UnsafeEntry, "Refusing \"" + name + "\": " + why + ".")};
    };
    if (name.empty()) {
        return refuse("the entry has no name");
    }
    if (name.front() == '/') {
        return refuse("absolute name");
    }
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string::npos) {
            slash = name.size();
        }
        std::string part = name.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            return refuse("it climbs out of the target drawer with \"..\"");
        }
        if (part.find(':') != std::string::npos) {
            return refuse("it names a device or volume");
        }
        components.push_back(std::move(part));
    }
    return components;
}

// True when a symbolic link stored at `at` (components) with this target
// stays inside the target drawer.
bool LinkStaysInside(const std::vector<std::string>& at, const std::string& target) {
    if (target.empty() || target.front() == '/' || target.find(':') != std::string::npos) {
        return false;
    }
    std::vector<std::string> stack(at.begin(), at.end() - 1);
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t slash = target.find('/', start);
        if (slash == std::string::npos) {
            slash = target.size();
        }
        const std::string part = target.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (stack.empty()) {
                return false;
            }
            stack.pop_back();
        } else {
            stack.push_back(part);
        }
    }
    return true;
}

std::string JoinComponents(const std::vector<std::string>& components, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) {
            path += '/';
        }
        path += components[i];
    }
    return path;
}

// The target drawer, opened once; every path below it is walked component by
// component without following symbolic links.
class TargetDrawer {
  public:
    static Expected<TargetDrawer, ArchiveError> Open(const std::string& path) {
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                    "Cannot create drawer \"" + path + "\": " + ErrnoText() + ".")};
        }
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.get() < 0) {
            return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                    "Cannot enter drawer \"" + path + "\": " + ErrnoText() + ".")};
        }
        return TargetDrawer(path, std::move(fd));
    }

    const std::string& path() const { return path_; }
    int fd() const { return root_.get(); }

    std::string hostPath(const std::vector<std::string>& components) const {
        return components.empty() ? path_
                                  : path_ + "/" + JoinComponents(components, components.size());
    }

    // Opens the drawer made of the first `count` components, creating the
    // missing ones when create is set.
    Expected<FileDescriptor, ArchiveError> openDrawer(const std::vector<std::string>& components,
                                                      std::size_t count, bool create) const {
        FileDescriptor current(::dup(root_.get()));
        for (std::size_t i = 0; i < count; ++i) {
            const char* part = components[i].c_str();
            int fd = ::openat(current.get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT && create) {
                if (::mkdirat(current.get(), part, 0777) != 0 && errno != EEXIST) {
                    return Unexpected{Error(
                        ArchiveError::Kind::WriteFailed,
                        "Cannot create drawer \"" +
                            hostPath({components.begin(),
                                      components.begin() + static_cast<std::ptrdiff_t>(i + 1)}) +
                            "\": " + ErrnoText() + ".")};
                }
                fd = ::openat(current.get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (fd < 0) {
                const bool inTheWay = errno == ENOTDIR || errno == ELOOP;
                return Unexpected{
                    Error(inTheWay ? ArchiveError::Kind::Exists : ArchiveError::Kind::WriteFailed,
                          "Cannot enter drawer \"" + JoinComponents(components, i + 1) + "\": " +
                              (inTheWay ? std::string("a file or link of that name is in the way")
                                        : ErrnoText()) +
                              ".")};
            }
            current = FileDescriptor(fd);
        }
        return current;
    }

  private:
    TargetDrawer(std::string path, FileDescriptor root)
        : path_(std::move(path)), root_(std::move(root)) {}
    std::string path_;
    FileDescriptor root_;
};

// A new object is made under a temporary name in its drawer and renamed into
// place, so a replaced file is never lost half-way.
std::string TemporaryName(const std::string& name) {
    static unsigned counter = 0;
    return ".~" + name.substr(0, 200) + "." + std::to_string(::getpid()) + "." +
           std::to_string(++counter);
}

struct PendingDrawer {
    std::vector<std::string> components;
    std::int64_t hostTime;
    ArchiveMetadata metadata;
};

class Extraction {
  public:
    Extraction(EntryReader& reader, const ExtractOptions& options, MetadataSink* sink,
               std::ostream& out, const TargetDrawer* target)
        : reader_(reader), options_(options), sink_(sink), out_(out), target_(target) {}

    Expected<ExtractSummary, ArchiveError> run() {
        std::vector<std::uint8_t> buffer(kChunk);
        std::uint64_t entries = 0;
        Entry entry;
        for (;;) {
            auto more = reader_.next(entry);
            if (!more) {
                return Unexpected{more.error()};
            }
            if (!*more) {
                break;
            }
            if (options_.select && !options_.select(entry.name)) {
                ++summary_.skipped;
                continue;
            }
            if (target_ == nullptr) {
                auto tested = test(entry, buffer);
                if (!tested) {
                    return Unexpected{tested.error()};
                }
                continue;
            }
            if (options_.maxEntries != 0 && ++entries > options_.maxEntries) {
                return Unexpected{Error(ArchiveError::Kind::LimitExceeded,
                                        "The archive holds more than " +
                                            std::to_string(options_.maxEntries) +
                                            " entries; extraction stopped.")};
            }
            auto done = extract(entry, buffer);
            if (!done) {
                return Unexpected{done.error()};
            }
        }
        if (target_ != nullptr) {
            finishDrawers();
        }
        return summary_;
    }

  private:
    Expected<bool, ArchiveError> test(const Entry& entry, std::vector<std::uint8_t>& buffer) {
        if (entry.type != Entry::Type::File) {
            return true;
        }
        for (;;) {
            auto got = reader_.read(buffer.data(), buffer.size());
            if (!got) {
                return Unexpected{got.error()};
            }
            if (*got == 0) {
                break;
            }
            summary_.bytes += *got;
        }
        auto verified = reader_.verify(entry);
        if (!verified) {
            return Unexpected{verified.error()};
        }
        ++summary_.files;
        if (!options_.quiet) {
            out_ << " Testing: " << entry.name << " OK\n";
        }
        return true;
    }

    Expected<bool, ArchiveError> extract(const Entry& entry, std::vector<std::uint8_t>& buffer) {
        if (!entry.storedName.empty()) {
            auto stored = SplitEntryName(entry.storedName);
            if (!stored) {
                return Unexpected{stored.error()};
            }
        }
        auto split = SplitEntryName(entry.name);
        if (!split) {
            return Unexpected{split.error()};
        }
        std::vector<std::string> components = std::move(*split);
        if (components.empty()) {
            if (entry.type == Entry::Type::Dir) {
                return true;  // the target drawer itself
            }
            return Unexpected{Error(ArchiveError::Kind::UnsafeEntry,
                                    "Refusing \"" + entry.name + "\": the entry has no name.")};
        }
        if (options_.flat) {
            if (entry.type != Entry::Type::File) {
                ++summary_.skipped;
                return true;
            }
            components = {components.back()};
        }
        switch (entry.type) {
            case Entry::Type::Dir:
                return makeDrawer(entry, components);
            case Entry::Type::File:
                return writeFile(entry, components, buffer);
            case Entry::Type::Symlink:
            case Entry::Type::Hardlink:
                return makeLink(entry, components);
            case Entry::Type::Other:
                break;
        }
        ++summary_.skipped;
        if (!options_.quiet) {
            out_ << " Skipping: " << entry.name << " (not a file, drawer or link)\n";
        }
        return true;
    }

    Expected<bool, ArchiveError> makeDrawer(const Entry& entry,
                                            const std::vector<std::string>& components) {
        auto drawer = target_->openDrawer(components, components.size(), true);
        if (!drawer) {
            return Unexpected{drawer.error()};
        }
        drawers_.push_back({components, entry.hostTime, entry.metadata});
        ++summary_.drawers;
        if (!options_.quiet) {
            out_ << " Creating: " << entry.name << "\n";
        }
        return true;
    }

    // Checks what is at the final name: false when the entry is to be skipped.
    Expected<bool, ArchiveError> checkExisting(int parent, const std::string& name,
                                               const Entry& entry) {
        struct stat info {};
        if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return true;
        }
        if (S_ISDIR(info.st_mode)) {
            return Unexpected{Error(
                ArchiveError::Kind::Exists,
                "Cannot extract \"" + entry.name + "\": a drawer of that name is in the way.")};
        }
        switch (options_.overwrite) {
            case OverwriteMode::Replace:
                return true;
            case OverwriteMode::Skip:
                ++summary_.skipped;
                if (!options_.quiet) {
                    out_ << " Skipping: " << entry.name << " (exists)\n";
                }
                return false;
            case OverwriteMode::Fail:
                break;
        }
        return Unexpected{Error(ArchiveError::Kind::Exists,
                                "Cannot extract \"" + entry.name + "\": the file exists.")};
    }

    Expected<bool, ArchiveError> writeFile(const Entry& entry,
                                           const std::vector<std::string>& components,
                                           std::vector<std::uint8_t>& buffer) {
        if (options_.maxTotalBytes != 0 && entry.sizeKnown &&
            entry.size >
                options_.maxTotalBytes - std::min(options_.maxTotalBytes, summary_.bytes)) {
            return tooLarge(entry);
        }
        auto parent = target_->openDrawer(components, components.size() - 1, true);
        if (!parent) {
            return Unexpected{parent.error()};
        }
        const std::string& name = components.back();
        auto proceed = checkExisting(parent->get(), name, entry);
        if (!proceed) {
            return Unexpected{proceed.error()};
        }
        if (!*proceed) {
            return true;
        }
        const std::string temp = TemporaryName(name);
        const mode_t mode = entry.hostMode != 0 ? ((entry.hostMode & 0777) | 0600) : 0666;
        FileDescriptor file(::openat(parent->get(), temp.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        const std::string hostPath = target_->hostPath(components);
        if (file.get() < 0) {
            return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                    "Cannot create \"" + hostPath + "\": " + ErrnoText() + ".")};
        }
        auto fail = [&](ArchiveError error) {
            ::unlinkat(parent->get(), temp.c_str(), 0);
            return Unexpected{std::move(error)};
        };
        std::uint64_t written = 0;
        for (;;) {
            auto got = reader_.read(buffer.data(), buffer.size());
            if (!got) {
                return fail(got.error());
            }
            if (*got == 0) {
                break;
            }
            written += *got;
            if (options_.maxTotalBytes != 0 && summary_.bytes + written > options_.maxTotalBytes) {
                return fail(tooLarge(entry).error);
            }
            const std::uint8_t* data = buffer.data();
            std::size_t left = *got;
            while (left > 0) {
                const ssize_t count = ::write(file.get(), data, left);
                if (count < 0 && errno == EINTR) {
                    continue;
                }
                if (count < 0) {
                    return fail(Error(ArchiveError::Kind::WriteFailed,
                                      "Cannot write \"" + hostPath + "\": " + ErrnoText() + "."));
                }
                data += count;
                left -= static_cast<std::size_t>(count);
            }
        }
        auto verified = reader_.verify(entry);
        if (!verified) {
            return fail(verified.error());
        }
        const struct timespec times[2] = {{entry.hostTime, 0}, {entry.hostTime, 0}};
        ::futimens(file.get(), times);
        if (::close(file.Release()) != 0) {
            return fail(Error(ArchiveError::Kind::WriteFailed,
                              "Cannot write \"" + hostPath + "\": " + ErrnoText() + "."));
        }
        if (::renameat(parent->get(), temp.c_str(), parent->get(), name.c_str()) != 0) {
            return fail(Error(ArchiveError::Kind::WriteFailed,
                              "Cannot create \"" + hostPath + "\": " + ErrnoText() + "."));
        }
        summary_.bytes += written;
        ++summary_.files;
        if (sink_ != nullptr) {
            sink_->apply(hostPath, entry.metadata);
        }
        if (!options_.quiet) {
            out_ << " Extracting: " << entry.name << "\n";
        }
        return true;
    }

    Unexpected<ArchiveError> tooLarge(const Entry& entry) const {
        return Unexpected{Error(ArchiveError::Kind::LimitExceeded,
                                "Extraction stopped at \"" + entry.name +
                                    "\": the archive unpacks to more than " +
                                    std::to_string(options_.maxTotalBytes) + " bytes.")};
    }

    Expected<bool, ArchiveError> makeLink(const Entry& entry,
                                          const std::vector<std::string>& components) {
        auto parent = target_->openDrawer(components, components.size() - 1, true);
        if (!parent) {
            return Unexpected{parent.error()};
        }
        const std::string& name = components.back();
        const std::string temp = TemporaryName(name);
        if (entry.type == Entry::Type::Symlink) {
            if (!LinkStaysInside(components, entry.linkTarget)) {
                return Unexpected{Error(ArchiveError::Kind::UnsafeEntry,
                                        "Refusing \"" + entry.name + "\": its link to \"" +
                                            entry.linkTarget +
                                            "\" points outside the target drawer.")};
            }
            auto proceed = checkExisting(parent->get(), name, entry);
            if (!proceed) {
                return Unexpected{proceed.error()};
            }
            if (!*proceed) {
                return true;
            }
            if (::symlinkat(entry.linkTarget.c_str(), parent->get(), temp.c_str()) != 0) {
                return Unexpected{
                    Error(ArchiveError::Kind::WriteFailed,
                          "Cannot create link \"" + entry.name + "\": " + ErrnoText() + ".")};
            }
        } else {
            auto targetSplit = SplitEntryName(entry.linkTarget);
            if (!targetSplit || targetSplit->empty()) {
                return Unexpected{Error(ArchiveError::Kind::UnsafeEntry,
                                        "Refusing \"" + entry.name + "\": its link to \"" +
                                            entry.linkTarget +
                                            "\" points outside the target drawer.")};
            }
            auto targetDrawer = target_->openDrawer(*targetSplit, targetSplit->size() - 1, false);
            if (!targetDrawer) {
                return Unexpected{targetDrawer.error()};
            }
            auto proceed = checkExisting(parent->get(), name, entry);
            if (!proceed) {
                return Unexpected{proceed.error()};
            }
            if (!*proceed) {
                return true;
            }
            if (::linkat(targetDrawer->get(), targetSplit->back().c_str(), parent->get(),
                         temp.c_str(), 0) != 0) {
                return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                        "Cannot create link \"" + entry.name + "\" to \"" +
                                            entry.linkTarget + "\": " + ErrnoText() + ".")};
            }
        }
        if (::renameat(parent->get(), temp.c_str(), parent->get(), name.c_str()) != 0) {
            ::unlinkat(parent->get(), temp.c_str(), 0);
            return Unexpected{
                Error(ArchiveError::Kind::WriteFailed,
                      "Cannot create link \"" + entry.name + "\": " + ErrnoText() + ".")};
        }
        ++summary_.links;
        if (!options_.quiet) {
            out_ << " Linking: " << entry.name << " -> " << entry.linkTarget << "\n";
        }
        return true;
    }

    // Drawer dates are set last (creating files inside changes them),
    // deepest first.
    void finishDrawers() {
        for (auto it = drawers_.rbegin(); it != drawers_.rend(); ++it) {
            const std::string relative = JoinComponents(it->components, it->components.size());
            const struct timespec times[2] = {{it->hostTime, 0}, {it->hostTime, 0}};
            ::utimensat(target_->fd(), relative.c_str(), times, AT_SYMLINK_NOFOLLOW);
            if (sink_ != nullptr) {
                sink_->apply(target_->hostPath(it->components), it->metadata);
            }
        }
    }

    EntryReader& reader_;
    const ExtractOptions& options_;
    MetadataSink* sink_;
    std::ostream& out_;
    const TargetDrawer* target_;
    ExtractSummary summary_;
    std::vector<PendingDrawer> drawers_;
};

}  // namespace

Expected<ArchiveFormat, ArchiveError> DetectArchiveFormat(const std::string& archiveHostPath) {
    FileDescriptor fd(::open(archiveHostPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return Unexpected{
            Error(errno == ENOENT ? ArchiveError::Kind::NotFound : ArchiveError::Kind::ReadFailed,
                  "Cannot open archive \"" + archiveHostPath + "\": " + ErrnoText() + ".")};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return Unexpected{
            Error(ArchiveError::Kind::ReadFailed, "\"" + archiveHostPath + "\" is not a file.")};
    }
    std::vector<std::uint8_t> head(kSniffSize);
    std::size_t have = 0;
    while (have < head.size()) {
        const ssize_t got = ::read(fd.get(), head.data() + have, head.size() - have);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Unexpected{
                Error(ArchiveError::Kind::ReadFailed,
                      "Cannot read archive \"" + archiveHostPath + "\": " + ErrnoText() + ".")};
        }
        if (got == 0) {
            break;
        }
        have += static_cast<std::size_t>(got);
    }
    const std::uint8_t* p = head.data();
    auto starts = [&](std::initializer_list<std::uint8_t> magic) {
        return have >= magic.size() && std::equal(magic.begin(), magic.end(), p);
    };
    if (LooksLikeLhaHeader(p, have)) {
        return ArchiveFormat::Lha;
    }
    if (starts({'P', 'K', 3, 4}) || starts({'P', 'K', 5, 6}) || starts({'P', 'K', 7, 8})) {
        return ArchiveFormat::Zip;
    }
    if (starts({0x1F, 0x8B}) || starts({'B', 'Z', 'h'}) ||
        starts({0xFD, '7', 'z', 'X', 'Z', 0x00})) {
        return ArchiveFormat::Tar;
    }
    if (have >= 262 && std::memcmp(p + 257, "ustar", 5) == 0) {
        return ArchiveFormat::Tar;
    }
    // Self-extracting LhA: a program with the archive somewhere after it.
    for (std::size_t at = 1; at + 22 <= have; ++at) {
        if (p[at + 2] == '-' && LooksLikeLhaHeader(p + at, have - at)) {
            return ArchiveFormat::Lha;
        }
    }
    return ArchiveFormat::Unknown;
}

Expected<ExtractSummary, ArchiveError> ExtractArchive(const std::string& archiveHostPath,
                                                      const std::string& targetHostDir,
                                                      const ExtractOptions& options,
                                                      MetadataSink* sink, std::ostream& out) {
    auto reader = OpenReader(archiveHostPath);
    if (!reader) {
        return Unexpected{reader.error()};
    }
    auto target = TargetDrawer::Open(targetHostDir.empty() ? std::string(".") : targetHostDir);
    if (!target) {
        return Unexpected{target.error()};
    }
    Extraction extraction(**reader, options, sink, out, &*target);
    return extraction.run();
}

Expected<ExtractSummary, ArchiveError> TestArchive(const std::string& archiveHostPath,
                                                   const ExtractOptions& options,
                                                   std::ostream& out) {
    auto reader = OpenReader(archiveHostPath);
    if (!reader) {
        return Unexpected{reader.error()};
    }
    Extraction extraction(**reader, options, nullptr, out, nullptr);
    return extraction.run();
}

Expected<std::vector<ArchiveEntryInfo>, ArchiveError> ListArchive(
    const std::string& archiveHostPath) {
    auto reader = OpenReader(archiveHostPath);
    if (!reader) {
        return Unexpected{reader.error()};
    }
    std::vector<ArchiveEntryInfo> entries;
    Entry entry;
    for (;;) {
        auto more = (*reader)->next(entry);
        if (!more) {
            return Unexpected{more.error()};
        }
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

}  // namespace amiga
