// File > Open Recent's list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orvane::viewer {

// fileName as any folder finds it: absolute, its "." parts dropped. ".." and links are kept: only
// the file system can tell where they lead. "" stays "".
std::string AbsoluteFileName(const std::string& fileName);

// The last ten tilesets opened, the latest first, each once, by absolute names.
class RecentFiles {
  public:
    static constexpr std::size_t kKept = 10;

    // A name kept relative (by an older version) is dropped: the folder it counted from is not
    // known.
    explicit RecentFiles(const std::vector<std::string>& files = {});
    void Add(const std::string& fileName);
    const std::vector<std::string>& Files() const { return files_; }

  private:
    std::vector<std::string> files_;
};

}  // namespace orvane::viewer
