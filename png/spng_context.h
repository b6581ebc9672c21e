// The libspng context the reader and the writer hold, and the stream callbacks between it and
// C++: an exception must not cross libspng's C frames, so a callback keeps it for the caller to
// raise once libspng has returned.
#pragma once

#include <spng.h>

#include <exception>
#include <memory>

#include "png/png_error.h"

namespace orvane::png::detail {

struct ContextFree {
    void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

// Makes a context, or raises Encoder (there is no other reason libspng gives for failing to).
Context NewContext(int flags);

// Raises what a libspng result other than SPNG_OK means, as kind; the exception kept by a
// stream callback instead, when there is one.
class Outcome {
  public:
    void Check(int result, Error::Kind kind);
    // For a stream callback: keeps the exception in flight and returns what tells libspng to stop.
    int Keep(std::exception_ptr error) noexcept;
    std::exception_ptr Kept() const noexcept { return kept_; }

  private:
    std::exception_ptr kept_;
};

}  // namespace orvane::png::detail
