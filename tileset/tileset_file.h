// A tileset file opened for reading, and a tileset file written from tiles.
#pragma once

#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/binary_file.h"
#include "platform/windef.h"
#include "tileset/format.h"

namespace orvane::tileset {

// The header's two words that readers ignore. Whatever a tool keeps of a tileset, it keeps them:
// they may mean something to the program that wrote the file.
struct FreeWords {
    WORD first = 0;
    WORD last = 0;
};
inline FreeWords FreeWordsOf(const TilesetHeader& header) {
    return {header.Unknown1, header.Unknown2};
}

// A tileset file opened for reading, its header read and its length checked against it: every
// tile the header counts is there to be read. What follows the last counted tile plays no part.
class TilesetFile {
  public:
    // Raises the file's open and read errors, and InvalidFileFormat (321) for a file shorter than
    // a header, or one that ends before the last tile its header counts; the reason says which
    // in words ("the header counts 100 tiles, the file holds 2").
    explicit TilesetFile(const std::string& fileName);
    // The file WriteTileset would write of tiles (whole tiles, at most kMaxTiles) and words,
    // held in memory instead: a picture's tiles, shown before they are saved.
    TilesetFile(std::vector<BYTE> tiles, const FreeWords& words);
    TilesetFile(TilesetFile&& other) noexcept
        : file_(std::move(other.file_)),
          held_(std::move(other.held_)),
          header_(other.header_),
          readFailed_(other.readFailed_.load()) {}

    const struct TilesetHeader& Header() const { return header_; }
    // The tiles to paint: the header's count, or 0 for a count of 0 or below.
    int Tiles() const { return header_.TileCount > 0 ? header_.TileCount : 0; }

    // Tiles first, first + 1, ... (from 0) into out, whole tiles of kTileBytes each. Raises
    // InvalidFileFormat when the file has shrunk meanwhile, so that a file being rewritten is
    // never shown half. Several threads may read at once, each into a block of its own.
    void ReadTiles(int first, std::span<BYTE> out) const;

    // Whether a read of tiles has failed: what is raised while a picture is made of them is then
    // the tileset's failure, not the picture's.
    bool ReadFailed() const { return readFailed_; }

    // The tiles of a tileset held in memory; none for a file.
    std::span<const BYTE> HeldTiles() const { return held_; }

    void Close() noexcept {
        if (file_) {
            file_->Close();
        }
    }

  private:
    std::optional<platform::BinaryFile> file_;
    std::vector<BYTE> held_;
    struct TilesetHeader header_;
    mutable std::atomic<bool> readFailed_ = false;
};

// Writes a tileset file of the tiles (whole tiles of kTileBytes, at most kMaxTiles of them): a
// header that counts them and holds words, then the tiles. An existing file is replaced only once
// the new one is complete (platform::PendingFile), and raises its errors.
void WriteTileset(const std::string& fileName, std::span<const BYTE> tiles, FreeWords words = {});

}  // namespace orvane::tileset
