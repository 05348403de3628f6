#include "archive/LhaWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>

#include "archive/Crc16.h"
#include "archive/LhaHeader.h"
#include "platform/FileDescriptor.h"
#include "platform/Latin1.h"

namespace stovan::archive {

using amiga::DateStampFromHostTime;
using amiga::FileDescriptor;
using amiga::NoCaseLess;
using amiga::WriteAll;

namespace {

constexpr std::size_t kChunk = 1 << 16;

bool PreadAll(int fd, void* data, std::size_t length, off_t offset) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (length > 0) {
        const ssize_t got = ::pread(fd, bytes, length, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes += got;
        length -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

// Copies length bytes at offset of one descriptor to the end of another.
bool CopyRange(int from, off_t offset, std::uint64_t length, int to) {
    std::vector<std::uint8_t> buffer(kChunk);
    while (length > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, kChunk));
        if (!PreadAll(from, buffer.data(), piece, offset) || !WriteAll(to, buffer.data(), piece)) {
            return false;
        }
        offset += static_cast<off_t>(piece);
        length -= piece;
    }
    return true;
}

struct ExistingEntry {
    std::string name;
    off_t offset = 0;
    std::uint64_t length = 0;  // header and data
};

// Walks an existing archive header by header (without decoding) so that its
// entries can be copied unchanged into the new one.
Expected<std::vector<ExistingEntry>, ArchiveError> ReadExistingEntries(int fd,
                                                                       const std::string& path) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return Unexpected{Error(ArchiveError::Kind::ReadFailed,
                                "Cannot read archive \"" + path + "\": " + ErrnoText() + ".")};
    }
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    std::vector<ExistingEntry> entries;
    std::vector<std::uint8_t> buffer(kChunk);
    std::uint64_t offset = 0;
    while (offset < fileSize) {
        const std::size_t available =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, fileSize - offset));
        if (!PreadAll(fd, buffer.data(), available, static_cast<off_t>(offset))) {
            return Unexpected{Error(ArchiveError::Kind::ReadFailed,
                                    "Cannot read archive \"" + path + "\": " + ErrnoText() + ".")};
        }
        auto header = ParseLhaHeader(buffer.data(), available);
        if (!header) {
            auto error = header.error();
            error.message =
                "\"" + path + "\" is not an LhA archive that can be added to. " + error.message;
            return Unexpected{error};
        }
        if (header->headerLength == 0) {
            break;  // end mark
        }
        const std::uint64_t length = header->headerLength + header->dataSize;
        if (offset + length > fileSize) {
            return Unexpected{
                Error(ArchiveError::Kind::Corrupt, "Archive \"" + path + "\" is truncated.")};
        }
        entries.push_back({header->path, static_cast<off_t>(offset), length});
        offset += length;
    }
    return entries;
}

std::string TrimSlashes(std::string name) {
    while (!name.empty() && name.back() == '/') {
        name.pop_back();
    }
    return name;
}

struct TempFile {
    std::string path;
    bool keep = false;
    ~TempFile() {
        if (!keep && !path.empty()) {
            ::unlink(path.c_str());
        }
    }
};

