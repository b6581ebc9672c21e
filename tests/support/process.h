// Runs a program as a process of its own, with what it prints captured.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace orvane::testing {

struct Outcome {
    int status = -1;  // the exit status; -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

// The environment is the test's, changed by environment: a name with a value is set to it, a
// name without one is removed. The output goes through files in dir while the program runs.
// unprivileged: as the user nobody when the test runs as root, whom permissions do not stop.
using EnvironmentChange = std::pair<std::string, std::optional<std::string>>;
Outcome RunProgram(const TempDir& dir, const std::string& program,
                   const std::vector<std::string>& args,
                   const std::vector<EnvironmentChange>& environment = {},
                   bool unprivileged = false);

}  // namespace orvane::testing
