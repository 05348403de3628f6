// Copy: copies files, or the contents of drawers (with ALL, drawers inside
// them too) to a file or drawer. Protection bits are kept unless NOPRO;
// CLONE also keeps dates and comments (DATES and COM one each). A missing
// destination drawer is created. Prints each name unless QUIET. A soft link
// met while copying a drawer or a pattern is copied as a link with the same
// text, never entered; one that would lead out of the destination's volume
// is skipped with a message (return code 5). A link named as the source
// itself is copied as what it points to.
// Template: FROM/M,TO/A,ALL/S,Q=QUIET/S,BUF=BUFFER/K/N,CLONE/S,DATES/S,
//           NOPRO=NOPROTECTION/S,COM=COMMENTS/S,NOREQ=NOREQUESTERS/S,
//           NOREP=NOREPLACE/S,INTER=INTERACTIVE/S,FORCE/S,ARC=ARCHIVE/S,NEWER/S,
//           COPYLINKS/S,FOLLOWLINKS/S

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/HostBeneath.h"
#include "shell/Break.h"
#include "shell/Command.h"
#include "shell/Matching.h"

namespace amiga {

namespace {

bool IsSameOrInside(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.starts_with(folder) && path.size() > folder.size() && path[folder.size()] == '/');
}

struct CopyOptions {
    bool all = false, quiet = false, dates = false, comments = false, protection = true;
    bool noReplace = false, newer = false;
};

// Copies the bytes of one file, into a temporary name first so that a failed
// copy never leaves a half-written file under the final name. A failure
// removes the temporary as well as it can and returns what failed.
DosError CopyData(ShellHost& host, const ObjectInfo& from, const std::string& to) {
    auto source = host.OpenFile(from.amigaPath, StreamMode::OldFile);
    if (!source) {
        return source.error();
    }
    FileDescriptor in(*source);
    std::string temporary = to + ".copy-in-progress";
    auto target = host.OpenFile(temporary, StreamMode::NewFile);
    if (!target) {
        return target.error();
    }
    FileDescriptor out(*target);
    char buffer[65536];
    for (;;) {
        if (BreakRequested()) {
            out = FileDescriptor();
            (void)host.DeleteObject(temporary);
            return ERROR_BREAK;
        }
        ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            out = FileDescriptor();
            (void)host.DeleteObject(temporary);
            return ERROR_READ_PROTECTED;
        }
        if (got == 0) {
            break;
        }
        if (!WriteAll(out.get(), std::string_view(buffer, static_cast<std::size_t>(got)))) {
            const DosError error = errno != 0 ? DosErrorFromErrno(errno) : ERROR_DISK_FULL;
            out = FileDescriptor();
            (void)host.DeleteObject(temporary);
            return error;
        }
    }
    // A failed close (data not written back) fails the copy too.
    if (::close(out.Release()) != 0) {
        const DosError error = DosErrorFromErrno(errno);
        (void)host.DeleteObject(temporary);
        return error;
    }
    if (auto existing = host.Examine(to); existing.ok()) {
        if (existing->isDrawer) {
            (void)host.DeleteObject(temporary);
            return ERROR_OBJECT_EXISTS;
        }
        if (DosError error = host.DeleteObject(to); error != kNoError) {
            (void)host.DeleteObject(temporary);
            return error;
        }
    }
    return host.Rename(temporary, to);
}

class Copier {
  public:
    Copier(CommandContext& context, CopyOptions options) : context_(context), options_(options) {}

    // Copies one file to the path to; false after a hard error.
    bool CopyFile(const ObjectInfo& from, const std::string& to, int depth) {
        if (options_.noReplace || options_.newer) {
            if (auto existing = context_.host.Examine(to); existing.ok()) {
                if (options_.noReplace || existing->date >= from.date) {
                    return true;
                }
            }
        }
        DosError error = CopyData(context_.host, from, to);
        if (error == ERROR_BREAK) {
            result_ = RETURN_FAIL;
            context_.result2 = ERROR_BREAK;
            return false;
        }
        if (error != kNoError) {
            context_.Fault(error, from.name, RETURN_ERROR);
            result_ = RETURN_FAIL;
            return false;
        }
        ApplyMetadata(from, to);
        if (!options_.quiet) {
            context_.Print(std::string(static_cast<std::size_t>(depth) * 2 + 2, ' ') + from.name +
                           "..copied\n");
        }
        return true;
    }

