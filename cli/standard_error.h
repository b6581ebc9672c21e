// Lines for standard error, written whole whatever happens to an earlier one.
#pragma once

#include <unistd.h>

#include <string_view>

#include "platform/files.h"

namespace orvane::cli {

// Writes text to standard error: all of it, going on after a signal interrupts the write and
// after a short one. std::cerr would stay silent for good after one failed write, and a line
// such as "interrupted: 3 of 8 exported" comes just after a signal. A standard error that cannot
// be written to (closed, say) takes nothing, and nothing else can be said of it.
inline void WriteStandardError(std::string_view text) {
    platform::WriteAll(STDERR_FILENO, {reinterpret_cast<const BYTE*>(text.data()), text.size()});
}

}  // namespace orvane::cli
