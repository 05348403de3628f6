#pragma once
// The demonstration site the build made, served on 127.0.0.1 for a test,
// and a throw-away root whose only databases are the site's (with the
// server's address filled in). Proxies are bypassed for 127.0.0.1.

#include <memory>
#include <string>
#include <vector>

#include "demo/SiteServer.h"
#include "tests/support/TempRoot.h"

namespace stovan::test {

class DemoSite {
  public:
    // databases: the site's database files the root gets ("Applications.db").
    explicit DemoSite(const std::vector<std::string>& databases = {"Applications.db"});

    // False (with the reason in problem()) when the build made no site.
    bool ready() const { return server_ != nullptr; }
    const std::string& problem() const { return problem_; }
    demo::SiteServer& server() { return *server_; }
    TempRoot& root() { return root_; }

  private:
    TempRoot root_;
    std::unique_ptr<demo::SiteServer> server_;
    std::string problem_;
};

}  // namespace stovan::test