    // Copies the entries of the drawer from into the drawer to.
    bool CopyDrawerContents(const ObjectInfo& from, const std::string& to, int depth) {
        if (depth >= kMaxBeneathDepth) {
            context_.Fault(ERROR_TOO_MANY_LEVELS, from.amigaPath, RETURN_FAIL);
            result_ = RETURN_FAIL;
            return false;
        }
        if (auto target = context_.host.Examine(to);
            target && IsSameOrInside(target->hostPath, from.hostPath)) {
            // Copying a drawer into itself would never end.
            context_.Fault(ERROR_OBJECT_IN_USE, from.amigaPath, RETURN_FAIL);
            result_ = RETURN_FAIL;
            return false;
        }
        auto entries = SortedDrawer(context_.host, from.amigaPath);
        if (!entries) {
            context_.Fault(entries.error(), context_.name, RETURN_FAIL);
            result_ = RETURN_FAIL;
            return false;
        }
        for (const ObjectInfo& entry : *entries) {
            if (!CopyEntry(entry, JoinPath(to, entry.name), depth)) {
                return false;
            }
        }
        return true;
    }

    // An object met by a walk (drawer listing or pattern): links are copied
    // as links, everything else as CopyObject does.
    bool CopyEntry(const ObjectInfo& from, const std::string& to, int depth) {
        if (from.isLink) {
            return CopyLink(from, to, depth);
        }
        return CopyObject(from, to, depth);
    }

    bool CopyLink(const ObjectInfo& from, const std::string& to, int depth) {
        ShellHost& host = context_.host;
        if (auto existing = host.Examine(to); existing.ok()) {
            if (options_.noReplace) {
                return true;
            }
            if (existing->isDrawer && !existing->isLink) {
                context_.Fault(ERROR_OBJECT_EXISTS, to, RETURN_ERROR);
                result_ = RETURN_FAIL;
                return false;
            }
            if (DosError error = host.DeleteObject(to); error != kNoError) {
                context_.Fault(error, to, RETURN_ERROR);
                result_ = RETURN_FAIL;
                return false;
            }
        }
        const std::string indent(static_cast<std::size_t>(depth) * 2 + 2, ' ');
        DosError error = host.MakeLink(to, from.linkTarget);
        if (error == ERROR_IS_SOFT_LINK) {
            // Kept from leading out of the destination's volume: skipped.
            context_.Print(indent + from.name + "..not copied: link leads outside the volume\n");
            result_ = std::max(result_, RETURN_WARN);
            return true;
        }
        if (error != kNoError) {
            context_.Fault(error, from.name, RETURN_ERROR);
            result_ = RETURN_FAIL;
            return false;
        }
        if (!options_.quiet) {
            context_.Print(indent + from.name + "..linked\n");
        }
        return true;
    }

    bool CopyObject(const ObjectInfo& from, const std::string& to, int depth) {
        if (!from.isDrawer) {
            return CopyFile(from, to, depth);
        }
        if (!options_.all) {
            return true;  // drawers inside are copied with ALL only
        }
        if (!EnsureDrawer(to)) {
            return false;
        }
        if (!options_.quiet) {
            context_.Print(std::string(static_cast<std::size_t>(depth) * 2 + 2, ' ') + from.name +
                           " (Dir)\n");
        }
        if (!CopyDrawerContents(from, to, depth + 1)) {
            return false;
        }
        ApplyMetadata(from, to);
        return true;
    }

    bool EnsureDrawer(const std::string& path) {
        if (auto existing = context_.host.Examine(path); existing.ok()) {
            if (existing->isDrawer) {
                return true;
            }
            context_.Fault(ERROR_OBJECT_EXISTS, path, RETURN_ERROR);
            result_ = RETURN_ERROR;
            return false;
        }
        DosError error = context_.host.CreateDir(path);
        if (error != kNoError) {
            context_.Fault(error, path, RETURN_ERROR);
            result_ = RETURN_ERROR;
            return false;
        }
        return true;
    }

    int result() const { return result_; }

  private:
    // The data is copied by now; protection, comment and date are carried
    // over as well as the target allows, without failing the copy.
    void ApplyMetadata(const ObjectInfo& from, const std::string& to) {
        ShellHost& host = context_.host;
        if (options_.protection) {
            (void)host.SetProtection(to, from.protection);
        }
        if (options_.comments && !from.comment.empty()) {
            (void)host.SetComment(to, from.comment);
        }
        if (options_.dates) {
            (void)host.SetDate(to, from.date);
        }
    }

    CommandContext& context_;
    CopyOptions options_;
    int result_ = RETURN_OK;
};

