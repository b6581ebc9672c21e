// The runtime's file services: deleting a file, and replacing one without ever losing it.
//
// Names are taken literally (no wildcards). Errors are the runtime's own numbers and texts.
#pragma once

#include <span>
#include <string>

#include "platform/windef.h"

namespace orvane::platform {

// The runtime's Kill: deletes one file. As on Windows it refuses a read-only file (no write
// permission bit at all, judged from the bits alone, so also when running as root). A symbolic
// link is deleted itself, not what it points to.
// Raises FileNotFound (53) when there is no such file (a folder is not a file), PathNotFound (76)
// when its folder does not exist, PathFileAccessError (75) when the file may not be replaced
// (read-only, or not a regular file, as PendingFile judges it) or the system will not delete it,
// and BadFileNameOrNumber (52) for an empty name. Errors carry the reason in words.
void Kill(const std::string& path);

// Raises what Kill would raise for path and deletes nothing, so a writer can refuse its target
// before writing anything.
void CheckKill(const std::string& path);

// Writes every byte to the open file fd, going on after short writes and interruptions.
// Returns 0, or the errno of the write that failed (EIO for one that wrote nothing).
int WriteAll(int fd, std::span<const BYTE> bytes) noexcept;

// New contents for a file, written beside it under a unique temporary name in the same folder
// and renamed over it by Commit. Rename within one file system is atomic: until Commit the
// target stays exactly as it was, and afterwards it is wholly the new file. The temporary file
// is removed on every way out that does not commit.
//
//     PendingFile file(name);      // may refuse the target: nothing is written then
//     file.Write(bytes);           // or let a library write file.TempName() itself
//     file.Commit();
//
// While it is written, the temporary file is readable and writable by its owner alone. Commit
// gives it its final mode just before the rename: the permission bits of the file it replaces
// (a private file stays private), or for a new file 0666 less the umask, like any program's new
// file. A replacement also gets the old file's owner and group where the process may give them
// (root may; others keep the group where they belong to it), and its data is flushed to the disk
// before the rename and the folder after it, so that a crash never leaves a truncated file
// where the old one was. A target that is a symbolic link is followed: the file it points to is
// replaced and the link stays.
class PendingFile {
  public:
    // Refuses, before anything is made, a target that cannot be replaced: an existing read-only
    // file or anything but a regular file raises PathFileAccessError (75), as Kill would;
    // an empty name raises BadFileNameOrNumber (52). Then reserves a fresh, empty temporary
    // file. When the folder cannot take it (it does not exist, say) nothing is made and
    // IsReserved() is false: Write and Commit raise why, and a library given TempName() fails
    // to create it and reports that in its own terms.
    explicit PendingFile(const std::string& target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The file Commit replaces (a link's destination when the target is a link).
    const std::string& Target() const { return target_; }
    // Where the new contents go until Commit. A library may write or truncate this name, but
    // not replace it: Commit sets the mode of, and flushes, the file it reserved.
    const std::string& TempName() const { return temp_; }
    bool IsReserved() const { return reserveError_ == 0; }

    // Appends to the temporary file. Raises PathNotFound (76) or PathFileAccessError (75) when
    // no file could be reserved, DiskFull (61) or DeviceIOError (57) when the write fails.
    void Write(std::span<const BYTE> bytes);

    // Renames the temporary file over the target. Raises (and leaves the target as it was) when
    // nothing was reserved, when the target has become read-only or not a regular file meanwhile
    // (75), when flushing or closing the temporary file reports a write error (61 or 57), or
    // when the rename fails (75, 76 or 61). Committing twice does nothing the second time.
    // Errors carry the system's reason (RuntimeError::Reason).
    void Commit();

  private:
    [[noreturn]] void RaiseNotReserved() const;

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int reserveError_ = 0;
    bool committed_ = false;
};

// Removes the temporary files that PendingFile objects for target left in its folder because
// their process was killed (by a signal, say) before it could. For a target whose writer has
// died: a process writing it at the time would lose its temporary file.
void RemovePendingLeftovers(const std::string& target) noexcept;

}  // namespace orvane::platform