// Writes one file entry at the end of out: header, then -lh5- data, or the
// stored bytes when compressing does not pay.
Expected<bool, ArchiveError> WriteFileEntry(int out, const LhaInput& input,
                                            const LhaWriteOptions& options,
                                            LhaWriteSummary& summary) {
    FileDescriptor in(::open(input.hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) {
        return Unexpected{
            Error(errno == ENOENT ? ArchiveError::Kind::NotFound : ArchiveError::Kind::ReadFailed,
                  "Cannot open \"" + input.hostPath + "\": " + ErrnoText() + ".")};
    }
    struct stat info {};
    if (::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Unexpected{Error(ArchiveError::Kind::ReadFailed,
                                "\"" + input.hostPath + "\" is not a plain file.")};
    }
    if (static_cast<std::uint64_t>(info.st_size) >= (std::uint64_t{1} << 32)) {
        return Unexpected{Error(
            ArchiveError::Kind::Unsupported,
            "\"" + input.hostPath + "\" is 4 GiB or larger, more than an LhA archive holds.")};
    }

    Level1HeaderFields fields;
    const std::string name = TrimSlashes(input.archiveName);
    const auto slash = name.rfind('/');
    fields.directory = slash == std::string::npos ? std::string() : name.substr(0, slash);
    fields.name = slash == std::string::npos ? name : name.substr(slash + 1);
    fields.comment = input.comment;
    fields.protection = input.protection;
    fields.date = input.date ? *input.date : DateStampFromHostTime(info.st_mtime);
    fields.method = "-lh5-";

    const off_t headerAt = ::lseek(out, 0, SEEK_END);
    std::vector<std::uint8_t> header = BuildLevel1Header(fields);
    if (headerAt < 0 || !WriteAll(out, header.data(), header.size())) {
        return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                "Cannot write the archive: " + ErrnoText() + ".")};
    }
    const off_t dataAt = headerAt + static_cast<off_t>(header.size());

    std::uint16_t crc = 0;
    std::uint64_t original = 0;
    std::uint64_t packed = 0;
    bool writeFailed = false;
    std::vector<std::uint8_t> buffer(kChunk);
    bool stored = !options.compress || info.st_size == 0;
    if (!stored) {
        Lh5Encoder encoder(
            [&](const std::uint8_t* data, std::size_t length) {
                if (!writeFailed && !WriteAll(out, data, length)) {
                    writeFailed = true;
                }
            },
            options.lh5);
        for (;;) {
            const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return Unexpected{
                    Error(ArchiveError::Kind::ReadFailed,
                          "Cannot read \"" + input.hostPath + "\": " + ErrnoText() + ".")};
            }
            if (got == 0) {
                break;
            }
            crc = UpdateCrc16(crc, buffer.data(), static_cast<std::size_t>(got));
            original += static_cast<std::uint64_t>(got);
            encoder.write(buffer.data(), static_cast<std::size_t>(got));
            if (writeFailed) {
                break;
            }
        }
        encoder.finish();
        packed = encoder.compressedSize();
        if (writeFailed) {
            return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                    "Cannot write the archive: " + ErrnoText() + ".")};
        }
        if (original >= (std::uint64_t{1} << 32)) {
            return Unexpected{Error(ArchiveError::Kind::Unsupported,
                                    "\"" + input.hostPath + "\" grew beyond 4 GiB while reading.")};
        }
        if (packed >= original) {
            // Not worth it: start the data again, stored.
            stored = true;
            if (::ftruncate(out, dataAt) != 0 || ::lseek(out, dataAt, SEEK_SET) < 0 ||
                ::lseek(in.get(), 0, SEEK_SET) < 0) {
                return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                        "Cannot rewind the archive: " + ErrnoText() + ".")};
            }
        }
    }
    if (stored) {
        crc = 0;
        original = 0;
        for (;;) {
            const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return Unexpected{
                    Error(ArchiveError::Kind::ReadFailed,
                          "Cannot read \"" + input.hostPath + "\": " + ErrnoText() + ".")};
            }
            if (got == 0) {
                break;
            }
            crc = UpdateCrc16(crc, buffer.data(), static_cast<std::size_t>(got));
            original += static_cast<std::uint64_t>(got);
            if (original >= (std::uint64_t{1} << 32)) {
                return Unexpected{
                    Error(ArchiveError::Kind::Unsupported,
                          "\"" + input.hostPath + "\" grew beyond 4 GiB while reading.")};
            }
            if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(got))) {
                return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                        "Cannot write the archive: " + ErrnoText() + ".")};
            }
        }
        packed = original;
        fields.method = "-lh0-";
    }
    fields.dataSize = static_cast<std::uint32_t>(packed);
    fields.originalSize = static_cast<std::uint32_t>(original);
    fields.crc = crc;
    header = BuildLevel1Header(fields);
    if (::pwrite(out, header.data(), header.size(), headerAt) !=
        static_cast<ssize_t>(header.size())) {
        return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                "Cannot write the archive: " + ErrnoText() + ".")};
    }
    if (::lseek(out, 0, SEEK_END) < 0) {
        return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                "Cannot write the archive: " + ErrnoText() + ".")};
    }
    summary.originalBytes += original;
    summary.packedBytes += packed;
    return true;
}