// "TO *" is the console: the files' contents go to the output stream, whose
// failed writes the shell reports.
int CopyToConsole(CommandContext& context, const std::vector<Expansion>& expansions) {
    for (const Expansion& expansion : expansions) {
        for (const ObjectInfo& object : expansion.objects) {
            if (object.isDrawer) {
                continue;
            }
            auto opened = context.host.OpenFile(object.amigaPath, StreamMode::OldFile);
            if (!opened) {
                return context.Fault(opened.error(), object.name, RETURN_FAIL);
            }
            FileDescriptor in(*opened);
            char buffer[65536];
            for (;;) {
                if (BreakRequested()) {
                    context.result2 = ERROR_BREAK;
                    return RETURN_FAIL;
                }
                ssize_t got = ::read(in.get(), buffer, sizeof buffer);
                if (got < 0 && errno == EINTR) {
                    continue;
                }
                if (got < 0) {
                    return context.Fault(DosErrorFromErrno(errno), object.name, RETURN_FAIL);
                }
                if (got == 0) {
                    break;
                }
                if (!context.Print(std::string_view(buffer, static_cast<std::size_t>(got)))) {
                    return RETURN_FAIL;  // the shell reports the failed write
                }
            }
        }
    }
    return RETURN_OK;
}

int RunCopy(CommandContext& context) {
    const ParsedArgs& args = context.args;
    CopyOptions options;
    options.all = args.Switch("ALL");
    options.quiet = args.Switch("Q");
    bool clone = args.Switch("CLONE");
    options.dates = clone || args.Switch("DATES");
    options.comments = clone || args.Switch("COM");
    options.protection = !args.Switch("NOPRO");
    options.noReplace = args.Switch("NOREP");
    options.newer = args.Switch("NEWER");
    std::vector<std::string> sources = args.Multi("FROM");
    std::string destination = args.Text("TO");
    if (sources.empty()) {
        return context.Fault(ERROR_REQUIRED_ARG_MISSING, context.name, RETURN_FAIL);
    }

    std::vector<Expansion> expansions;
    bool several = sources.size() > 1;
    for (const std::string& source : sources) {
        auto expansion = ExpandPath(context.host, source);
        if (!expansion) {
            return context.Fault(expansion.error(), context.name, RETURN_FAIL);
        }
        if (expansion->objects.empty()) {
            return context.Fault(ERROR_OBJECT_NOT_FOUND, context.name, RETURN_FAIL);
        }
        several = several || expansion->wild || expansion->objects.front().isDrawer;
        expansions.push_back(std::move(expansion.value()));
    }

    if (destination == "*") {
        return CopyToConsole(context, expansions);
    }
    Copier copier(context, options);
    auto target = context.host.Examine(destination);
    bool toDrawer = several || (target.ok() && target->isDrawer) ||
                    (!destination.empty() && destination.back() == '/');
    if (!toDrawer) {
        const ObjectInfo& from = expansions.front().objects.front();
        if (target.ok() && target->hostPath == from.hostPath) {
            return context.Fault(ERROR_OBJECT_IN_USE, context.name, RETURN_FAIL);
        }
        copier.CopyFile(from, destination, 0);
        return copier.result();
    }
    std::string drawer = destination;
    if (drawer.size() > 1 && drawer.back() == '/') {
        drawer.pop_back();
    }
    if (!copier.EnsureDrawer(drawer)) {
        return copier.result();
    }
    for (const Expansion& expansion : expansions) {
        for (const ObjectInfo& object : expansion.objects) {
            if (BreakRequested()) {
                context.result2 = ERROR_BREAK;
                return RETURN_FAIL;
            }
            bool ok =
                !expansion.wild && object.isDrawer ? copier.CopyDrawerContents(object, drawer, 0)
                : expansion.wild ? copier.CopyEntry(object, JoinPath(drawer, object.name), 0)
                                 : copier.CopyObject(object, JoinPath(drawer, object.name), 0);
            if (!ok) {
                return copier.result();
            }
        }
    }
    return copier.result();
}

}  // namespace

extern const CommandSpec kCopyCommand{
    "Copy",
    "FROM/M,TO/A,ALL/S,Q=QUIET/S,BUF=BUFFER/K/N,CLONE/S,DATES/S,NOPRO=NOPROTECTION/S,"
    "COM=COMMENTS/S,NOREQ=NOREQUESTERS/S,NOREP=NOREPLACE/S,INTER=INTERACTIVE/S,FORCE/S,"
    "ARC=ARCHIVE/S,NEWER/S,COPYLINKS/S,FOLLOWLINKS/S",
    RunCopy};

}  // namespace amiga
