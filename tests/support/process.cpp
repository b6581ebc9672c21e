#include "tests/support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace orvane::testing {

Outcome RunProgram(const TempDir& dir, const std::string& program,
                   const std::vector<std::string>& args,
                   const std::vector<EnvironmentChange>& environment, bool unprivileged) {
    const std::string outName = dir / ".stdout";
    const std::string errName = dir / ".stderr";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        for (const auto& [name, value] : environment) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        const int out = ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
            ::_exit(127);
        }
        constexpr id_t kNobody = 65534;
        if (unprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(127);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Outcome outcome;
    int waitStatus = 0;
    if (child < 0 || ::waitpid(child, &waitStatus, 0) != child) {
        ADD_FAILURE() << "cannot run " << program;
        return outcome;
    }
    outcome.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    outcome.out = ReadFile(outName);
    outcome.err = ReadFile(errName);
    std::filesystem::remove(outName);
    std::filesystem::remove(errName);
    return outcome;
}

}  // namespace orvane::testing
