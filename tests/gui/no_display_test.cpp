// orvane started where no window can be shown, as a process of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using orvane::testing::EnvironmentChange;
using orvane::testing::Outcome;
using orvane::testing::RunProgram;
using orvane::testing::TempDir;

struct NoDisplayCase {
    const char* name;
    std::vector<EnvironmentChange> environment;
};
void PrintTo(const NoDisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class NoDisplay : public ::testing::TestWithParam<NoDisplayCase> {};

// One line that names the way out, and status 1: not Qt's abort with a message about plugins.
TEST_P(NoDisplay, SaysSoInOneLineAndExitsWithOne) {
    TempDir dir;
    std::vector<EnvironmentChange> environment{{"QT_QPA_PLATFORM", std::nullopt},
                                               {"WAYLAND_DISPLAY", std::nullopt}};
    environment.insert(environment.end(), GetParam().environment.begin(),
                       GetParam().environment.end());

    const Outcome run = RunProgram(dir, ORVANE_PATH, {ORVANE_DEMO_TILESET}, environment);

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("orvane-export"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Start, NoDisplay,
    ::testing::Values(NoDisplayCase{"nothing_set", {{"DISPLAY", std::nullopt}}},
                      // No X server answers there.
                      NoDisplayCase{"display_without_a_server", {{"DISPLAY", ":9917"}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
