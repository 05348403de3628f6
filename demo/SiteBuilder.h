#pragma once
// Makes the demonstration site from its sources: a copy of the source
// folder in which every folder whose name ends in ".lha" or ".zip" becomes
// an archive of that name holding the folder's contents (our LhA writer,
// libarchive for ZIP). So the site's archives are real files made from
// texts in the source tree, and nothing binary is kept there.

#include <string>

namespace stovan::demo {

struct SiteSummary {
    std::size_t files = 0;     // plain files copied
    std::size_t archives = 0;  // archives made
};

// Builds the site into outputHostFolder (removed first, made under a
// temporary name and renamed into place). The error is a message for the
// user naming the file concerned.
std::string BuildSite(const std::string& sourceHostFolder, const std::string& outputHostFolder,
                      SiteSummary& summary);

// The site's text with every "{DEMOSITE}" replaced by baseUrl (which ends
// in "/"): the database of the site names its pages that way, since the
// server's port is known only when it runs.
std::string FillSiteUrl(std::string text, const std::string& baseUrl);

}  // namespace stovan::demo
