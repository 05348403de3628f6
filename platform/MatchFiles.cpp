#include "platform/MatchFiles.h"

#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "platform/Pattern.h"

namespace amiga {
namespace {

struct Candidate {
    std::string path;
    FileLock lock;
};

bool EndsWithName(const std::string& path) {
    return !path.empty() && !path.ends_with(':') && !path.ends_with('/');
}

std::string JoinPath(const std::string& base, std::string_view name) {
    std::string path = base;
    if (EndsWithName(path)) {
        path += '/';
    }
    path += name;
    return path;
}

// "a" + parent is "a//" ("a/" would be a itself); "" or "x:" + parent is "/".
std::string JoinParent(const std::string& base) {
    return base + (EndsWithName(base) ? "//" : "/");
}

}  // namespace

DosStatus MatchFirst(const DosList& dos, std::string_view pattern, MatchAnchor& anchor,
                     const FileLock* drawer) {
    anchor = MatchAnchor();
    auto parsed = ParsePath(pattern);
    if (!parsed) {
        return parsed.error();
    }
    // The fixed part: the device and every step before the first pattern.
    std::string fixed;
    if (parsed->start == PathStart::Device) {
        fixed = parsed->device + ":";
    } else if (parsed->start == PathStart::VolumeRoot) {
        fixed = ":";
    }
    std::vector<Pattern> patterns;
    std::size_t first = parsed->steps.size();
    for (std::size_t i = 0; i < parsed->steps.size(); ++i) {
        const PathStep& step = parsed->steps[i];
        if (step.parent) {
            patterns.emplace_back(ParsePatternNoCase("").value());
            continue;
        }
        auto compiled = ParsePatternNoCase(step.name);
        if (!compiled) {
            return compiled.error();
        }
        if (compiled->HasWildcards() && first == parsed->steps.size()) {
            first = i;
        }
        patterns.push_back(std::move(*compiled));
    }
    for (std::size_t i = 0; i < first; ++i) {
        const PathStep& step = parsed->steps[i];
        fixed = step.parent ? JoinParent(fixed) : JoinPath(fixed, step.name);
    }
    auto base = Lock(dos, fixed, drawer);
    if (!base) {
        return base.error();
    }
    if (first == parsed->steps.size()) {
        MatchEntry entry;
        entry.path = std::string(pattern);
        entry.name = base->names.empty() ? std::string() : base->names.back();
        entry.drawer = base->drawer;
        entry.lock = std::move(*base);
        anchor.entries_.push_back(std::move(entry));
        return DosStatus::Ok();
    }

    std::vector<Candidate> level{{fixed, std::move(*base)}};
    for (std::size_t i = first; i < parsed->steps.size(); ++i) {
        const PathStep& step = parsed->steps[i];
        const bool last = i + 1 == parsed->steps.size();
        std::vector<Candidate> next;
        for (Candidate& candidate : level) {
            if (step.parent) {
                auto parent = ParentDir(dos, candidate.lock);
                if (parent) {
                    next.push_back({JoinParent(candidate.path), std::move(*parent)});
                }
                continue;
            }
            if (!candidate.lock.drawer) {
                continue;
            }
            auto entries = ListDrawer(candidate.lock);
            if (!entries) {
                continue;  // a drawer that cannot be read has no matches
            }
            for (const DrawerEntry& entry : *entries) {
                if ((!last && !entry.drawer) || !MatchPatternNoCase(patterns[i], entry.name)) {
                    continue;
                }
                auto lock = Lock(dos, entry.name, &candidate.lock);
                if (!lock) {
                    continue;
                }
                next.push_back({JoinPath(candidate.path, entry.name), std::move(*lock)});
            }
        }
        level = std::move(next);
    }
    for (Candidate& candidate : level) {
        MatchEntry entry;
        entry.path = std::move(candidate.path);
        entry.name = candidate.lock.names.empty() ? std::string() : candidate.lock.names.back();
        entry.drawer = candidate.lock.drawer;
        entry.lock = std::move(candidate.lock);
        anchor.entries_.push_back(std::move(entry));
    }
    if (anchor.entries_.empty()) {
        return ERROR_NO_MORE_ENTRIES;
    }
    return DosStatus::Ok();
}

DosStatus MatchNext(MatchAnchor& anchor) {
    if (anchor.position_ + 1 >= anchor.entries_.size()) {
        anchor.position_ = anchor.entries_.size();
        return ERROR_NO_MORE_ENTRIES;
    }
    ++anchor.position_;
    return DosStatus::Ok();
}

void MatchEnd(MatchAnchor& anchor) {
    anchor = MatchAnchor();
}

}  // namespace amiga
