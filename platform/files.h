// The runtime's file services: deleting a file, and replacing one without ever losing it.
//
// Names are taken literally (no wildcards). Errors are the runtime's own numbers and texts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <tuple>

#include "platform/detail/removed_on_stop.h"
#include "platform/windef.h"

namespace orvane::platform {

// The runtime's Kill: deletes one file. As on Windows it refuses a read-only file (no write
// permission bit at all, judged from the bits alone, so also when running as root). A symbolic
// link is deleted itself, not what it points to; a link to one of its folders is refused as
// PendingFile refuses it (another user's, in a sticky folder that anyone may write to).
// Raises FileNotFound (53) when there is no such file (a folder is not a file), PathNotFound (76)
// when its folder does not exist, PathFileAccessError (75) when the file may not be replaced
// (read-only, or not a regular file, as PendingFile judges it) or the system will not delete it,
// and BadFileNameOrNumber (52) for an empty name. Errors carry the reason in words.
void Kill(const std::string& path);

// Raises what Kill would raise for path and deletes nothing, so a writer can refuse its target
// before writing anything.
void CheckKill(const std::string& path);

// Which file a name leads to, through any link: the same for every name of one file.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
    friend bool operator<(const FileId& a, const FileId& b) {
        return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
    }
};

// Nothing when name cannot be looked up, a file not yet there included.
std::optional<FileId> FileIdOf(const std::string& name);

// Writes every byte to the open file fd, going on after short writes and interruptions, and
// waiting for room where fd is non-blocking.
// Returns 0, or the errno of the write that failed (EIO for one that wrote nothing).
int WriteAll(int fd, std::span<const BYTE> bytes) noexcept;

// New contents for a file, written beside it and put in its place by Commit. Until Commit the
// target stays exactly as it was, and afterwards it is wholly the new file.
//
//     PendingFile file(name);      // may refuse the target: nothing is written then
//     file.Write(bytes);           // or let a library write file.TempName() itself
//     file.Commit();
//
// The new contents live in a file without a name (O_TMPFILE) in the target's folder: if the
// process dies before Commit, for any reason, kill -9 included, the system frees it and nothing
// is left in the folder. Commit gives it a name of its own and renames that over the target (a
// new target gets the file's name straight away). Where the file system cannot make a file
// without a name, a hidden one is made, ".NAME.HASH.PID.N.tmp": unique for the target's full
// name and for the process, so it is never another writer's file. It is removed on every way out
// that does not commit, also when a signal ends the process (Ctrl+C, kill, a closed terminal:
// see detail::RemovedOnStop); only a process killed outright (kill -9) or one that crashes leaves
// it, and nobody else removes it.
//
// While it is written, the temporary file is readable and writable by its owner alone. Commit
// gives it its final mode just before the rename: the permission bits of the file it replaces
// (a private file stays private), or for a new file 0666 less the umask, like any program's new
// file. A replacement also gets the old file's owner and group where the process may give them
// (root may; others keep the group where they belong to it), and its data is flushed to the disk
// before the rename and the folder after it, so that a crash never leaves a truncated file
// where the old one was. A new file is not flushed: a crash of the system soon after the commit
// may leave it empty or short under its name.
//
// A target that is a symbolic link is followed as open(2) would follow it: the file it leads to
// is replaced, or made when the link dangles into an existing folder, and the link stays. The
// replacement is a new file: other names (hard links) of the old one keep the old contents.
class PendingFile {
  public:
    // Refuses, before anything is made, a target that cannot be replaced: an existing read-only
    // file or anything but a regular file raises PathFileAccessError (75), as Kill would;
    // an empty name raises BadFileNameOrNumber (52). Links that cannot be followed are refused
    // too, with the system's reason: a loop (75, "too many levels of symbolic links"), one that
    // leads into a folder that does not exist (76, "no such file or directory"), and any link on
    // the way, to the file or to one of its folders, that stands in a folder that anyone may
    // write to and that has the sticky bit (/tmp) and belongs neither to the user saving nor to
    // that folder's owner (75, "permission denied", naming the link): the rule of Linux's
    // fs.protected_symlinks, which holds here whether or not the system enforces it. Then reserves
    // a fresh, empty temporary file. When the folder cannot take it (it does not exist, say)
    // nothing is made and IsReserved() is false: Write and Commit raise why, and a library given
    // TempName() fails to create it and reports that in its own terms.
    explicit PendingFile(const std::string& target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The file Commit replaces (a link's destination when the target is a link).
    const std::string& Target() const { return target_; }
    // Where the new contents go until Commit: "/proc/self/fd/N" for a file without a name, which
    // opens that very file, else the hidden file's name. A library may write or truncate it,
    // but not replace it: Commit sets the mode of, and flushes, the file it reserved.
    const std::string& TempName() const { return temp_; }
    // "/proc/self/fd/N": a name that opens the very file reserved, through the descriptor held,
    // whatever becomes of the names in its folder meanwhile. Empty once committed, or when
    // nothing was reserved.
    std::string HeldFileName() const;
    bool IsReserved() const { return reserveError_ == 0; }

    // Appends to the temporary file. Raises PathNotFound (76) or PathFileAccessError (75) when
    // no file could be reserved, DiskFull (61) or DeviceIOError (57) when the write fails.
    void Write(std::span<const BYTE> bytes);

    // Puts the temporary file in the target's place. Raises (and leaves the target as it was)
    // when nothing was reserved, when the target has become read-only or not a regular file
    // meanwhile (75), when flushing or closing the temporary file reports a write error (61 or
    // 57), or when it cannot be named or renamed (75, 76 or 61). Committing twice does nothing
    // the second time. Errors carry the system's reason (RuntimeError::Reason).
    void Commit();

  private:
    [[noreturn]] void RaiseNotReserved() const;
    // Gives the finished file the target's name; true when done, false when a file of that name
    // appeared since the caller looked (a new target only), errno set.
    bool PutInPlace(bool replacing);

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool named_ = false;  // temp_ is a name in the folder, not the descriptor's
    int reserveError_ = 0;
    bool committed_ = false;
    detail::RemovedOnStop removedOnStop_;  // the hidden file's name, while it is made here
};

}  // namespace orvane::platform
