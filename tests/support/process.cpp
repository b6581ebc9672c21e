#include "tests/support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace orvane::testing {
namespace {

namespace fs = std::filesystem;

// In a child process: false when it could not become the user nobody.
bool BecomeNobody() {
    constexpr id_t kNobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// Whether nobody may execute the program, or search the folder.
bool NobodyMayExecute(const fs::path& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(BecomeNobody() && ::access(path.c_str(), X_OK) == 0 ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void Skip(const std::string& why) {
    GTEST_SKIP() << why;
}

// What nobody runs: the program, or a copy of it in dir (it links only system libraries beside
// our own static ones). Nothing when nobody cannot reach dir; the test is then skipped.
std::optional<fs::path> ReachableByNobody(const TempDir& dir, const fs::path& program) {
    fs::permissions(dir.path(), fs::perms::others_exec, fs::perm_options::add);
    if (!NobodyMayExecute(dir.path())) {
        Skip("the user nobody cannot reach " + dir.path().string() + ": a folder above is private");
        return std::nullopt;
    }
    if (NobodyMayExecute(program)) {
        return program;
    }
    const fs::path copy = dir.path() / ".program" / program.filename();
    fs::create_directory(copy.parent_path());
    fs::copy_file(program, copy);
    fs::permissions(copy.parent_path(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(copy, fs::perms::others_exec, fs::perm_options::add);
    return copy;
}

}  // namespace

Outcome RunProgram(const TempDir& dir, const std::string& program,
                   const std::vector<std::string>& args,
                   const std::vector<EnvironmentChange>& environment, RunAs runAs,
                   const std::function<void(pid_t)>& whileRunning) {
    const bool asNobody = runAs == RunAs::Nobody && ::geteuid() == 0;
    std::string path = program;
    if (asNobody) {
        const std::optional<fs::path> reachable = ReachableByNobody(dir, program);
        if (!reachable) {
            return {};
        }
        path = *reachable;
    }
    const std::string outName = dir / ".stdout";
    const std::string errName = dir / ".stderr";
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        if (whileRunning) {
            ::setpgid(0, 0);
        }
        // As a terminal's foreground job starts: a test run in the background of a script has
        // SIGINT ignored, and the program keeps what it finds ignored.
        for (const int stop : {SIGINT, SIGTERM, SIGHUP}) {
            ::signal(stop, SIG_DFL);
        }
        for (const auto& [name, value] : environment) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        const int out = ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
            (asNobody && !BecomeNobody())) {
            ::_exit(127);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (child > 0 && whileRunning) {
        ::setpgid(child, child);  // as the child does: whichever runs first
        whileRunning(child);
    }
    Outcome outcome;
    int waitStatus = 0;
    const bool waited = child > 0 && ::waitpid(child, &waitStatus, 0) == child;
    if (path != program) {
        fs::remove_all(fs::path(path).parent_path());
    }
    if (!waited) {
        ADD_FAILURE() << "cannot run " << program;
        return outcome;
    }
    outcome.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    outcome.signal = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
    outcome.out = ReadFile(outName);
    outcome.err = ReadFile(errName);
    fs::remove(outName);
    fs::remove(errName);
    return outcome;
}

}  // namespace orvane::testing
