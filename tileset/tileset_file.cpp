#include "tileset/tileset_file.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>

#include "platform/files.h"
#include "platform/runtime_error.h"

namespace orvane::tileset {
namespace {

[[noreturn]] void RaiseDamaged(std::string reason) {
    platform::RaiseBecause(platform::ErrorNumber::InvalidFileFormat, std::move(reason));
}

std::string Counted(std::int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

TilesetFile::TilesetFile(const std::string& fileName) : file_(std::in_place, fileName) {
    const std::int64_t length = file_->Length();
    if (length < kTilesetHeaderBytes) {
        RaiseDamaged(length == 0 ? "the file is empty"
                                 : "the file holds " + Counted(length, "byte", "bytes") +
                                       ", fewer than the " + std::to_string(kTilesetHeaderBytes) +
                                       " of a tileset's header");
    }
    std::array<BYTE, kTilesetHeaderBytes> bytes;
    if (file_->Get(1, bytes) < bytes.size()) {
        RaiseDamaged("the file ended while its header was read");
    }
    header_ = DecodeTilesetHeader(bytes);
    const std::int64_t held = (length - kTilesetHeaderBytes) / kTileBytes;
    if (held < Tiles()) {
        RaiseDamaged("the header counts " + Counted(Tiles(), "tile", "tiles") +
                     ", the file holds " + std::to_string(held));
    }
}

TilesetFile::TilesetFile(std::vector<BYTE> tiles, const FreeWords& words)
    : held_(std::move(tiles)),
      header_{words.first, static_cast<std::int16_t>(held_.size() / kTileBytes), words.last} {
    assert(held_.size() / kTileBytes <= kMaxTiles);
}

void TilesetFile::ReadTiles(int first, std::span<BYTE> out) const {
    if (!file_) {
        const std::size_t from = static_cast<std::size_t>(first) * kTileBytes;
        assert(from + out.size() <= held_.size());
        std::copy_n(held_.begin() + static_cast<std::ptrdiff_t>(from), out.size(), out.begin());
        return;
    }
    std::size_t read = 0;
    try {
        read = file_->GetUnbuffered(kFirstPixelPosition + std::int64_t{first} * kTileBytes, out);
    } catch (...) {
        readFailed_ = true;
        throw;
    }
    if (read < out.size()) {
        readFailed_ = true;
        RaiseDamaged("the file was cut short while it was read");
    }
}

void WriteTileset(const std::string& fileName, std::span<const BYTE> tiles, FreeWords words) {
    const auto count = static_cast<std::uint16_t>(tiles.size() / kTileBytes);
    assert(count <= kMaxTiles);
    const auto low = [](WORD word) { return static_cast<BYTE>(word & 0xFF); };
    const auto high = [](WORD word) { return static_cast<BYTE>(word >> 8); };
    const std::array<BYTE, kTilesetHeaderBytes> header{low(words.first), high(words.first),
                                                       low(count),       high(count),
                                                       low(words.last),  high(words.last)};
    platform::PendingFile file(fileName);
    file.Write(header);
    file.Write(tiles);
    file.Commit();
}

}  // namespace orvane::tileset
