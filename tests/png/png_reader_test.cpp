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

namespace {

using orvane::png::Error;
using orvane::png::PngReader;
using orvane::png::ReadLimits;
using Kind = Error::Kind;

enum Type { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };
enum class Damage {
    None,
    HeaderCrc,
    DataCrc,
    DataCut,
    TextCrc,
    ZeroWidth,
    BadDepth,
    NotPng,
    Empty
};

struct Spec {
    Type type;
    int depth;
    bool trns = false;
    bool interlaced = false;
    std::uint32_t width = 13;  // odd, so that rows of small samples end in part of a byte
    std::uint32_t height = 11;
};

struct PngCase {
    std::string name;
    Spec spec;
    Damage damage = Damage::None;
    ReadLimits limits = {};
    std::optional<Kind> refused = std::nullopt;  // nothing: read whole, every pixel as built
};
void PrintTo(const PngCase& c, std::ostream* os) {
    *os << c.name;
}

int Channels(Type type) {
    return type == Rgba ? 4 : type == Rgb ? 3 : type == GreyAlpha ? 2 : 1;
}

// A sample of pixel (x, y), repeating every 5 columns and 3 rows so that the transparent colour
// of a tRNS chunk, pixel (2, 1)'s, turns up throughout.
std::uint32_t Sample(const Spec& s, std::uint32_t x, std::uint32_t y, int channel) {
    std::uint32_t h = (x % 5) * 73856093u ^ (y % 3) * 19349663u ^ (channel + 1) * 83492791u;
    h = (h ^ (h >> 13)) * 0x5bd1e995u;
    return (h ^ (h >> 15)) & ((1u << s.depth) - 1);
}

std::uint8_t Eight(const Spec& s, std::uint32_t sample) {
    return static_cast<std::uint8_t>(s.depth == 16  ? sample >> 8
                                     : s.depth == 8 ? sample
                                                    : sample * 255 / ((1u << s.depth) - 1));
}

// Palette entry i: red, green, blue, and its alpha where tRNS gives one (every other entry).
std::array<std::uint8_t, 4> Entry(std::uint32_t i, bool trns) {
    return {static_cast<std::uint8_t>(i * 37 + 5), static_cast<std::uint8_t>(i * 11),
            static_cast<std::uint8_t>(255 - i),
            static_cast<std::uint8_t>(trns && i % 2 == 0 ? i * 3 % 256 : 255)};
}

// What the reader must give: RGBA, 8 bits a sample.
std::vector<std::uint8_t> Expected(const Spec& s) {
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t y = 0; y < s.height; ++y) {
        for (std::uint32_t x = 0; x < s.width; ++x) {
            const auto at = [&](int c) { return Sample(s, x, y, c); };
            bool keyed = s.trns && s.type != Palette;
            for (int c = 0; c < Channels(s.type); ++c) {
                keyed = keyed && at(c) == Sample(s, 2, 1, c);
            }
            if (s.type == Palette) {
                const auto entry = Entry(at(0), s.trns);
                rgba.insert(rgba.end(), entry.begin(), entry.end());
            } else if (s.type == Grey || s.type == GreyAlpha) {
                rgba.insert(rgba.end(), 3, Eight(s, at(0)));
                rgba.push_back(s.type == GreyAlpha ? Eight(s, at(1)) : keyed ? 0 : 255);
            } else {
                rgba.insert(rgba.end(), {Eight(s, at(0)), Eight(s, at(1)), Eight(s, at(2))});
                rgba.push_back(s.type == Rgba ? Eight(s, at(3)) : keyed ? 0 : 255);
            }
        }
    }
    return rgba;
}

