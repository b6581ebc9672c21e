// When to open the shown tileset again after it changed on disk: only once it has stopped
// changing, so that a file still being written is not shown half; and only once for each state of
// the file, so that a damaged or missing file is reported once, not at every look.
#pragma once

#include <cstdint>
#include <string>

namespace orvane::viewer {

// What a look at a file sees: enough to tell that it was written, replaced or removed. The
// modification time alone misses a file replaced by one of the same size whose time was put back
// (cp -p, tar x, a rename after touch -r); the inode and the change time, which no program can
// set, catch those.
struct FileStamp {
    bool exists = false;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t inode = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& fileName);

class ReloadWatch {
  public:
    enum class Step {
        Idle,    // nothing to do until the file changes again
        Wait,    // changing: look again a little later
        Reload,  // settled in a new state: open it again
    };

    // The file as it was shown; looks compare with it from now on.
    void Shown(const FileStamp& stamp);
    // One look at the file. Reload once two looks in a row see the same new state.
    Step Look(const FileStamp& now);

  private:
    FileStamp shown_;
    FileStamp last_;
};

}  // namespace orvane::viewer
