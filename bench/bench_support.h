// What the benchmarks share: a folder for their files, a JPEG writer's floor, and tiles that look
// like pixel art.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "platform/windef.h"

namespace orvane::bench {

// A folder of its own for a run's files, gone with everything in it when the run ends.
class BenchFolder {
  public:
    BenchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// A writer's floor: the bytes written to a fresh file with plain write() calls, nothing else.
// False when the file could not be written whole.
inline bool WriteWhole(const std::string& path, std::span<const BYTE> bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return done == bytes.size();
}

// A JPEG writer's floor: tjCompress2 of the same bottom-up rows of blue, green and red into
// memory, 4:4:4 as the export writes, once an iteration. The size of the JPEG, in bytes. State is
// benchmark::State: a template, so that the programs that only write files need not link the
// benchmark library.
template <class State>
unsigned long CompressInMemory(State& state, const BYTE* rows, int width, int stride, int height,
                               int quality) {
    tjhandle compressor = tjInitCompress();
    unsigned long size = 0;
    for ([[maybe_unused]] auto _ : state) {
        unsigned char* jpeg = nullptr;
        const int result = tjCompress2(compressor, rows, width, stride, height, TJPF_BGR, &jpeg,
                                       &size, TJSAMP_444, quality, TJFLAG_BOTTOMUP);
        tjFree(jpeg);
        if (result != 0) {
            state.SkipWithError("tjCompress2 failed");
            break;
        }
    }
    tjDestroy(compressor);
    return size;
}

struct Rgb {
    BYTE r, g, b;
};

// Pixel (x, y), from 0, of tile number tile: each tile a colour of its own, shaded in steps, with
// a dark outline and a few single-pixel highlights. Flat runs and hard edges as in real tilesets,
// so an encoder works as it would on them; noise would not.
inline Rgb PixelArt(unsigned tile, int x, int y) {
    if (x == 0 || y == 0 || x == 31 || y == 31) {
        return {24, 24, 24};
    }
    if ((x * 7 + y * 3 + static_cast<int>(tile)) % 41 == 0) {
        return {250, 250, 250};
    }
    const unsigned hash = tile * 2'654'435'761u;
    const int shade = (x + y) / 8 * 12;
    const auto channel = [shade](unsigned value) {
        return static_cast<BYTE>(std::min(255, static_cast<int>(value & 0xFF) / 2 + shade));
    };
    return {channel(hash >> 24), channel(hash >> 16), channel(hash >> 8)};
}

using TileKind = Rgb (*)(unsigned tile, int x, int y);

// Writes a tileset of `tiles` tiles (1 to 32 767) of a kind: the 6-byte header, then each tile
// column by column from the top, red, green, blue.
inline void WriteTileset(const std::string& path, int tiles, TileKind kind) {
    std::string bytes = {0, 0, static_cast<char>(tiles & 0xFF), static_cast<char>(tiles >> 8),
                         0, 0};
    bytes.reserve(6 + static_cast<std::size_t>(tiles) * 3072);
    for (unsigned tile = 0; tile < static_cast<unsigned>(tiles); ++tile) {
        for (int x = 0; x < 32; ++x) {
            for (int y = 0; y < 32; ++y) {
                const Rgb c = kind(tile, x, y);
                bytes.push_back(static_cast<char>(c.r));
                bytes.push_back(static_cast<char>(c.g));
                bytes.push_back(static_cast<char>(c.b));
            }
        }
    }
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void WritePixelArtTileset(const std::string& path, int tiles) {
    WriteTileset(path, tiles, PixelArt);
}

}  // namespace orvane::bench
