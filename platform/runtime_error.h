// The runtime's error mechanism: an error carries a number, a source and a description, and
// travels (as an exception) to the first caller that catches it.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane::platform {

// The runtime's own error numbers that this program can meet.
enum class ErrorNumber : std::int32_t {
    InvalidProcedureCall = 5,
    OutOfMemory = 7,
    InternalError = 51,
    BadFileNameOrNumber = 52,
    FileNotFound = 53,
    FileAlreadyOpen = 55,
    DeviceIOError = 57,
    DiskFull = 61,
    BadRecordNumber = 63,
    PermissionDenied = 70,
    PathFileAccessError = 75,
    PathNotFound = 76,
    InvalidFileFormat = 321,
    InvalidPropertyValue = 380,
    InvalidPicture = 481,
};

// The runtime's text for its own numbers ("File not found" for 53).
std::string_view StandardDescription(ErrorNumber number);

class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(std::int32_t number, std::string source, std::string description,
                 std::int32_t helpContext = 0, std::string reason = {});

    std::int32_t Number() const noexcept { return number_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }
    std::int32_t HelpContext() const noexcept { return helpContext_; }
    // Why, in words, where the system said ("no space left on the device"); "" otherwise. Kept
    // apart from the description, which stays the fixed text that the message box shows.
    const std::string& Reason() const noexcept { return reason_; }

  private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
    std::int32_t helpContext_;
    std::string reason_;
};

[[noreturn]] void Raise(std::int32_t number, std::string source, std::string description,
                        std::int32_t helpContext = 0, std::string reason = {});

// Raises one of the runtime's own errors with its standard text, the program as its source.
[[noreturn]] void Raise(ErrorNumber number);
// The same, with a description of the caller's own (which file could not be opened, say).
[[noreturn]] void Raise(ErrorNumber number, std::string description);
// The standard text, and the reason in words.
[[noreturn]] void RaiseBecause(ErrorNumber number, std::string reason);

// A system error (errno) in words, lower case, to follow a description. Worded for a file being
// made or written, where only the folder can be missing: ENOENT is "the folder does not exist".
std::string SystemErrorReason(int error);

// The error in one line: "error 53: File not found", with " (the reason)" where there is one.
std::string ErrorDetail(const RuntimeError& error);

// Runs command and hands whatever leaves it to report as a runtime error: a RuntimeError as it
// is, running out of memory as error 7, and anything else as error 51 "Internal error", with the
// exception's own text where it has one. Returns false when the command ended with an error.
bool RunCommand(const std::function<void()>& command,
                const std::function<void(const RuntimeError&)>& report);

}  // namespace orvane::platform
