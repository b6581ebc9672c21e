// How far a batch has come: one line on standard error, redrawn in place while standard error is
// a terminal, with the batch's own lines printed above it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::cli {

class Progress {
  public:
    explicit Progress(std::size_t total);

    void Started(std::string_view tileset);
    void Ended(std::string_view tileset);

    // A line of its own, above the progress; printed on any standard error.
    void Say(const std::string& line);

    void Finish(std::size_t failed, const std::string& folder);
    // The batch was stopped with `exported` pictures written; printed on any standard error.
    void Interrupted(std::size_t exported);

  private:
    void Draw() const;
    // What takes the progress line off the terminal before a line of the batch's own.
    std::string ClearedLine() const;

    std::size_t total_;
    bool shown_;
    std::size_t done_ = 0;
    std::vector<std::string> running_;  // as given; the one started last is shown
};

}  // namespace orvane::cli
