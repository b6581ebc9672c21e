// Conditions of the file system and of memory that tests set up, and a look at a folder.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane::testing {

// Makes every write past `bytes` into any file fail (EFBIG), as a full disk would; this holds
// for root too, where permission tricks do not.
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(std::uint64_t bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// A tmpfs of `bytes` mounted on an empty folder for one scope: a real disk that fills up. Only
// root may mount one; elsewhere Mounted() is false and the test skips.
class ScopedTmpfs {
  public:
    ScopedTmpfs(const std::filesystem::path& folder, std::uint64_t bytes);
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool Mounted() const { return mounted_; }

  private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

// Runs body in a child process held to `bytes` of memory by a control group of its own, the way
// a container or a desktop session's limit holds a program, and returns its wait status. nullopt
// where no such group can be made (not root, or no writable memory controller): the test skips.
std::optional<int> RunWithMemoryLimit(std::uint64_t bytes, const std::function<int()>& body);

class ScopedUmask {
  public:
    explicit ScopedUmask(mode_t mask);
    ~ScopedUmask();
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

  private:
    mode_t previous_;
};

// The names in a folder, hidden ones included, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// The permission bits of a file (not following a link).
mode_t PermissionBits(const std::filesystem::path& path);

// The number of the runtime error that call raises, or 0 when it raises none.
int RaisedNumber(const std::function<void()>& call);

}  // namespace orvane::testing
