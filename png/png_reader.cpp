#include "png/png_reader.h"

#include <algorithm>

#include "png/png_chunks.h"

namespace orvane::png {
namespace {

using Kind = Error::Kind;

constexpr int kFormat = SPNG_FMT_RGBA8;
constexpr std::size_t kSignatureBytes = kSignature.size();
// Text, profiles and unknown chunks are kept in memory: a damaged or hostile length must not
// make that unbounded.
constexpr std::size_t kChunkLimit = std::size_t{64} << 20;

}  // namespace

PngReader::PngReader(Source source, const ReadLimits& limits)
    : source_(std::move(source)),
      ctx_(detail::NewContext(0)),
      interlacedLimit_(limits.interlacedBytes) {
    spng_ctx* ctx = ctx_.get();
    outcome_.Check(spng_set_png_stream(ctx, &PngReader::Read, this), Kind::Damaged);
    outcome_.Check(spng_set_image_limits(ctx, limits.width, limits.height), Kind::Damaged);
    outcome_.Check(spng_set_chunk_limits(ctx, kChunkLimit, kChunkLimit), Kind::Damaged);

    spng_ihdr header{};
    const int result = spng_get_ihdr(ctx, &header);
    // libspng reads the signature and the header together: a file too short for both is no PNG
    // when its first bytes say so already.
    if (result != SPNG_OK && !outcome_.Kept() &&
        (bytesRead_ < kSignatureBytes || signature_ != kSignature)) {
        throw Error(Kind::NotPng, bytesRead_ == 0 ? "the file is empty" : "no PNG signature");
    }
    if (result == SPNG_EUSER_WIDTH || result == SPNG_EUSER_HEIGHT) {
        throw Error(Kind::TooLarge, spng_strerror(result));
    }
    outcome_.Check(result, Kind::Damaged);
    width_ = header.width;
    height_ = header.height;
    interlaced_ = header.interlace_method != SPNG_INTERLACE_NONE;
    if (!interlaced_) {
        outcome_.Check(
            spng_decode_image(ctx, nullptr, 0, kFormat, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE),
            Kind::Damaged);
    }
}

void PngReader::ReadRows(std::span<std::uint8_t> out) {
    const std::size_t rowBytes = std::size_t{width_} * 4;
    if (out.size() % rowBytes != 0 || out.size() / rowBytes > height_ - nextRow_) {
        throw Error(Kind::Damaged, "more rows asked for than the picture has");
    }
    if (interlaced_) {
        if (whole_.empty() && !out.empty()) {
            std::size_t bytes = 0;
            outcome_.Check(spng_decoded_image_size(ctx_.get(), kFormat, &bytes), Kind::Damaged);
            if (bytes > interlacedLimit_) {
                throw Error(Kind::TooLarge, "an interlaced picture this large");
            }
            whole_.resize(bytes);
            outcome_.Check(spng_decode_image(ctx_.get(), whole_.data(), whole_.size(), kFormat,
                                             SPNG_DECODE_TRNS),
                           Kind::Damaged);
        }
        std::copy_n(whole_.begin() + static_cast<std::ptrdiff_t>(nextRow_ * rowBytes), out.size(),
                    out.begin());
        nextRow_ += static_cast<std::uint32_t>(out.size() / rowBytes);
        return;
    }
    for (; !out.empty(); out = out.subspan(rowBytes)) {
        const int result = spng_decode_row(ctx_.get(), out.data(), rowBytes);
        ++nextRow_;
        outcome_.Check(result == SPNG_EOI && nextRow_ == height_ ? SPNG_OK : result, Kind::Damaged);
    }
}

void PngReader::Finish() {
    if (nextRow_ != height_) {
        throw Error(Kind::Damaged, "finished before the last row");
    }
    outcome_.Check(spng_decode_chunks(ctx_.get()), Kind::Damaged);
}

std::optional<std::string> PngReader::Text(std::string_view keyword) {
    std::uint32_t count = 0;
    if (spng_get_text(ctx_.get(), nullptr, &count) != SPNG_OK || count == 0) {
        return std::nullopt;
    }
    std::vector<spng_text> texts(count);
    if (spng_get_text(ctx_.get(), texts.data(), &count) != SPNG_OK) {
        return std::nullopt;
    }
    for (const spng_text& text : texts) {
        if (keyword == text.keyword) {
            return std::string(text.text, text.length);
        }
    }
    return std::nullopt;
}

int PngReader::Read(spng_ctx* /*ctx*/, void* user, void* data, std::size_t length) {
    auto* reader = static_cast<PngReader*>(user);
    try {
        const std::span<std::uint8_t> into(static_cast<std::uint8_t*>(data), length);
        const std::size_t got = reader->source_(into);
        if (reader->bytesRead_ < kSignatureBytes) {
            std::copy_n(
                into.begin(), std::min<std::uint64_t>(got, kSignatureBytes - reader->bytesRead_),
                reader->signature_.begin() + static_cast<std::ptrdiff_t>(reader->bytesRead_));
        }
        reader->bytesRead_ += got;
        return got == length ? SPNG_OK : SPNG_IO_EOF;
    } catch (...) {
        return reader->outcome_.Keep(std::current_exception());
    }
}

}  // namespace orvane::png
