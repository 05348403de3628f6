#include "tests/support/DemoSite.h"

#include <cstdlib>

#include "database/Loader.h"
#include "demo/SiteBuilder.h"
#include "engine/ProgramFolders.h"
#include "platform/DosFiles.h"
#include "platform/HostFiles.h"

namespace stovan::test {

DemoSite::DemoSite(const std::vector<std::string>& databases) {
    ::setenv("no_proxy", "127.0.0.1", 1);
    ::setenv("NO_PROXY", "127.0.0.1", 1);
    auto site = DemoSiteFolder();
    if (!site) {
        problem_ = site.error();
        return;
    }
    server_ = demo::SiteServer::Start(*site, problem_);
    if (!server_) {
        return;
    }
    if (!amiga::CreateDrawerPath(root_.dos(), kInternalDrawer).ok()) {
        problem_ = "cannot make the database drawer of the root";
        server_.reset();
        return;
    }
    for (const std::string& name : databases) {
        auto text = amiga::HostReadFile(*site + "/Database/" + name, std::size_t{1} << 20);
        if (!text || !amiga::WriteFile(root_.dos(), std::string(kInternalDrawer) + "/" + name,
                                       demo::FillSiteUrl(*text, server_->BaseUrl()))
                          .ok()) {
            problem_ = "cannot give the root the site's " + name;
            server_.reset();
            return;
        }
    }
}

}  // namespace stovan::test
