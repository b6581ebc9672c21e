// A file dialog answered from a script, for tests, benchmarks and fuzz targets that run the
// window's commands without a window.
#pragma once

#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "viewer/common_dialog.h"

namespace orvane::viewer {

// Answers each Show with the next scripted name ("" cancels; past the end of the script every
// dialog is cancelled) and records how it was shown.
class ScriptedDialog final : public CommonDialog {
  public:
    struct Showing {
        DialogKind kind;
        std::string filter;
        bool cancelError;
        std::string title;
    };

    explicit ScriptedDialog(std::vector<std::string> answers = {})
        : answers_(std::make_move_iterator(answers.begin()),
                   std::make_move_iterator(answers.end())) {}
    void Script(std::string answer) { answers_.push_back(std::move(answer)); }

    std::vector<Showing> shown;

  protected:
    std::string Ask(DialogKind kind) override {
        shown.push_back({kind, Filter(), CancelError(), DialogTitle()});
        if (answers_.empty()) {
            return {};
        }
        std::string answer = std::move(answers_.front());
        answers_.pop_front();
        return answer;
    }

  private:
    std::deque<std::string> answers_;
};

}  // namespace orvane::viewer
