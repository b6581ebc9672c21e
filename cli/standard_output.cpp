#include "cli/standard_output.h"

#include <stdio_ext.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/standard_error.h"
#include "platform/runtime_error.h"

namespace orvane::cli {

int CloseStandardOutput(std::string_view prefix, int status, int failed) {
    // std::cout, in step with stdio, holds nothing of its own: what it took is stdout's.
    const bool pending = __fpending(stdout) != 0;
    const bool failedBefore = std::ferror(stdout) != 0 || !std::cout;
    errno = 0;
    const bool closeFailed = std::fclose(stdout) != 0;
    const int error = errno;
    if (!failedBefore && (!closeFailed || (!pending && error == EBADF))) {
        return status;
    }
    std::string line = std::string(prefix) + "standard output could not be written";
    if (closeFailed && error != 0) {
        line.append(" (").append(platform::SystemErrorReason(error)).append(")");
    }
    WriteStandardError(line + '\n');
    return failed;
}

}  // namespace orvane::cli
