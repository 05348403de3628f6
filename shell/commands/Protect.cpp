// Protect: sets the protection bits h s p a r w e d. Plain FLAGS set exactly
// those bits; "+flags" or ADD adds them, "-flags" or SUB removes them. ALL
// works through drawers, patterns allowed.
// Template: FILE/A,FLAGS,ADD/S,SUB/S,ALL/S,QUIET/S

#include <optional>

#include "platform/Latin1.h"
#include "shell/Command.h"
#include "shell/Matching.h"

namespace amiga {

namespace {

constexpr std::string_view kLetters = "DEWRAPSH";  // bit 0 upwards

// The bits named by the letters, or none for a letter outside HSPARWED.
std::optional<std::uint32_t> ParseFlags(std::string_view flags) {
    std::uint32_t bits = 0;
    for (char c : flags) {
        std::size_t bit = kLetters.find(ToUpper(c));
        if (bit == std::string_view::npos) {
            return std::nullopt;
        }
        bits |= 1u << bit;
    }
    return bits;
}

constexpr std::uint32_t kActiveLow = FIBF_DELETE | FIBF_EXECUTE | FIBF_WRITE | FIBF_READ;

// Named flags mean "allowed": for R W E D that is a cleared bit.
std::uint32_t Grant(std::uint32_t protection, std::uint32_t named) {
    return (protection | (named & ~kActiveLow)) & ~(named & kActiveLow);
}
std::uint32_t Revoke(std::uint32_t protection, std::uint32_t named) {
    return (protection & ~(named & ~kActiveLow)) | (named & kActiveLow);
}

enum class Mode { Set, Add, Sub };

struct ProtectJob {
    CommandContext& context;
    Mode mode;
    std::uint32_t named;
    bool all, quiet, verbose;
    int rc = RETURN_OK;

    void Apply(const ObjectInfo& object) {
        std::uint32_t bits = object.protection;
        switch (mode) {
            case Mode::Set:
                bits = Grant((object.protection & ~0xFFu) | kActiveLow, named);
                break;
            case Mode::Add:
                bits = Grant(bits, named);
                break;
            case Mode::Sub:
                bits = Revoke(bits, named);
                break;
        }
        DosError error = context.host.SetProtection(object.amigaPath, bits);
        if (error != kNoError) {
            context.Fault(error, object.amigaPath, RETURN_ERROR);
            rc = RETURN_ERROR;
        } else if (verbose && !quiet) {
            context.Print("   " + object.name + "..done\n");
        }
        if (object.isDrawer && all) {
            auto entries = SortedDrawer(context.host, object.amigaPath);
            if (entries) {
                for (const ObjectInfo& entry : *entries) {
                    Apply(entry);
                }
            }
        }
    }
};

int RunProtect(CommandContext& context) {
    const ParsedArgs& args = context.args;
    std::string flags = args.Text("FLAGS");
    Mode mode = args.Switch("ADD") ? Mode::Add : args.Switch("SUB") ? Mode::Sub : Mode::Set;
    if (!flags.empty() && (flags.front() == '+' || flags.front() == '-')) {
        mode = flags.front() == '+' ? Mode::Add : Mode::Sub;
        flags.erase(0, 1);
    }
    auto named = ParseFlags(flags);
    if (!named) {
        context.PrintError("Invalid flags - must be one of HSPARWED\n");
        context.result2 = ERROR_BAD_TEMPLATE;
        return RETURN_FAIL;
    }
    auto expansion = ExpandPath(context.host, args.Text("FILE"));
    if (!expansion) {
        return context.Fault(expansion.error(), context.name, RETURN_ERROR);
    }
    if (expansion->objects.empty()) {
        return context.Fault(ERROR_OBJECT_NOT_FOUND, context.name, RETURN_ERROR);
    }
    bool all = args.Switch("ALL");
    ProtectJob job{context, mode, *named, all, args.Switch("QUIET"), expansion->wild || all};
    for (const ObjectInfo& object : expansion->objects) {
        job.Apply(object);
    }
    return job.rc;
}

}  // namespace

extern const CommandSpec kProtectCommand{"Protect", "FILE/A,FLAGS,ADD/S,SUB/S,ALL/S,QUIET/S",
                                         RunProtect};

}  // namespace amiga
