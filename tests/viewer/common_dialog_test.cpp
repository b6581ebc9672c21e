// What every CommonDialog does with a cancelled dialog, whatever stands behind it.
#include "viewer/common_dialog.h"

#include <gtest/gtest.h>

#include "platform/runtime_error.h"
#include "tests/support/file_conditions.h"
#include "viewer/common_dialog_testing.h"

namespace {

using orvane::platform::RuntimeError;
using orvane::testing::RaisedError;
using orvane::viewer::ScriptedDialog;

// A cancelled dialog must not hand back the name chosen before: a command would act on it.
TEST(CommonDialog, CancelLeavesNoFileName) {
    ScriptedDialog dialog({"first.tst", ""});
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName(), "first.tst");

    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), "");
}

TEST(CommonDialog, CancelRaisesTheCancelErrorWhenAskedTo) {
    ScriptedDialog dialog({"first.tst"});
    dialog.ShowOpen();
    dialog.CancelError(true);
    const RuntimeError error = RaisedError([&] { dialog.ShowOpen(); });
    EXPECT_EQ(error.Number(), 32755);
    EXPECT_EQ(error.Description(), "Cancel was selected.");
    EXPECT_EQ(dialog.FileName(), "");
}

}  // namespace
