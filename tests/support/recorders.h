// Stand-ins that tests install in place of the runtime's interactive services.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/msgbox.h"
#include "platform/random_testing.h"

namespace orvane::testing {

// Records every message box shown while it lives, instead of showing it.
class MessageBoxRecorder {
  public:
    MessageBoxRecorder();

    std::vector<std::string> prompts;
    std::vector<std::string> titles;

  private:
    platform::ScopedMessageBoxHandler scope_;
};

// Answers Rnd from a script and records every reseed; running past the script fails the test.
class ScriptedRandom : public platform::testing::RandomSource {
  public:
    explicit ScriptedRandom(std::vector<float> values);
    void Reseed(float seed) override { seeds.push_back(seed); }
    float Next() override;

    std::vector<float> seeds;
    std::size_t draws = 0;

  private:
    std::vector<float> values_;
    platform::testing::ScopedRandomSource scope_;
};

}  // namespace orvane::testing
