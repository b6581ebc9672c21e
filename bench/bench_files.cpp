// Files for the whole-program comparisons in bench/export_jobs.sh:
//   bench_files tileset TILES PATH [KIND]
//                                    a tileset of TILES tiles of a kind (bench/tile_kinds.h):
//                                    pixel art unless KIND says otherwise
//   bench_files ppm TILESET PATH     the mosaic that File > Open paints for TILESET, as a binary
//                                    PPM, for cjpeg to compress the very pixels orvane-export does
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "bench/tile_kinds.h"
#include "dib/cdibsection.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/main_form.h"

namespace {

int WritePpm(const std::string& tileset, const std::string& path) {
    orvane::viewer::ScriptedDialog dialog({tileset});
    orvane::viewer::MainForm form(dialog);
    form.mnuOpen_Click();
    orvane::cDIBSection dib;
    dib.Create(form.Picture1.PixelWidth(), form.Picture1.PixelHeight());
    dib.LoadPictureBlt(form.Picture1.hDC());

    const int width = dib.Width();
    const int height = dib.Height();
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    std::vector<char> row(3 * static_cast<std::size_t>(width));
    // The buffer's rows are bottom-up blue, green, red; a PPM's are top-down red, green, blue.
    for (int y = height - 1; y >= 0; --y) {
        const BYTE* from =
            dib.DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(y) * dib.BytesPerScanLine();
        for (std::size_t i = 0; i < row.size(); i += 3) {
            row[i] = static_cast<char>(from[i + 2]);
            row[i + 1] = static_cast<char>(from[i + 1]);
            row[i + 2] = static_cast<char>(from[i]);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if ((args.size() == 3 || args.size() == 4) && args[0] == "tileset") {
        const int tiles = std::stoi(std::string(args[1]));
        if (tiles < 1 || tiles > 32'767) {
            std::cerr << "bench_files: TILES must be 1 to 32767\n";
            return 2;
        }
        const auto* kind = orvane::bench::FindTileKind(args.size() == 4 ? args[3] : "pixelart");
        if (kind == nullptr) {
            std::cerr << "bench_files: KIND is one of:";
            for (const auto& known : orvane::bench::kTileKinds) {
                std::cerr << ' ' << known.name;
            }
            std::cerr << '\n';
            return 2;
        }
        orvane::bench::WriteTileset(std::string(args[2]), tiles, kind->pixels);
        return 0;
    }
    if (args.size() == 3 && args[0] == "ppm") {
        return WritePpm(std::string(args[1]), std::string(args[2]));
    }
    std::cerr << "Usage: bench_files tileset TILES PATH [KIND]\n"
                 "       bench_files ppm TILESET PATH\n";
    return 2;
}
