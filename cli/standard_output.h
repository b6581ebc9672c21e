// The end of a command-line program: what it printed must have reached its standard output.
#pragma once

#include <string_view>

namespace orvane::cli {

// Flushes and closes standard output, as coreutils' programs do before they exit: a failure to
// write it (a full disk, a descriptor closed with >&-) is told on standard error, "PREFIX
// standard output could not be written (no space left on the device)", and the program exits
// with `failed` instead of status. A closed standard output that nothing was written to is no
// failure. Returns the exit status.
int CloseStandardOutput(std::string_view prefix, int status, int failed = 1);

}  // namespace orvane::cli
