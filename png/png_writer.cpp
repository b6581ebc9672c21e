#include "png/png_writer.h"

#include <cstring>

namespace orvane::png {

using Kind = Error::Kind;

PngWriter::PngWriter(std::uint32_t width, std::uint32_t height, const WriteOptions& options,
                     Sink sink)
    : sink_(std::move(sink)),
      ctx_(detail::NewContext(SPNG_CTX_ENCODER)),
      rowBytes_(std::size_t{width} * 4),
      rowsLeft_(height) {
    spng_ctx* ctx = ctx_.get();
    outcome_.Check(spng_set_png_stream(ctx, &PngWriter::Write, this), Kind::Encoder);
    spng_ihdr header{};
    header.width = width;
    header.height = height;
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    outcome_.Check(spng_set_ihdr(ctx, &header), Kind::Encoder);
    outcome_.Check(spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, options.compressionLevel),
                   Kind::Encoder);
    outcome_.Check(
        spng_set_option(ctx, SPNG_FILTER_CHOICE,
                        options.adaptiveFilters ? SPNG_FILTER_CHOICE_ALL : SPNG_FILTER_CHOICE_NONE),
        Kind::Encoder);

    // libspng takes the texts by pointer to mutable characters, and copies them.
    std::vector<std::string> copies;
    std::vector<spng_text> texts(options.texts.size());
    copies.reserve(options.texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const Text& text = options.texts[i];
        if (text.keyword.empty() || text.keyword.size() >= sizeof texts[i].keyword) {
            throw Error(Kind::Encoder, "a text keyword has 1 to 79 characters");
        }
        std::memcpy(texts[i].keyword, text.keyword.data(), text.keyword.size());
        texts[i].type = SPNG_TEXT;
        texts[i].text = copies.emplace_back(text.text).data();
        texts[i].length = text.text.size();
    }
    if (!texts.empty()) {
        outcome_.Check(spng_set_text(ctx, texts.data(), static_cast<std::uint32_t>(texts.size())),
                       Kind::Encoder);
    }
    outcome_.Check(spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG,
                                     SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE),
                   Kind::Encoder);
}

void PngWriter::WriteRows(std::span<const std::uint8_t> rows) {
    if (rows.size() % rowBytes_ != 0 || rows.size() / rowBytes_ > rowsLeft_) {
        throw Error(Kind::Encoder, "rows do not fit the picture");
    }
    for (; !rows.empty(); rows = rows.subspan(rowBytes_)) {
        // libspng neither keeps nor changes the row; it only lacks the const.
        void* row = const_cast<std::uint8_t*>(rows.data());  // NOLINT(*-const-cast)
        const int result = spng_encode_row(ctx_.get(), row, rowBytes_);
        --rowsLeft_;
        // The last row ends the image, and the file with it.
        outcome_.Check(result == SPNG_EOI && rowsLeft_ == 0 ? SPNG_OK : result, Kind::Encoder);
    }
}

int PngWriter::Write(spng_ctx* /*ctx*/, void* user, void* data, std::size_t length) {
    auto* writer = static_cast<PngWriter*>(user);
    try {
        writer->sink_(std::span(static_cast<const std::uint8_t*>(data), length));
        return SPNG_OK;
    } catch (...) {
        return writer->outcome_.Keep(std::current_exception());
    }
}

}  // namespace orvane::png
