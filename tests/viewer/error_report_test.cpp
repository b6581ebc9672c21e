// What the window and orvane-export make of whatever leaves a command.
#include "viewer/error_report.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "platform/runtime_error.h"
#include "tests/support/recorders.h"
#include "tests/support/row_name.h"

namespace {

using orvane::testing::MessageBoxRecorder;
using orvane::viewer::RunReportingErrors;

struct EscapeCase {
    const char* name;
    std::function<void()> command;
    std::string message;
};
void PrintTo(const EscapeCase& c, std::ostream* os) {
    *os << c.name;
}

class Escaping : public ::testing::TestWithParam<EscapeCase> {};

// Each is shown in one box and ends the command only; the reason stays out of the box.
TEST_P(Escaping, IsReportedAsARuntimeError) {
    MessageBoxRecorder messages;
    EXPECT_FALSE(RunReportingErrors(GetParam().command));
    EXPECT_EQ(messages.prompts, std::vector<std::string>{GetParam().message});
    EXPECT_TRUE(orvane::viewer::IsRuntimeErrorMessage(messages.prompts.at(0)));
}

// The window's box adds the file and the reason, as orvane-export's line does.
TEST(ErrorMessage, NamesTheFileAndTheReason) {
    using orvane::platform::RuntimeError;
    using orvane::viewer::RuntimeErrorMessage;
    const RuntimeError full(61, "orvane", "Disk full", 0, "no space left on the device");
    EXPECT_EQ(RuntimeErrorMessage(full, "writing", "/tmp/b.jpg"),
              "Run-time error '61':\n\nDisk full\n\nWriting '/tmp/b.jpg': no space left on the "
              "device.");
    EXPECT_EQ(RuntimeErrorMessage(RuntimeError(53, "orvane", "File not found"), "reading", "a.tst"),
              "Run-time error '53':\n\nFile not found\n\nReading 'a.tst'.");
    EXPECT_FALSE(orvane::viewer::IsRuntimeErrorMessage("File saved!"));
}

INSTANTIATE_TEST_SUITE_P(
    Exceptions, Escaping,
    ::testing::Values(EscapeCase{"runtime_error",
                                 [] {
                                     orvane::platform::Raise(26001, "x", "Failed to save to JPG -8",
                                                             48, "no space left on the device");
                                 },
                                 "Run-time error '26001':\n\nFailed to save to JPG -8"},
                      EscapeCase{"out_of_memory", [] { throw std::bad_alloc(); },
                                 "Run-time error '7':\n\nOut of memory"},
                      EscapeCase{"library_exception", [] { throw std::out_of_range("vector::at"); },
                                 "Run-time error '51':\n\nInternal error: vector::at"},
                      EscapeCase{"not_an_exception", [] { throw 42; },
                                 "Run-time error '51':\n\nInternal error"}),
    orvane::testing::RowName());

}  // namespace
