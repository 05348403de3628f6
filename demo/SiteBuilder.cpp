#include "demo/SiteBuilder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "archive/LhaWriter.h"
#include "archive/ZipWriter.h"

namespace stovan::demo {

namespace {

namespace fs = std::filesystem;

bool EndsWith(const std::string& text, std::string_view suffix) {
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The entries of a folder in name order, so archives come out the same on
// every build.
std::vector<fs::path> SortedEntries(const fs::path& folder, std::error_code& error) {
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string MakeArchive(const fs::path& source, const fs::path& target) {
    std::error_code error;
    std::vector<std::string> names;
    for (const fs::path& entry : SortedEntries(source, error)) {
        names.push_back(entry.filename().string());
    }
    if (error) {
        return "cannot read " + source.string() + ": " + error.message();
    }
    archive::CollectOptions options;
    options.recursive = true;
    options.emptyDrawers = true;
    auto inputs = archive::CollectLhaInputs(source.string(), names, options, nullptr);
    if (!inputs) {
        return inputs.error().message;
    }
    if (EndsWith(target.filename().string(), ".zip")) {
        auto made = archive::CreateZipArchive(target.string(), *inputs);
        return made ? std::string() : made.error().message;
    }
    archive::LhaWriteOptions lha;
    lha.addToExisting = false;
    auto made = archive::CreateLhaArchive(target.string(), *inputs, lha);
    return made ? std::string() : made.error().message;
}

std::string CopyTree(const fs::path& source, const fs::path& target, SiteSummary& summary) {
    std::error_code error;
    fs::create_directories(target, error);
    if (error) {
        return "cannot create " + target.string() + ": " + error.message();
    }
    for (const fs::path& entry : SortedEntries(source, error)) {
        const std::string name = entry.filename().string();
        const fs::path out = target / name;
        const fs::file_status status = fs::symlink_status(entry, error);
        if (error) {
            break;
        }
        if (fs::is_directory(status) && (EndsWith(name, ".lha") || EndsWith(name, ".zip"))) {
            if (std::string problem = MakeArchive(entry, out); !problem.empty()) {
                return problem;
            }
            ++summary.archives;
        } else if (fs::is_directory(status)) {
            if (std::string problem = CopyTree(entry, out, summary); !problem.empty()) {
                return problem;
            }
        } else if (fs::is_regular_file(status)) {
            fs::copy_file(entry, out, fs::copy_options::overwrite_existing, error);
            if (error) {
                return "cannot copy " + entry.string() + ": " + error.message();
            }
            ++summary.files;
        }
        // Links and special files are no part of a site.
    }
    return error ? "cannot read " + source.string() + ": " + error.message() : std::string();
}

}  // namespace

std::string BuildSite(const std::string& sourceHostFolder, const std::string& outputHostFolder,
                      SiteSummary& summary) {
    const fs::path output(outputHostFolder);
    const fs::path temporary = output.string() + ".new";
    std::error_code error;
    if (!fs::is_directory(sourceHostFolder, error)) {
        return "no site sources in " + sourceHostFolder;
    }
    fs::remove_all(temporary, error);
    summary = {};
    if (std::string problem = CopyTree(sourceHostFolder, temporary, summary); !problem.empty()) {
        fs::remove_all(temporary, error);
        return problem;
    }
    fs::remove_all(output, error);
    fs::rename(temporary, output, error);
    if (error) {
        return "cannot rename " + temporary.string() + " to " + output.string() + ": " +
               error.message();
    }
    return {};
}

std::string FillSiteUrl(std::string text, const std::string& baseUrl) {
    static constexpr std::string_view kToken = "{DEMOSITE}";
    for (std::size_t at = text.find(kToken); at != std::string::npos;
         at = text.find(kToken, at + baseUrl.size())) {
        text.replace(at, kToken.size(), baseUrl);
    }
    return text;
}

}  // namespace stovan::demo
