#include "archive/ZipWriter.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <memory>

#include "platform/HostFiles.h"

namespace stovan::archive {

namespace {

struct WriterFree {
    void operator()(::archive* writer) const { archive_write_free(writer); }
};
struct EntryFree {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

ArchiveError WriterError(::archive* writer, const std::string& path) {
    const char* text = archive_error_string(writer);
    return Error(ArchiveError::Kind::WriteFailed,
                 "Cannot write " + path + ": " + (text != nullptr ? text : "unknown error"));
}

// One input as an entry: its header, then its data read in pieces.
std::optional<ArchiveError> WriteInput(::archive* writer, const LhaInput& input,
                                       const std::string& archivePath) {
    struct stat info {};
    if (::stat(input.hostPath.c_str(), &info) != 0) {
        return Error(ArchiveError::Kind::NotFound,
                     "Cannot read " + input.hostPath + ": " + ErrnoText());
    }
    std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), (input.archiveName + (input.isDir ? "/" : "")).c_str());
    archive_entry_set_mtime(entry.get(), info.st_mtim.tv_sec, 0);
    if (input.isDir) {
        archive_entry_set_filetype(entry.get(), AE_IFDIR);
        archive_entry_set_perm(entry.get(), 0755);
        archive_entry_set_size(entry.get(), 0);
        if (archive_write_header(writer, entry.get()) != ARCHIVE_OK) {
            return WriterError(writer, archivePath);
        }
        return std::nullopt;
    }
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), info.st_size);
    const int file = ::open(input.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return Error(ArchiveError::Kind::ReadFailed,
                     "Cannot read " + input.hostPath + ": " + ErrnoText());
    }
    std::optional<ArchiveError> failure;
    if (archive_write_header(writer, entry.get()) != ARCHIVE_OK) {
        failure = WriterError(writer, archivePath);
    }
    std::array<char, 65536> buffer{};
    while (!failure) {
        const ssize_t got = ::read(file, buffer.data(), buffer.size());
        if (got < 0) {
            failure = Error(ArchiveError::Kind::ReadFailed,
                            "Cannot read " + input.hostPath + ": " + ErrnoText());
        }
        if (got <= 0) {
            break;
        }
        if (archive_write_data(writer, buffer.data(), static_cast<std::size_t>(got)) != got) {
            failure = WriterError(writer, archivePath);
        }
    }
    ::close(file);
    return failure;
}

}  // namespace

Expected<std::uint64_t, ArchiveError> CreateZipArchive(const std::string& archiveHostPath,
                                                       const std::vector<LhaInput>& inputs) {
    const std::string temporary = archiveHostPath + ".part";
    std::unique_ptr<::archive, WriterFree> writer(archive_write_new());
    if (!writer || archive_write_set_format_zip(writer.get()) != ARCHIVE_OK ||
        archive_write_open_filename(writer.get(), temporary.c_str()) != ARCHIVE_OK) {
        return Unexpected{WriterError(writer.get(), archiveHostPath)};
    }
    std::optional<ArchiveError> failure;
    for (const LhaInput& input : inputs) {
        failure = WriteInput(writer.get(), input, archiveHostPath);
        if (failure) {
            break;
        }
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK && !failure) {
        failure = WriterError(writer.get(), archiveHostPath);
    }
    if (!failure && !amiga::HostRename(temporary, archiveHostPath, false).ok()) {
        failure = Error(ArchiveError::Kind::WriteFailed,
                        "Cannot write " + archiveHostPath + ": " + ErrnoText());
    }
    if (failure) {
        // The failure is what the caller hears; a leftover temporary is only clutter.
        (void)amiga::HostRemoveFile(temporary);
        return Unexpected{*failure};
    }
    return static_cast<std::uint64_t>(inputs.size());
}

}  // namespace stovan::archive
