// PNG's row filters on 8-bit RGBA rows, for the writer: each row is stored as a filter type and
// the row's bytes less a prediction from their neighbours, which deflate then shrinks far better
// on shaded pictures than the bytes themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane::png {

enum class Filtering {
    // Every row as it is (filter type None): best where few colours repeat in patterns, as in
    // dithering, where any prediction breaks the patterns up.
    None,
    // Each row through the filter whose output has the least sum of magnitudes, taking the bytes
    // as signed (libpng's heuristic, and Pillow's).
    Adaptive,
};

// The bytes `rows` take filtered: a filter type byte before each row.
constexpr std::size_t FilteredBytes(std::size_t rows, std::size_t rowBytes) {
    return rows * (rowBytes + 1);
}

// Filters rows, whole rows of rowBytes (a multiple of 4) each, into out (FilteredBytes of them).
// The first row never refers to a row above it (None or Sub only): rows filtered apart then
// decode apart, so pictures can be filtered and compressed in bands.
void FilterRows(std::span<const std::uint8_t> rows, std::size_t rowBytes, Filtering filtering,
                std::span<std::uint8_t> out);

// Undoes FilterRows: filtered (a type byte before each row of rowBytes) into rows. False for a
// filter type that is none of the five, or a first row that refers to a row above it, which
// only a picture filtered whole may hold: rows is then left part done.
bool UnfilterRows(std::span<const std::uint8_t> filtered, std::size_t rowBytes,
                  std::span<std::uint8_t> rows);

}  // namespace orvane::png
