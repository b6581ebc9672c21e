// The rules the file calls and the runtime's file services share. Internal to platform/.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/runtime_error.h"

namespace orvane::platform::detail {

// The read-only attribute: no write permission bit for anyone.
constexpr bool IsReadOnlyMode(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

inline constexpr char kNotARegularFile[] = "not a regular file";

// The process's file mode creation mask, read without changing it.
mode_t CurrentUmask();

// The runtime's error for a name that names nothing: PathNotFound (76) when its folder does not
// exist (with that reason in words), FileNotFound (53) when only the file is missing.
[[noreturn]] void RaiseNotFound(const std::string& path);

// The one answer to "may this entry be deleted or replaced?", for an entry as lstat describes
// it: raises PathFileAccessError (75), with the reason, for a read-only file (judged from the
// bits alone, as Windows judges the attribute, so also for root) and for anything but a regular
// file or a symbolic link. A link's own bits are always rwx: it is never read-only itself.
void RefuseUnreplaceable(const struct stat& info);

// Whether the link may be followed, for an entry as lstat describes it, by the rule of Linux's
// fs.protected_symlinks: in a folder that anyone may write to and that has the sticky bit (/tmp),
// only a link of the user following it or of the folder's owner. Another user could otherwise
// plant a link there that sends a file of the user saving, root say, wherever they like. Raises
// PathFileAccessError (75), "permission denied", naming the link, for any other.
void RefuseForeignLink(const std::string& link, const struct stat& info);

}  // namespace orvane::platform::detail
