#include "archive/LhaEntryReader.h"

#include <fcntl.h>
#include <lha_reader.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "archive/Crc16.h"
#include "archive/LhaDecoder.h"
#include "archive/LhaHeader.h"

namespace stovan::archive {

using amiga::DateStampFromHostTime;

namespace {

// Reads at an offset of the archive file, retrying interrupted calls: -1 on
// failure, 0 at the end of the file.
std::ptrdiff_t ReadAt(int fd, std::uint8_t* buffer, std::size_t size, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::ptrdiff_t>(done);
}

// The stream liblhasa reads the headers through: the archive file with our
// own offset, so that we know where liblhasa stands after each header.
struct FileStream {
    int fd = -1;
    std::uint64_t offset = 0;
};

int StreamRead(void* handle, void* buffer, std::size_t size) {
    auto* stream = static_cast<FileStream*>(handle);
    const std::ptrdiff_t got =
        ReadAt(stream->fd, static_cast<std::uint8_t*>(buffer), size, stream->offset);
    if (got > 0) {
        stream->offset += static_cast<std::uint64_t>(got);
    }
    return static_cast<int>(got);
}

int StreamSkip(void* handle, std::size_t bytes) {
    static_cast<FileStream*>(handle)->offset += bytes;
    return 1;
}

void StreamClose(void*) {}

const LHAInputStreamType kStreamType = {StreamRead, StreamSkip, StreamClose};

// How far before liblhasa's position the header may start: it keeps a few
// bytes read ahead while looking for the first header of a self-extracting
// archive.
constexpr std::size_t kReadAhead = 512;

class LhaEntryReader final : public EntryReader {
  public:
    static Expected<std::unique_ptr<EntryReader>, ArchiveError> Open(const std::string& path,
                                                                     LhaDecoding decoding) {
        auto reader = std::unique_ptr<LhaEntryReader>(new LhaEntryReader(path, decoding));
        reader->file_.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (reader->file_.fd < 0) {
            return Unexpected{Error(ArchiveError::Kind::ReadFailed,
                                    "Cannot open archive \"" + path + "\": " + ErrnoText() + ".")};
        }
        reader->stream_ = lha_input_stream_new(&kStreamType, &reader->file_);
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
        if (file_.fd >= 0) {
            ::close(file_.fd);
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
        const bool isDrawer = std::strcmp(header_->compress_method, LHA_COMPRESS_TYPE_DIR) == 0;
        if (isDrawer) {
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
            entry.metadata = ArchiveMetadata{};
            entry.metadata.date = DateStampFromHostTime(static_cast<std::time_t>(entry.hostTime));
        }
        name_ = entry.name;
        crc_ = 0;
        done_ = 0;
        ownDecoding_ = false;
        pendingMethod_.reset();
        if (!isDrawer && decoding_ == LhaDecoding::Own) {
            // Found and started on the first read: a listing never looks.
            pendingMethod_ = LhaMethodFromName(entry.method);
        }
        return true;
    }

    Expected<std::size_t, ArchiveError> read(std::uint8_t* buffer, std::size_t size) override {
        if (pendingMethod_) {
            const LhaMethod method = *pendingMethod_;
            pendingMethod_.reset();
            auto start = findData();
            if (!start) {
                return Unexpected{Error(ArchiveError::Kind::Corrupt,
                                        "\"" + name_ + "\" is damaged: its data cannot be found.")};
            }
            startOwnDecoding(method, *start);
        }
        std::size_t got = 0;
        if (ownDecoding_) {
            auto decoded = decoder_.read(buffer, size);
            if (!decoded) {
                return Unexpected{Error(ArchiveError::Kind::Corrupt,
                                        "\"" + name_ + "\" is damaged: " + decoded.error() + ".")};
            }
            got = *decoded;
        } else {
            got = lha_reader_read(reader_, buffer, size);
        }
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
    LhaEntryReader(std::string path, LhaDecoding decoding)
        : path_(std::move(path)), decoding_(decoding) {}

    // Where the current entry's data starts in the file. liblhasa has read
    // the header and stands at most kReadAhead bytes past its end. The header
    // is found there by its first bytes (the fixed fields: method, sizes,
    // date, level; liblhasa keeps a copy, with the header CRC fields zeroed),
    // and its length taken from our own parser, which must agree with
    // liblhasa's on the length and the data size.
    std::optional<std::uint64_t> findData() {
        constexpr std::size_t kFixed = 22;
        const std::size_t rawLength = header_->raw_data_len;
        if (header_->raw_data == nullptr || rawLength < kFixed) {
            return std::nullopt;
        }
        const std::uint64_t position = file_.offset;
        const std::uint64_t low =
            position > rawLength + kReadAhead ? position - rawLength - kReadAhead : 0;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(position - low));
        if (bytes.size() < rawLength || ReadAt(file_.fd, bytes.data(), bytes.size(), low) !=
                                            static_cast<std::ptrdiff_t>(bytes.size())) {
            return std::nullopt;
        }
        const auto* raw = static_cast<const std::uint8_t*>(header_->raw_data);
        for (std::size_t start = bytes.size() - rawLength + 1; start-- > 0;) {
            if (std::memcmp(bytes.data() + start, raw, kFixed) != 0) {
                continue;
            }
            auto parsed = ParseLhaHeader(bytes.data() + start, bytes.size() - start);
            if (parsed && parsed->headerLength == rawLength &&
                parsed->dataSize == header_->compressed_length) {
                return low + start + rawLength;
            }
        }
        return std::nullopt;
    }

    void startOwnDecoding(LhaMethod method, std::uint64_t start) {
        ownDecoding_ = true;
        dataOffset_ = start;
        dataLeft_ = header_->compressed_length;
        decoder_.start(method, header_->length,
                       [this](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
                           const auto count =
                               static_cast<std::size_t>(std::min<std::uint64_t>(size, dataLeft_));
                           const std::ptrdiff_t got = ReadAt(file_.fd, buffer, count, dataOffset_);
                           if (got > 0) {
                               dataOffset_ += static_cast<std::uint64_t>(got);
                               dataLeft_ -= static_cast<std::uint64_t>(got);
                           }
                           return got;
                       });
    }

    std::string path_;
    LhaDecoding decoding_;
    FileStream file_;
    LHAInputStream* stream_ = nullptr;
    LHAReader* reader_ = nullptr;
    LHAFileHeader* header_ = nullptr;
    std::uint64_t entries_ = 0;
    std::string name_;
    std::uint16_t crc_ = 0;
    std::uint64_t done_ = 0;
    bool ownDecoding_ = false;
    std::optional<LhaMethod> pendingMethod_;
    LhaDecoder decoder_;
    std::uint64_t dataOffset_ = 0;
    std::uint64_t dataLeft_ = 0;
};

}  // namespace

Expected<std::unique_ptr<EntryReader>, ArchiveError> OpenLhaReader(const std::string& path,
                                                                   LhaDecoding decoding) {
    return LhaEntryReader::Open(path, decoding);
}

}  // namespace stovan::archive
