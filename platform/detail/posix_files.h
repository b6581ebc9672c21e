// What the file calls and the runtime's file services agree on. Internal to platform/.
#pragma once

#include <sys/stat.h>

namespace orvane::platform::detail {

// The read-only attribute: no write permission bit for anyone.
constexpr bool IsReadOnlyMode(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// The process's file mode creation mask, read without changing it.
mode_t CurrentUmask();

}  // namespace orvane::platform::detail
