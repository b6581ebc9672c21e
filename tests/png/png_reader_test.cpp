// The PNG reader on pictures of every colour type and depth, interlaced and not, at the edges of
// its limits and damaged. Each picture is built here byte by byte, its chunks checksummed and its
// data compressed by zlib itself, and every pixel read is held against the colours it was built
// from: the reader is checked against an encoder that shares nothing with it.
#include "png/png_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tests/support/png_pixels.h"

namespace {

using orvane::png::Error;
using Kind = Error::Kind;
using Rgba = std::array<std::uint8_t, 4>;

enum Type { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };
enum class Damage {
    None,
    HeaderCrc,
    DataCrc,
    DataCut,
    TextCrc,
    NoWidth,
    Depth3,
    NotPng,
    Empty,
    ShortPalette,  // two entries only, where pixels take more
};

struct Shape {
    Type type;
    int depth;
    bool trns = false;
    bool interlaced = false;
    std::uint32_t width = 13;  // odd, so that rows of small samples end in part of a byte
    std::uint32_t height = 11;
};

struct PngCase {
    std::string name;
    Shape shape;
    std::optional<Kind> refused = std::nullopt;  // nothing: read whole, every pixel as built
    Damage damage = Damage::None;
    orvane::png::ReadLimits limits = {};
};
void PrintTo(const PngCase& c, std::ostream* os) {
    *os << c.name;
}

int Channels(Type type) {
    return type == kRgba ? 4 : type == kRgb ? 3 : type == kGreyAlpha ? 2 : 1;
}

// A sample of pixel (x, y), repeating every 5 columns and 3 rows so that the transparent colour
// of a tRNS chunk, pixel (2, 1)'s, turns up throughout.
std::uint32_t Sample(const Shape& s, std::uint32_t x, std::uint32_t y, int channel) {
    std::uint32_t h = (x % 5) * 73856093u ^ (y % 3) * 19349663u ^ (channel + 1) * 83492791u;
    h = (h ^ (h >> 13)) * 0x5bd1e995u;
    return (h ^ (h >> 15)) & ((1u << s.depth) - 1);
}

// Palette entry i; where there is a tRNS chunk, every other entry has an alpha of its own.
Rgba Entry(std::uint32_t i, bool trns) {
    return {std::uint8_t(i * 37 + 5), std::uint8_t(i * 11), std::uint8_t(255 - i),
            std::uint8_t(trns && i % 2 == 0 ? i * 3 : 255)};
}

// What the reader must give for pixel (x, y): small samples scaled to 8 bits, 16-bit ones cut to
// their high byte, grey spread over red, green and blue, tRNS's colour transparent.
Rgba Pixel(const Shape& s, std::uint32_t x, std::uint32_t y) {
    if (s.type == kPalette) {
        return Entry(Sample(s, x, y, 0), s.trns);
    }
    const int n = Channels(s.type);
    Rgba eight{};
    bool keyed = s.trns;
    for (int c = 0; c < n; ++c) {
        const std::uint32_t v = Sample(s, x, y, c);
        eight[c] = std::uint8_t(s.depth == 16 ? v >> 8 : v * 255 / ((1u << s.depth) - 1));
        keyed = keyed && v == Sample(s, 2, 1, c);
    }
    const std::uint8_t alpha = n % 2 == 0 ? eight[n - 1] : keyed ? 0 : 255;
    return n < 3 ? Rgba{eight[0], eight[0], eight[0], alpha}
                 : Rgba{eight[0], eight[1], eight[2], alpha};
}

// The filtered scanlines, pass by pass when interlaced (Adam7); rows take the filters None, Sub
// and Up in turn.
std::string Scanlines(const Shape& s) {
    static constexpr std::uint32_t kPasses[8][4] = {{0, 0, 1, 1}, {0, 0, 8, 8}, {4, 0, 8, 8},
                                                    {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4},
                                                    {1, 0, 2, 2}, {0, 1, 1, 2}};
    const std::size_t unit = std::max(1, Channels(s.type) * s.depth / 8);  // Sub's distance
    std::string lines;
    for (const auto& [x0, y0, dx, dy] :
         std::span(kPasses).subspan(s.interlaced, s.interlaced ? 7 : 1)) {
        std::vector<std::uint8_t> previous;
        for (std::uint32_t y = y0; y < s.height && x0 < s.width; y += dy) {
            std::vector<std::uint8_t> row;
            std::uint32_t bits = 0;
            for (std::uint32_t x = x0; x < s.width; x += dx) {
                for (int c = 0; c < Channels(s.type); ++c, bits += s.depth) {
                    const std::uint32_t v = Sample(s, x, y, c);
                    row.resize((bits + s.depth + 7) / 8);
                    if (s.depth == 16) {
                        row.end()[-2] = std::uint8_t(v >> 8);
                    }
                    row[(bits + s.depth - 1) / 8] |=
                        std::uint8_t(v << (7 - (bits + s.depth - 1) % 8));
                }
            }
            const int filter = static_cast<int>(y / dy % 3);
            lines += static_cast<char>(filter);
            for (std::size_t i = 0; i < row.size(); ++i) {
                const std::uint8_t left = filter == 1 && i >= unit ? row[i - unit] : 0;
                const std::uint8_t up = filter == 2 && !previous.empty() ? previous[i] : 0;
                lines += static_cast<char>(row[i] - left - up);
            }
            previous = row;
        }
    }
    return lines;
}

std::string Be32(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Chunk(const std::string& type, const std::string& data, bool badCrc = false) {
    const std::string body = type + data;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
    return Be32(std::uint32_t(data.size())) + body + Be32(std::uint32_t(crc) ^ badCrc);
}

std::string PngFile(const Shape& s, Damage damage) {
    const std::string lines = Scanlines(s);
    uLongf size = compressBound(lines.size());
    std::string data(size, '\0');
    compress(reinterpret_cast<Bytef*>(data.data()), &size,
             reinterpret_cast<const Bytef*>(lines.data()), lines.size());
    data.resize(size);
    std::string file = damage == Damage::NotPng ? "\x89PNG\r\n\x1a\r" : "\x89PNG\r\n\x1a\n";
    file += Chunk("IHDR",
                  Be32(damage == Damage::NoWidth ? 0 : s.width) + Be32(s.height) +
                      char(damage == Damage::Depth3 ? 3 : s.depth) + char(s.type) +
                      std::string(2, '\0') + char(s.interlaced),
                  damage == Damage::HeaderCrc);
    std::string plte;
    std::string trns;  // a palette's stops before its last entry, which is then opaque
    const std::uint32_t entries = damage == Damage::ShortPalette ? 2 : 1u << s.depth;
    for (std::uint32_t i = 0; s.type == kPalette && i < entries; ++i) {
        const Rgba entry = Entry(i, s.trns);
        plte.append(entry.begin(), entry.begin() + 3);
        trns.append(i + 1 < entries ? 1 : 0, char(entry[3]));
    }
    for (int c = 0; s.type != kPalette && c < Channels(s.type); ++c) {
        trns += Be32(Sample(s, 2, 1, c)).substr(2);
    }
    file += (plte.empty() ? "" : Chunk("PLTE", plte)) + (s.trns ? Chunk("tRNS", trns) : "");
    // The data in two chunks: a reader must carry the stream over from one to the next.
    file += Chunk("IDAT", data.substr(0, size / 2)) +
            Chunk("IDAT", data.substr(size / 2), damage == Damage::DataCrc);
    if (damage == Damage::DataCut) {
        return file.substr(0, file.size() - 12 - (size - size / 2) / 2);
    }
    file += Chunk("tEXt", std::string("Orvane tiles\0", 13) + "7", damage == Damage::TextCrc);
    return damage == Damage::Empty ? "" : file + Chunk("IEND", "");
}

class Reading : public ::testing::TestWithParam<PngCase> {};

TEST_P(Reading, GivesEveryPixelAsBuiltOrRefusesAsItShould) {
    const PngCase& c = GetParam();
    const std::string file = PngFile(c.shape, c.damage);
    std::size_t at = 0;
    const auto source = [&](std::span<std::uint8_t> out) {
        const std::size_t n = std::min(out.size(), file.size() - at);
        std::memcpy(out.data(), file.data() + at, n);
        at += n;
        return n;
    };
    std::vector<std::uint8_t> read;
    try {
        orvane::png::PngReader reader(source, c.limits);
        ASSERT_EQ(reader.Width(), c.shape.width);
        ASSERT_EQ(reader.Height(), c.shape.height);
        read = orvane::testing::ReadPixels(reader);
        // A damaged chunk that the image does not need is passed over, as libpng does.
        EXPECT_EQ(reader.Text("Orvane tiles"),
                  c.damage == Damage::TextCrc ? std::nullopt : std::optional<std::string>("7"));
    } catch (const Error& error) {
        ASSERT_TRUE(c.refused) << error.what();
        EXPECT_EQ(error.kind(), *c.refused) << error.what();
        return;
    }
    ASSERT_FALSE(c.refused) << "read whole";
    for (std::uint32_t i = 0; i < c.shape.width * c.shape.height; ++i) {
        const std::uint32_t x = i % c.shape.width;
        const std::uint32_t y = i / c.shape.width;
        ASSERT_EQ((Rgba{read[4 * i], read[4 * i + 1], read[4 * i + 2], read[4 * i + 3]}),
                  Pixel(c.shape, x, y))
            << "at (" << x << ", " << y << ")";
    }
}

std::vector<PngCase> Cases() {
    std::vector<PngCase> cases;
    const char* names[] = {"grey", "", "rgb", "palette", "grey_alpha", "", "rgba"};
    for (Shape shape : std::vector<Shape>{
             {kGrey, 1},          {kGrey, 2},          {kGrey, 4},          {kGrey, 8},
             {kGrey, 16},         {kGrey, 2, true},    {kGrey, 8, true},    {kGrey, 16, true},
             {kRgb, 8},           {kRgb, 16},          {kRgb, 8, true},     {kRgb, 16, true},
             {kPalette, 1},       {kPalette, 2},       {kPalette, 4},       {kPalette, 8},
             {kPalette, 1, true}, {kPalette, 2, true}, {kPalette, 4, true}, {kPalette, 8, true},
             {kGreyAlpha, 8},     {kGreyAlpha, 16},    {kRgba, 8},          {kRgba, 16}}) {
        for (const bool interlaced : {false, true}) {
            shape.interlaced = interlaced;
            std::string name = names[shape.type];
            name.append("_").append(std::to_string(shape.depth));
            name.append(shape.trns ? "_trns" : "").append(interlaced ? "_interlaced" : "");
            cases.push_back({name, shape});
        }
    }
    const Shape rgba{kRgba, 8};
    const Shape adam7{kRgba, 8, false, true};
    const Shape widest{kGrey, 8, false, false, 1u << 20, 1};  // ReadLimits's default
    const Shape wider{kGrey, 8, false, false, (1u << 20) + 1, 1};
    const Shape palette{kPalette, 2};
    const Shape palette8Interlaced{kPalette, 8, false, true};
    using D = Damage;
    const std::vector<PngCase> edges{
        {"width_at_the_limit", rgba, {}, D::None, {.width = 13}},
        {"width_past_the_limit", rgba, Kind::TooLarge, D::None, {.width = 12}},
        {"height_at_the_limit", rgba, {}, D::None, {.height = 11}},
        {"height_past_the_limit", rgba, Kind::TooLarge, D::None, {.height = 10}},
        {"widest_by_default", widest},
        {"past_the_widest_by_default", wider, Kind::TooLarge},
        // The text after the image, 14 bytes.
        {"chunks_at_the_limit", rgba, {}, D::None, {.chunkBytes = 400}},
        {"chunks_past_the_limit", rgba, Kind::TooLarge, D::None, {.chunkBytes = 13}},
        {"palette_index_past_the_end", palette, Kind::Damaged, D::ShortPalette},
        {"palette_index_past_the_end_interlaced", palette8Interlaced, Kind::Damaged,
         D::ShortPalette},
        {"header_checksum", rgba, Kind::Damaged, D::HeaderCrc},
        {"data_checksum", rgba, Kind::Damaged, D::DataCrc},
        {"data_checksum_interlaced", adam7, Kind::Damaged, D::DataCrc},
        {"data_cut_short", rgba, Kind::Damaged, D::DataCut},
        {"data_cut_short_interlaced", adam7, Kind::Damaged, D::DataCut},
        {"text_checksum_after_the_image", rgba, {}, D::TextCrc},
        {"no_width", rgba, Kind::Damaged, D::NoWidth},
        {"depth_3", rgba, Kind::Damaged, D::Depth3},
        {"no_signature", rgba, Kind::NotPng, D::NotPng},
        {"empty", rgba, Kind::NotPng, D::Empty}};
    cases.insert(cases.end(), edges.begin(), edges.end());
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Pictures, Reading, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
