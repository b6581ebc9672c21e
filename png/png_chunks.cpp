#include "png/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>

#include "png/png_error.h"

namespace orvane::png {
namespace {

constexpr std::uint32_t kLargestSide = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kLongestKeyword = 79;

constexpr std::uint8_t kBitDepth = 8;
constexpr std::uint8_t kTruecolourAlpha = 6;

void PutBigEndian(std::uint32_t value, std::uint8_t* to) {
    to[0] = static_cast<std::uint8_t>(value >> 24);
    to[1] = static_cast<std::uint8_t>(value >> 16);
    to[2] = static_cast<std::uint8_t>(value >> 8);
    to[3] = static_cast<std::uint8_t>(value);
}

}  // namespace

bool IsKeyword(std::string_view keyword) {
    if (keyword.empty() || keyword.size() > kLongestKeyword || keyword.front() == ' ' ||
        keyword.back() == ' ' || keyword.find("  ") != std::string_view::npos) {
        return false;
    }
    return std::all_of(keyword.begin(), keyword.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 32 && byte <= 126) || byte >= 161;
    });
}

ChunkWriter::ChunkWriter(const Sink& sink) : sink_(sink) {
    sink_(kSignature);
}

void ChunkWriter::Header(std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) {
        throw Error(Error::Kind::Encoder, "a picture's sides are 1 to 2^31 - 1 pixels");
    }
    // Width, height, bit depth, colour type, then compression, filter method and interlace 0.
    std::array<std::uint8_t, 13> header{};
    PutBigEndian(width, header.data());
    PutBigEndian(height, header.data() + 4);
    header[8] = kBitDepth;
    header[9] = kTruecolourAlpha;
    Chunk("IHDR", header);
}

void ChunkWriter::Text(const png::Text& text) {
    if (!IsKeyword(text.keyword)) {
        throw Error(Error::Kind::Encoder,
                    "a text keyword has 1 to 79 printable Latin-1 characters, spaced singly");
    }
    if (text.text.find('\0') != std::string::npos) {
        throw Error(Error::Kind::Encoder, "a text holds no NUL");
    }
    std::vector<std::uint8_t> data(text.keyword.begin(), text.keyword.end());
    data.push_back(0);
    data.insert(data.end(), text.text.begin(), text.text.end());
    Chunk("tEXt", data);
}

void ChunkWriter::ImageData(std::span<const std::uint8_t> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    while (pending_.size() >= kIdatBytes) {
        Chunk("IDAT", std::span(pending_).first(kIdatBytes));
        pending_.erase(pending_.begin(), pending_.begin() + kIdatBytes);
    }
}

void ChunkWriter::BandTable(std::uint32_t bandRows, std::span<const std::uint32_t> bandBytes) {
    FlushImageData();
    std::vector<std::uint8_t> table(4 * (bandBytes.size() + 1));
    PutBigEndian(bandRows, table.data());
    for (std::size_t i = 0; i < bandBytes.size(); ++i) {
        PutBigEndian(bandBytes[i], table.data() + 4 * (i + 1));
    }
    Chunk(kBandTable, table);
}

void ChunkWriter::End() {
    FlushImageData();
    Chunk("IEND", {});
}

void ChunkWriter::FlushImageData() {
    if (!pending_.empty()) {
        Chunk("IDAT", pending_);
        pending_.clear();
    }
}

void ChunkWriter::Chunk(const char (&type)[5], std::span<const std::uint8_t> data) {
    std::array<std::uint8_t, 8> head{};
    PutBigEndian(static_cast<std::uint32_t>(data.size()), head.data());
    std::copy_n(type, 4, head.begin() + 4);
    // The CRC covers the type and the data, not the length.
    uLong crc = crc32(0, head.data() + 4, 4);
    if (!data.empty()) {  // zlib takes no bytes at all for a request of its initial value
        crc = crc32_z(crc, data.data(), data.size());
    }
    std::array<std::uint8_t, 4> tail{};
    PutBigEndian(static_cast<std::uint32_t>(crc), tail.data());
    sink_(head);
    if (!data.empty()) {
        sink_(data);
    }
    sink_(tail);
}

}  // namespace orvane::png
