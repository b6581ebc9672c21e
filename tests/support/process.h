// Runs a program as a process of its own, with what it prints captured.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace orvane::testing {

struct Outcome {
    int status = -1;  // the exit status; -1 when the program did not exit by itself
    int signal = 0;   // the signal that ended it, when one did
    std::string out;
    std::string err;
};

// Whether what a program printed holds part.
inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Who runs the program: the test's own user, or one whom permissions stop. Nobody is the user
// nobody where the test runs as root, whom they do not stop, and the test's user elsewhere.
enum class RunAs { TestUser, Nobody };

// The environment is the test's, changed by environment: a name with a value is set to it, a
// name without one is removed. The output goes through files in dir while the program runs.
// As the user nobody, dir is opened to others so that nobody reaches what the test put there,
// and the program is run from a copy in dir when nobody cannot reach it where it is (in a
// private home folder, say). When nobody cannot reach dir either, the test is skipped: the
// caller returns when ::testing::Test::IsSkipped(). whileRunning, when given, is called with the
// program's process id as soon as it runs; the program then leads a process group of its own, so
// that whileRunning can signal the program and its children as a terminal would (kill(-pid)).
using EnvironmentChange = std::pair<std::string, std::optional<std::string>>;
Outcome RunProgram(const TempDir& dir, const std::string& program,
                   const std::vector<std::string>& args,
                   const std::vector<EnvironmentChange>& environment = {},
                   RunAs runAs = RunAs::TestUser,
                   const std::function<void(pid_t)>& whileRunning = {});

}  // namespace orvane::testing
