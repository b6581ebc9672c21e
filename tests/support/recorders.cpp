#include "tests/support/recorders.h"

#include <gtest/gtest.h>

namespace orvane::testing {

MessageBoxRecorder::MessageBoxRecorder()
    : scope_([this](std::string_view prompt, std::string_view title) {
          prompts.emplace_back(prompt);
          titles.emplace_back(title);
      }) {}

ScriptedRandom::ScriptedRandom(std::vector<float> values)
    : values_(std::move(values)), scope_(*this) {}

float ScriptedRandom::Next() {
    if (draws >= values_.size()) {
        ADD_FAILURE() << "drew value " << draws + 1 << " of a script of " << values_.size();
        return 0.0f;
    }
    return values_[draws++];
}

}  // namespace orvane::testing
