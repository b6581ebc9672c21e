#include "png/png_reader.h"

#include <algorithm>

#include "png/png_chunks.h"

namespace orvane::png {
namespace {

using Kind = Error::Kind;

constexpr std::size_t kSignatureBytes = kSignature.size();
constexpr std::size_t kRgbaBytes = 4;

// Where the pixels of each of Adam7's seven passes lie across a row: from column first, every
// step-th.
struct Columns {
    std::uint32_t first;
    std::uint32_t step;
};
constexpr std::array<Columns, 7> kAdam7{{{0, 8}, {4, 8}, {0, 4}, {2, 4}, {0, 2}, {1, 2}, {0, 1}}};

}  // namespace

PngReader::PngReader(Source source, const ReadLimits& limits)
    : source_(std::move(source)), ctx_(detail::NewContext(0)), chunkBytes_(limits.chunkBytes) {
    spng_ctx* ctx = ctx_.get();
    Check(spng_set_png_stream(ctx, &PngReader::Read, this));
    Check(spng_set_image_limits(ctx, limits.width, limits.height));
    Check(spng_set_chunk_limits(ctx, limits.chunkBytes, limits.chunkBytes));

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
    Check(result);
    width_ = header.width;
    height_ = header.height;
    interlaced_ = header.interlace_method != SPNG_INTERLACE_NONE;
    const bool indexed = header.color_type == SPNG_COLOR_TYPE_INDEXED;
    Check(spng_decode_image(ctx, nullptr, 0, indexed ? SPNG_FMT_PNG : SPNG_FMT_RGBA8,
                            SPNG_DECODE_PROGRESSIVE | (indexed ? 0 : SPNG_DECODE_TRNS)));
    if (indexed) {
        spng_plte plte{};
        Check(spng_get_plte(ctx, &plte));
        spng_trns trns{};
        const bool alpha = spng_get_trns(ctx, &trns) == SPNG_OK;
        for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
            const spng_plte_entry& entry = plte.entries[i];
            palette_.push_back(
                {entry.red, entry.green, entry.blue,
                 alpha && i < trns.n_type3_entries ? trns.type3_alpha[i] : std::uint8_t{255}});
        }
        depth_ = header.bit_depth;
        raw_.resize((std::size_t{width_} * header.bit_depth + 7) / 8);
    }
    pixels_.resize(std::size_t{width_} * kRgbaBytes);
}

std::optional<Scanline> PngReader::NextScanline() {
    if (ended_) {
        return std::nullopt;
    }
    spng_row_info info{};
    Check(spng_get_row_info(ctx_.get(), &info));
    const Columns columns =
        interlaced_ ? kAdam7.at(static_cast<std::size_t>(info.pass)) : Columns{0, 1};
    const std::uint32_t count = (width_ - columns.first + columns.step - 1) / columns.step;
    const Scanline line{info.row_num, columns.first, columns.step,
                        std::span(pixels_).first(std::size_t{count} * kRgbaBytes)};
    // libspng wants room for a whole row, whichever pass it decodes.
    const int result = raw_.empty()
                           ? spng_decode_scanline(ctx_.get(), pixels_.data(), pixels_.size())
                           : spng_decode_scanline(ctx_.get(), raw_.data(), raw_.size());
    ended_ = result == SPNG_EOI;
    Check(ended_ ? SPNG_OK : result);
    if (!raw_.empty()) {
        ExpandPalette(count, line);
    }
    return line;
}

void PngReader::ExpandPalette(std::uint32_t count, const Scanline& line) {
    const auto mask = static_cast<std::uint8_t>((1u << depth_) - 1);
    const auto perByte = static_cast<std::uint32_t>(8 / depth_);
    for (std::uint32_t i = 0; i < count; ++i) {
        // Packed from the high bits down.
        const auto shift = static_cast<unsigned>(8 - depth_ * static_cast<int>(i % perByte + 1));
        const std::uint8_t index = (raw_[i / perByte] >> shift) & mask;
        if (index >= palette_.size()) {
            throw Error(Kind::Damaged, "pixel (" + std::to_string(line.first + i * line.step) +
                                           ", " + std::to_string(line.row) +
                                           ") takes palette entry " + std::to_string(index) +
                                           ", past the palette's " +
                                           std::to_string(palette_.size()) +
                                           (palette_.size() == 1 ? " colour" : " colours"));
        }
        std::copy_n(palette_[index].begin(), kRgbaBytes,
                    pixels_.begin() + static_cast<std::ptrdiff_t>(i * kRgbaBytes));
    }
}

void PngReader::Check(int result) {
    if (result == SPNG_ECHUNK_LIMITS && !outcome_.Kept()) {
        throw Error(Kind::TooLarge,
                    "its text and other chunks beside the image take more than the " +
                        std::to_string(chunkBytes_ >> 20) + " MiB that are read");
    }
    outcome_.Check(result, Kind::Damaged);
}

void PngReader::Finish() {
    if (!ended_) {
        throw Error(Kind::Damaged, "finished before the last row");
    }
    Check(spng_decode_chunks(ctx_.get()));
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
