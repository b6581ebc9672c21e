// Conditions of the file system and of memory that tests set up, and a look at a folder.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel32.h"
#include "platform/runtime_error.h"

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

// What FindFirstFileA reports of a file; the test fails when it finds nothing.
WIN32_FIND_DATAA FindData(const std::string& path);

// A FILETIME as one number: 100 ns steps since 1601.
std::uint64_t Ticks(const FILETIME& time);

// Sets a file's access and write times, in seconds and nanoseconds since 1970, through the system
// rather than the code under test; the test fails when they cannot be set.
void SetTimes(const std::string& path, timespec access, timespec write);

// The runtime error that call raises; when it raises none, an error numbered 0 with no source or
// description, which no expectation of a real error matches.
platform::RuntimeError RaisedError(const std::function<void()>& call);
// The number of the runtime error that call raises, or 0 when it raises none.
int RaisedNumber(const std::function<void()>& call);

}  // namespace orvane::testing
