// Why a command-line program wrote nothing, told in one line.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace orvane::cli {

struct Failure {
    enum class Step { Arguments, Reading, Writing };
    Step step;
    std::string file;  // the file read when reading, the file written when writing
    // What is wrong with the arguments; or the error's number and description, with the reason
    // where the system gave one: "error 53: File not found".
    std::string detail;
    std::int32_t number = 0;  // the error's, 0 for the arguments
};

// Runs step, which reads or writes file: what it raises becomes the failure. Nothing when it
// ended well.
std::optional<Failure> Attempt(Failure::Step step, const std::string& file,
                               const std::function<void()>& command);

// An output that is one of the inputs, under any name or through any link: writing it would
// replace a file while it is read, and lose it. Told as a failure to write that output, naming
// the input, so that it is refused before anything is read or written; nothing when every output
// is a file of its own, or not there yet.
std::optional<Failure> OverwritesAnInput(std::span<const std::string> inputs,
                                         std::span<const std::string> outputs);

// The failure in one line: "reading 'a.tst': error 53: File not found".
std::string Describe(const Failure& failure);

}  // namespace orvane::cli
