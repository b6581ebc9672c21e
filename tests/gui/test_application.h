// A QApplication for as long as one test runs: Qt keeps argc and argv, so they live beside it.
#pragma once

#include <QApplication>

namespace orvane::testing {

class TestApplication {
  public:
    TestApplication() : app_(argc_, argv_) {}
    TestApplication(const TestApplication&) = delete;
    TestApplication& operator=(const TestApplication&) = delete;

  private:
    int argc_ = 1;
    char name_[12] = "orvane_test";
    char* argv_[2] = {name_, nullptr};
    QApplication app_;
};

}  // namespace orvane::testing
