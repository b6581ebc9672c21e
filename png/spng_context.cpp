#include "png/spng_context.h"

#include <string>

namespace orvane::png::detail {

Context NewContext(int flags) {
    Context ctx(spng_ctx_new(flags));
    if (!ctx) {
        throw Error(Error::Kind::Encoder, "libspng could not make a context");
    }
    return ctx;
}

void Outcome::Check(int result, Error::Kind kind) {
    if (result == SPNG_OK) {
        return;
    }
    if (kept_) {
        std::rethrow_exception(kept_);
    }
    throw Error(kind, spng_strerror(result));
}

int Outcome::Keep(std::exception_ptr error) noexcept {
    kept_ = std::move(error);
    return SPNG_IO_ERROR;
}

}  // namespace orvane::png::detail
