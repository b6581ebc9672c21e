// What the PNG codec raises. It knows nothing of Orvane's own errors: the caller says what a
// refused picture means to it.
#pragma once

#include <stdexcept>
#include <string>

namespace orvane::png {

class Error : public std::runtime_error {
  public:
    enum class Kind {
        NotPng,    // the bytes do not begin as a PNG does
        Damaged,   // a PNG that cannot be read to its end: cut short, a bad checksum, bad data
        TooLarge,  // larger than the reader takes
        Encoder,   // the encoder refused what it was given
    };

    // what: libspng's words, or the reader's own ("the file is empty").
    Error(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}

    Kind kind() const noexcept { return kind_; }

  private:
    Kind kind_;
};

}  // namespace orvane::png
