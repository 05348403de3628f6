#include "archive/Extract.h"

#include <fcntl.h>
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

#include "archive/EntryNames.h"
#include "archive/EntryReader.h"
#include "platform/FileDescriptor.h"
#include "platform/HostBeneath.h"

namespace stovan::archive {

using amiga::FileDescriptor;

namespace {

// The target drawer, opened once; every path below it is walked component by
// component without following symbolic links.
class TargetDrawer {
  public:
    static Expected<TargetDrawer, ArchiveError> Open(const std::string& path,
                                                     const std::string& root) {
        if (!root.empty() && path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
            path[root.size()] == '/') {
            return OpenBeneath(path, root, path.substr(root.size() + 1));
        }
        if (!root.empty() && path == root) {
            return OpenBeneath(path, root, "");
        }
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
    static Expected<TargetDrawer, ArchiveError> OpenBeneath(const std::string& path,
                                                            const std::string& root,
                                                            const std::string& relative) {
        if (!relative.empty()) {
            auto made = amiga::HostMakeDirectoryBeneath(root, relative);
            if (!made.ok() && made.error() != amiga::ERROR_OBJECT_EXISTS) {
                return Unexpected{Error(ArchiveError::Kind::WriteFailed,
                                        "Cannot create drawer \"" + path +
                                            "\": " + amiga::FaultText(made.error()) + ".")};
            }
        }
        auto opened = amiga::HostOpenBeneath(root, relative, O_RDONLY | O_DIRECTORY);
        if (!opened) {
            return Unexpected{Error(
                ArchiveError::Kind::WriteFailed,
                "Cannot enter drawer \"" + path + "\": " + amiga::FaultText(opened.error()) + ".")};
        }
        return TargetDrawer(path, FileDescriptor(opened->Release()));
    }

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
            AMIGA_RETURN_IF_FAILED(more);
            if (!*more) {
                break;
            }
            if (options_.select && !options_.select(entry.name)) {
                ++summary_.skipped;
                continue;
            }
            if (target_ == nullptr) {
                auto tested = test(entry, buffer);
                AMIGA_RETURN_IF_FAILED(tested);
                continue;
            }
            if (options_.maxEntries != 0 && ++entries > options_.maxEntries) {
                return Unexpected{Error(ArchiveError::Kind::LimitExceeded,
                                        "The archive holds more than " +
                                            std::to_string(options_.maxEntries) +
                                            " entries; extraction stopped.")};
            }
            auto done = extract(entry, buffer);
            AMIGA_RETURN_IF_FAILED(done);
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
            AMIGA_RETURN_IF_FAILED(got);
            if (*got == 0) {
                break;
            }
            summary_.bytes += *got;
        }
        auto verified = reader_.verify(entry);
        AMIGA_RETURN_IF_FAILED(verified);
        ++summary_.files;
        if (!options_.quiet) {
            out_ << " Testing: " << entry.name << " OK\n";
        }
        return true;
    }

    Expected<bool, ArchiveError> extract(const Entry& entry, std::vector<std::uint8_t>& buffer) {
        if (!entry.storedName.empty()) {
            auto stored = SplitEntryName(entry.storedName);
            AMIGA_RETURN_IF_FAILED(stored);
        }
        auto split = SplitEntryName(entry.name);
        AMIGA_RETURN_IF_FAILED(split);
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
        AMIGA_RETURN_IF_FAILED(drawer);
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
        AMIGA_RETURN_IF_FAILED(parent);
        const std::string& name = components.back();
        auto proceed = checkExisting(parent->get(), name, entry);
        AMIGA_RETURN_IF_FAILED(proceed);
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
        AMIGA_RETURN_IF_FAILED(parent);
        const std::string& name = components.back();
        const std::string temp = TemporaryName(name);
        if (entry.type == Entry::Type::Symlink) {
            if (!LinkStaysInside(components, entry.linkTarget)) {
                return Unexpected{Error(ArchiveError::Kind::UnsafeEntry,
                                        "Refusing \"" + entry.name + "\": its link to \"" +
                                            entry.linkTarget +
                                            "\" points outside its drawer or at a drawer "
                                            "holding it.")};
            }
            auto proceed = checkExisting(parent->get(), name, entry);
            AMIGA_RETURN_IF_FAILED(proceed);
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
            AMIGA_RETURN_IF_FAILED(targetDrawer);
            auto proceed = checkExisting(parent->get(), name, entry);
            AMIGA_RETURN_IF_FAILED(proceed);
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

Expected<ExtractSummary, ArchiveError> ExtractArchive(const std::string& archiveHostPath,
                                                      const std::string& targetHostDir,
                                                      const ExtractOptions& options,
                                                      MetadataSink* sink, std::ostream& out) {
    auto reader = OpenReader(archiveHostPath);
    AMIGA_RETURN_IF_FAILED(reader);
    auto target = TargetDrawer::Open(targetHostDir.empty() ? std::string(".") : targetHostDir,
                                     options.containingRoot);
    AMIGA_RETURN_IF_FAILED(target);
    Extraction extraction(**reader, options, sink, out, &*target);
    return extraction.run();
}

Expected<ExtractSummary, ArchiveError> TestArchive(const std::string& archiveHostPath,
                                                   const ExtractOptions& options,
                                                   std::ostream& out) {
    auto reader = OpenReader(archiveHostPath);
    AMIGA_RETURN_IF_FAILED(reader);
    Extraction extraction(**reader, options, nullptr, out, nullptr);
    return extraction.run();
}

}  // namespace stovan::archive