Expected<bool, ArchiveError> WriteDrawerEntry(int out, const LhaInput& input) {
    Level1HeaderFields fields;
    fields.method = "-lhd-";
    fields.directory = TrimSlashes(input.archiveName);
    fields.comment = input.comment;
    fields.protection = input.protection;
    if (input.date) {
        fields.date = *input.date;
    } else {
        struct stat info {};
        if (::stat(input.hostPath.c_str(), &info) == 0) {
            fields.date = DateStampFromHostTime(info.st_mtime);
        }
    }
    const std::vector<std::uint8_t> header = BuildLevel1Header(fields);
    if (::lseek(out, 0, SEEK_END) < 0 || !WriteAll(out, header.data(), header.size())) {
        return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                "Cannot write the archive: " + ErrnoText() + ".")};
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

Expected<LhaWriteSummary, ArchiveError> CreateLhaArchive(const std::string& archiveHostPath,
                                                         const std::vector<LhaInput>& inputs,
                                                         const LhaWriteOptions& options) {
    LhaWriteSummary summary;
    for (const auto& input : inputs) {
        const std::string name = TrimSlashes(input.archiveName);
        if (name.empty() || name.front() == '/' || name.find(':') != std::string::npos) {
            return Unexpected{
                Error(ArchiveError::Kind::BadArguments,
                      "\"" + input.archiveName + "\" cannot be a name inside an archive.")};
        }
    }

    // Entries of the existing archive that stay.
    FileDescriptor existing(::open(archiveHostPath.c_str(), O_RDONLY | O_CLOEXEC));
    std::vector<ExistingEntry> kept;
    if (existing.get() >= 0 && options.addToExisting) {
        auto entries = ReadExistingEntries(existing.get(), archiveHostPath);
        AMIGA_RETURN_IF_FAILED(entries);
        std::set<std::string, NoCaseLess> replaced;
        for (const auto& input : inputs) {
            replaced.insert(TrimSlashes(input.archiveName));
        }
        for (auto& entry : *entries) {
            if (replaced.count(TrimSlashes(entry.name)) == 0) {
                kept.push_back(std::move(entry));
            }
        }
    } else if (existing.get() < 0 && errno != ENOENT) {
        return Unexpected{
            Error(ArchiveError::Kind::ReadFailed,
                  "Cannot open archive \"" + archiveHostPath + "\": " + ErrnoText() + ".")};
    }

    TempFile temp;
    std::string pattern = archiveHostPath + ".XXXXXX";
    std::vector<char> templ(pattern.begin(), pattern.end());
    templ.push_back('\0');
    FileDescriptor out(::mkostemp(templ.data(), O_CLOEXEC));
    if (out.get() < 0) {
        return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                "Cannot create archive \"" + archiveHostPath + "\" in \"" +
                                    DirectoryOf(archiveHostPath) + "\": " + ErrnoText() + ".")};
    }
    temp.path = templ.data();

    for (const auto& entry : kept) {
        if (!CopyRange(existing.get(), entry.offset, entry.length, out.get())) {
            return Unexpected{Error(
                ArchiveError::Kind::WriteFailed,
                "Cannot copy \"" + entry.name + "\" into the new archive: " + ErrnoText() + ".")};
        }
        ++summary.entriesKept;
    }
    for (const auto& input : inputs) {
        auto written = input.isDir ? WriteDrawerEntry(out.get(), input)
                                   : WriteFileEntry(out.get(), input, options, summary);
        AMIGA_RETURN_IF_FAILED(written);
        ++summary.entriesWritten;
    }
    const std::uint8_t endMark = 0;
    if (!WriteAll(out.get(), &endMark, 1) || ::fsync(out.get()) != 0) {
        return Unexpected{
            Error(ArchiveError::Kind::WriteFailed,
                  "Cannot write archive \"" + archiveHostPath + "\": " + ErrnoText() + ".")};
    }
    // New files get the usual permissions (mkstemp makes them private).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(out.get(), 0666 & ~mask);
    if (::close(out.Release()) != 0 || ::rename(temp.path.c_str(), archiveHostPath.c_str()) != 0) {
        return Unexpected{
            Error(ArchiveError::Kind::WriteFailed,
                  "Cannot write archive \"" + archiveHostPath + "\": " + ErrnoText() + ".")};
    }
    temp.keep = true;
    return summary;
}

