#pragma once
// A fresh temporary host folder, removed with everything in it (read-only
// drawers included) when the object goes away.

#include <string>

namespace stovan::test {

class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix = "stovan-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Writes a host file, creating the drawers on its way, for setting up tests.
void WriteHostFile(const std::string& path, const std::string& content);
// The content of a host file, "<missing>" when it cannot be read.
std::string ReadHostFile(const std::string& path);
bool HostExists(const std::string& path);

}  // namespace stovan::test
