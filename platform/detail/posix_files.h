// What the file calls and the runtime's file services agree on. Internal to platform/.
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
// exist, FileNotFound (53) when only the file is missing.
ErrorNumber NotFoundError(const std::string& path);

}  // namespace orvane::platform::detail