// The filtered scanlines, pass by pass when interlaced (Adam7); rows take the filters None, Sub
// and Up in turn.
std::string Scanlines(const Spec& s) {
    static constexpr std::uint32_t kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                                    {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2},
                                                    {0, 1, 1, 2}};
    const std::size_t unit = std::max(1, Channels(s.type) * s.depth / 8);  // Sub's distance
    std::string lines;
    const auto pass = [&](std::uint32_t x0, std::uint32_t y0, std::uint32_t dx, std::uint32_t dy) {
        std::vector<std::uint8_t> previous;
        for (std::uint32_t y = y0; y < s.height && x0 < s.width; y += dy) {
            std::vector<std::uint8_t> row;
            std::uint32_t bits = 0;
            for (std::uint32_t x = x0; x < s.width; x += dx) {
                for (int c = 0; c < Channels(s.type); ++c, bits += s.depth) {
                    const std::uint32_t v = Sample(s, x, y, c);
                    if (s.depth == 16) {
                        row.insert(row.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
                        continue;
                    }
                    row.resize((bits + s.depth + 7) / 8);
                    row[bits / 8] |= static_cast<std::uint8_t>(v << (8 - s.depth - bits % 8));
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
    };
    if (!s.interlaced) {
        pass(0, 0, 1, 1);
    }
    for (int p = 0; s.interlaced && p < 7; ++p) {
        pass(kPasses[p][0], kPasses[p][1], kPasses[p][2], kPasses[p][3]);
    }
    return lines;
}

std::string Be32(std::uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Chunk(const std::string& type, const std::string& data, bool badCrc = false) {
    const std::string body = type + data;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
    return Be32(static_cast<std::uint32_t>(data.size())) + body +
           Be32(static_cast<std::uint32_t>(crc) ^ (badCrc ? 1 : 0));
}

std::string PngFile(const Spec& s, Damage damage) {
    if (damage == Damage::Empty) {
        return "";
    }
    const std::string lines = Scanlines(s);
    uLongf size = compressBound(lines.size());
    std::string data(size, '\0');
    compress(reinterpret_cast<Bytef*>(data.data()), &size,
             reinterpret_cast<const Bytef*>(lines.data()), lines.size());
    data.resize(size);
    std::string file = damage == Damage::NotPng ? "\x89PNG\r\n\x1a\r" : "\x89PNG\r\n\x1a\n";
    file += Chunk("IHDR",
                  Be32(damage == Damage::ZeroWidth ? 0 : s.width) + Be32(s.height) +
                      char(damage == Damage::BadDepth ? 3 : s.depth) + char(s.type) +
                      std::string(2, '\0') + char(s.interlaced),
                  damage == Damage::HeaderCrc);
    if (s.type == Palette) {
        std::string plte;
        std::string alphas;
        for (std::uint32_t i = 0; i < (1u << s.depth); ++i) {
            const auto entry = Entry(i, s.trns);
            plte.append({char(entry[0]), char(entry[1]), char(entry[2])});
            alphas += char(entry[3]);
        }
        file += Chunk("PLTE", plte);
        // Entries past the chunk's end are opaque: it stops before the last.
        file += s.trns ? Chunk("tRNS", alphas.substr(0, alphas.size() - 1)) : "";
    } else if (s.trns) {
        std::string key;
        for (int c = 0; c < Channels(s.type); ++c) {
            key += Be32(Sample(s, 2, 1, c)).substr(2);
        }
        file += Chunk("tRNS", key);
    }
    // The data in two chunks: a reader must carry the stream over from one to the next.
    file += Chunk("IDAT", data.substr(0, data.size() / 2));
    file += Chunk("IDAT", data.substr(data.size() / 2), damage == Damage::DataCrc);
    if (damage == Damage::DataCut) {
        return file.substr(0, file.size() - 12 - (data.size() - data.size() / 2) / 2);
    }
    file += Chunk("tEXt", std::string("Orvane tiles\0", 13) + "7", damage == Damage::TextCrc);
    return file + Chunk("IEND", "");
}

class Reading : public ::testing::TestWithParam<PngCase> {};

TEST_P(Reading, GivesEveryPixelAsBuiltOrRefusesAsItShould) {
    const PngCase& c = GetParam();
    const std::string file = PngFile(c.spec, c.damage);
    std::size_t at = 0;
    const auto source = [&](std::span<std::uint8_t> out) {
        const std::size_t n = std::min(out.size(), file.size() - at);
        std::memcpy(out.data(), file.data() + at, n);
        at += n;
        return n;
    };
    const std::vector<std::uint8_t> expected = Expected(c.spec);
    std::vector<std::uint8_t> read(expected.size());
    try {
        PngReader reader(source, c.limits);
        ASSERT_EQ(reader.Width(), c.spec.width);
        ASSERT_EQ(reader.Height(), c.spec.height);
        const std::size_t row = 4 * std::size_t{c.spec.width};
        reader.ReadRows(std::span(read).first(row));  // one row, then the others at once
        reader.ReadRows(std::span(read).subspan(row));
        reader.Finish();
        // A damaged chunk that the image does not need is passed over, as libpng does.
        EXPECT_EQ(reader.Text("Orvane tiles"),
                  c.damage == Damage::TextCrc ? std::nullopt : std::optional<std::string>("7"));
    } catch (const Error& error) {
        ASSERT_TRUE(c.refused) << error.what();
        EXPECT_EQ(error.kind(), *c.refused) << error.what();
        return;
    }
    ASSERT_FALSE(c.refused) << "read whole";
    const auto [want, got] = std::mismatch(expected.begin(), expected.end(), read.begin());
    EXPECT_EQ(got, read.end()) << "first difference at pixel " << (got - read.begin()) / 4
                               << ", sample " << (got - read.begin()) % 4 << ": " << int{*got}
                               << " instead of " << int{*want};
}

std::vector<PngCase> Cases() {
    const std::vector<Spec> kinds{
        {Grey, 1},          {Grey, 2},          {Grey, 4},          {Grey, 8},
        {Grey, 16},         {Grey, 2, true},    {Grey, 8, true},    {Grey, 16, true},
        {Rgb, 8},           {Rgb, 16},          {Rgb, 8, true},     {Rgb, 16, true},
        {Palette, 1},       {Palette, 2},       {Palette, 4},       {Palette, 8},
        {Palette, 1, true}, {Palette, 2, true}, {Palette, 4, true}, {Palette, 8, true},
        {GreyAlpha, 8},     {GreyAlpha, 16},    {Rgba, 8},          {Rgba, 16}};
    const char* kTypeNames[] = {"grey", "", "rgb", "palette", "grey_alpha", "", "rgba"};
    std::vector<PngCase> cases;
    for (Spec spec : kinds) {
        for (const bool interlaced : {false, true}) {
            spec.interlaced = interlaced;
            cases.push_back({std::string(kTypeNames[spec.type]) + "_" + std::to_string(spec.depth) +
                                 (spec.trns ? "_trns" : "") + (interlaced ? "_interlaced" : ""),
                             spec});
        }
    }
    const Spec rgba{Rgba, 8};
    const Spec interlaced{Rgba, 8, false, true};
    const std::size_t whole = 4 * 13 * 11;  // an interlaced picture is decoded whole
    const std::vector<PngCase> edges{
        {"width_at_the_limit", rgba, Damage::None, {.width = 13}},
        {"width_past_the_limit", rgba, Damage::None, {.width = 12}, Kind::TooLarge},
        {"height_at_the_limit", rgba, Damage::None, {.height = 11}},
        {"height_past_the_limit", rgba, Damage::None, {.height = 10}, Kind::TooLarge},
        {"widest_by_default", {Grey, 8, false, false, 1u << 20, 1}},
        {"past_the_widest",
         {Grey, 8, false, false, (1u << 20) + 1, 1},
         Damage::None,
         {},
         Kind::TooLarge},
        {"interlaced_at_the_limit", interlaced, Damage::None, {.interlacedBytes = whole}},
        {"interlaced_past_the_limit",
         interlaced,
         Damage::None,
         {.interlacedBytes = whole - 1},
         Kind::TooLarge},
        {"header_checksum", rgba, Damage::HeaderCrc, {}, Kind::Damaged},
        {"data_checksum", rgba, Damage::DataCrc, {}, Kind::Damaged},
        {"data_checksum_interlaced", interlaced, Damage::DataCrc, {}, Kind::Damaged},
        {"data_cut_short", rgba, Damage::DataCut, {}, Kind::Damaged},
        {"data_cut_short_interlaced", interlaced, Damage::DataCut, {}, Kind::Damaged},
        {"text_checksum_after_the_image", rgba, Damage::TextCrc},
        {"no_width", rgba, Damage::ZeroWidth, {}, Kind::Damaged},
        {"depth_3", rgba, Damage::BadDepth, {}, Kind::Damaged},
        {"no_signature", rgba, Damage::NotPng, {}, Kind::NotPng},
        {"empty", rgba, Damage::Empty, {}, Kind::NotPng}};
    cases.insert(cases.end(), edges.begin(), edges.end());
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Pictures, Reading, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