namespace {

struct Collector {
    const CollectOptions& options;
    MetadataSource* source;
    struct stat skip {};
    bool haveSkip = false;
    std::vector<LhaInput> inputs;

    LhaInput Make(const std::string& hostPath, const std::string& archiveName, bool isDir) {
        LhaInput input;
        input.hostPath = hostPath;
        input.archiveName = archiveName;
        input.isDir = isDir;
        if (source != nullptr) {
            if (auto metadata = source->read(hostPath)) {
                input.protection = metadata->protection.value_or(0);
                input.comment = metadata->comment;
                input.date = metadata->date;
            }
        }
        return input;
    }

    bool IsSkipped(const struct stat& info) const {
        return haveSkip && info.st_dev == skip.st_dev && info.st_ino == skip.st_ino;
    }

    Expected<bool, ArchiveError> Drawer(const std::string& hostPath, const std::string& name,
                                        bool descend) {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(hostPath.c_str()), ::closedir);
        if (!dir) {
            return Unexpected{
                Error(ArchiveError::Kind::ReadFailed,
                      "Cannot read drawer \"" + hostPath + "\": " + ErrnoText() + ".")};
        }
        std::vector<std::string> children;
        while (const dirent* item = ::readdir(dir.get())) {
            const std::string child = item->d_name;
            if (child != "." && child != "..") {
                children.push_back(child);
            }
        }
        std::sort(children.begin(), children.end());
        if (options.emptyDrawers) {
            inputs.push_back(Make(hostPath, name, true));
        }
        for (const auto& child : children) {
            const std::string childPath = hostPath + "/" + child;
            const std::string childName = name + "/" + child;
            struct stat info {};
            if ((options.skipName && options.skipName(child)) ||
                ::lstat(childPath.c_str(), &info) != 0 || IsSkipped(info)) {
                continue;
            }
            if (S_ISREG(info.st_mode)) {
                inputs.push_back(Make(childPath, childName, false));
            } else if (S_ISDIR(info.st_mode) && descend) {
                auto done = Drawer(childPath, childName, true);
                if (!done) {
                    return done;
                }
            }
        }
        return true;
    }
};

}  // namespace

Expected<std::vector<LhaInput>, ArchiveError> CollectLhaInputs(
    const std::string& baseHostDir, const std::vector<std::string>& names,
    const CollectOptions& options, MetadataSource* source, const std::string& skipHostPath) {
    Collector collector{options, source, {}, false, {}};
    if (!skipHostPath.empty() && ::stat(skipHostPath.c_str(), &collector.skip) == 0) {
        collector.haveSkip = true;
    }
    for (const auto& given : names) {
        const std::string name = TrimSlashes(given);
        if (name.empty()) {
            continue;
        }
        const std::string hostPath = name.front() == '/' ? name : baseHostDir + "/" + name;
        struct stat info {};
        if (::lstat(hostPath.c_str(), &info) != 0) {
            return Unexpected{
                Error(ArchiveError::Kind::NotFound, "\"" + given + "\" does not exist.")};
        }
        if (collector.IsSkipped(info)) {
            continue;
        }
        // Inside the archive the name is kept relative, as given.
        std::string archiveName = name;
        while (!archiveName.empty() && archiveName.front() == '/') {
            archiveName.erase(0, 1);
        }
        if (S_ISREG(info.st_mode)) {
            collector.inputs.push_back(collector.Make(hostPath, archiveName, false));
        } else if (S_ISDIR(info.st_mode)) {
            auto done = collector.Drawer(hostPath, archiveName, options.recursive);
            AMIGA_RETURN_IF_FAILED(done);
        }
    }
    return std::move(collector.inputs);
}

}  // namespace stovan::archive
