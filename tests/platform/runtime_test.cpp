#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/app.h"
#include "platform/msgbox.h"
#include "platform/random.h"
#include "platform/runtime_error.h"
#include "tests/support/file_conditions.h"
#include "tests/support/recorders.h"

namespace {

using namespace orvane::platform;
using orvane::testing::MessageBoxRecorder;
using orvane::testing::RaisedError;
using orvane::testing::ScriptedRandom;

TEST(RuntimeError, CarriesNumberSourceDescriptionAndHelpContext) {
    const RuntimeError error =
        RaisedError([] { Raise(26001, "orvane.mJPEGEncoder", "Failed to save to JPG -3", 48); });
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Source(), "orvane.mJPEGEncoder");
    EXPECT_EQ(error.Description(), "Failed to save to JPG -3");
    EXPECT_EQ(error.HelpContext(), 48);
    EXPECT_STREQ(error.what(), "Failed to save to JPG -3");
}

TEST(RuntimeError, StandardErrorsHaveTheRuntimesTextAndTheProgramAsSource) {
    const RuntimeError error = RaisedError([] { Raise(ErrorNumber::FileNotFound); });
    EXPECT_EQ(error.Number(), 53);
    EXPECT_EQ(error.Description(), "File not found");
    EXPECT_EQ(error.Source(), "platform_tests");
    EXPECT_EQ(StandardDescription(ErrorNumber::PathFileAccessError), "Path/File access error");
    EXPECT_EQ(StandardDescription(ErrorNumber::InvalidPicture), "Invalid picture");
    EXPECT_EQ(ErrorDetail(error), "error 53: File not found");
    EXPECT_EQ(
        ErrorDetail(RuntimeError(61, "orvane", "Disk full", 0, "no space left on the device")),
        "error 61: Disk full (no space left on the device)");
}

TEST(App, ExeNameIsTheRunningProgramsFileNameWithoutFolderOrExtension) {
    EXPECT_EQ(AppExeName(), "platform_tests");
}

TEST(MsgBox, GoesToTheInstalledHandlerWithTheProgramsTitle) {
    std::vector<std::string> outer;
    {
        MessageBoxRecorder recorder;
        MsgBox("No tileset loaded!");
        {
            MessageBoxRecorder inner;
            MsgBox("File saved!");
            EXPECT_EQ(inner.prompts, std::vector<std::string>{"File saved!"});
        }
        MsgBox("Save complete!");
        EXPECT_EQ(recorder.prompts,
                  (std::vector<std::string>{"No tileset loaded!", "Save complete!"}));
        EXPECT_EQ(recorder.titles, (std::vector<std::string>{"Orvane", "Orvane"}));
    }
}

TEST(Random, AScriptedSourceAnswersRndAndRecordsReseeds) {
    ScriptedRandom script({0.25f, 0.5f});
    Randomize(12.5f);
    EXPECT_EQ(Rnd(), 0.25f);
    EXPECT_EQ(Rnd(), 0.5f);
    EXPECT_EQ(script.seeds, std::vector<float>{12.5f});
}

TEST(Random, BuiltInValuesLieInTheUnitIntervalAndSpreadEvenly) {
    Randomize(Timer());
    constexpr int kDraws = 200'000;
    std::array<int, 16> buckets{};
    double sum = 0;
    for (int i = 0; i < kDraws; ++i) {
        const float u = Rnd();
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
        sum += u;
        ++buckets[static_cast<std::size_t>(u * 16)];
    }
    EXPECT_NEAR(sum / kDraws, 0.5, 0.01);
    for (int count : buckets) {
        EXPECT_NEAR(count, kDraws / 16, kDraws / 16 / 10);
    }
}

TEST(Random, ReseedingWithTheSameValueTwiceDoesNotRepeatTheSequence) {
    Randomize(100.0f);
    const float first[3] = {Rnd(), Rnd(), Rnd()};
    Randomize(100.0f);
    const float second[3] = {Rnd(), Rnd(), Rnd()};
    EXPECT_FALSE(first[0] == second[0] && first[1] == second[1] && first[2] == second[2]);
}

TEST(Timer, IsSecondsSinceMidnight) {
    const float t = Timer();
    EXPECT_GE(t, 0.0f);
    EXPECT_LT(t, 86401.0f);
}

}  // namespace
