// orvane started where no window can be shown, as a process of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

using orvane::testing::EnvironmentChange;
using orvane::testing::Outcome;
using orvane::testing::RunProgram;
using orvane::testing::TempDir;

struct NoDisplayCase {
    const char* name;
    std::vector<EnvironmentChange> environment;
    std::vector<std::string> args = {ORVANE_DEMO_TILESET};
    const char* out = "";  // what standard output starts with; with it, status 0 and no error
};
void PrintTo(const NoDisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class NoDisplay : public ::testing::TestWithParam<NoDisplayCase> {};

// One line that names the way out, and status 1: not Qt's abort with a message about plugins.
// --help and --version need no display at all.
TEST_P(NoDisplay, SaysSoInOneLineAndExitsWithOne) {
    const NoDisplayCase& c = GetParam();
    TempDir dir;
    std::vector<EnvironmentChange> environment{{"QT_QPA_PLATFORM", std::nullopt},
                                               {"WAYLAND_DISPLAY", std::nullopt},
                                               {"DISPLAY", std::nullopt},
                                               {"XDG_RUNTIME_DIR", dir.path().string()}};
    environment.insert(environment.end(), c.environment.begin(), c.environment.end());

    const Outcome run = RunProgram(dir, ORVANE_PATH, c.args, environment);

    if (*c.out != '\0') {
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(run.out.starts_with(c.out)) << run.out;
        EXPECT_EQ(run.err, "");
        return;
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("orvane-export"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Start, NoDisplay,
    ::testing::Values(NoDisplayCase{"nothing_set", {}},
                      // No X server answers there.
                      NoDisplayCase{"display_without_a_server", {{"DISPLAY", ":9917"}}},
                      // No compositor there, and maybe no Qt plugin for one.
                      NoDisplayCase{"wayland_without_a_compositor",
                                    {{"WAYLAND_DISPLAY", "wayland-9917"}}},
                      NoDisplayCase{"help", {}, {"--help"}, "Usage: orvane [TILESET]\n"},
                      NoDisplayCase{"version", {}, {"--version"}, "orvane " ORVANE_VERSION "\n"}),
    orvane::testing::RowName());

}  // namespace
