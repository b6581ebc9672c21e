#include "viewer/main_form.h"

#include <algorithm>
#include <cmath>

#include "jpeg/mjpeg_encoder.h"
#include "platform/msgbox.h"
#include "platform/parallel.h"
#include "platform/runtime_error.h"
#include "platform/save_picture.h"
#include "tileset/paint.h"
#include "tileset/png.h"
#include "viewer/tile_copies.h"

namespace orvane::viewer {
namespace {

constexpr char kTilesetFilter[] = "Tileset Files (*.tst)|*.tst";
constexpr char kPictureFilter[] = "Jpegs|*.jpg|Bmps|*.bmp|Gifs|*.gif";
constexpr char kPngFilter[] = "Pngs|*.png";
constexpr char kExportPngTitle[] = "Export PNG";
constexpr LONG kJpegQuality = 90;

// What the window needs around the canvas, in twips.
constexpr float kWindowWidthMargin = 100;
constexpr float kWindowHeightMargin = 800;

// Mosaic rows painted by one job: about 2 MB of the canvas, a huge page, so that jobs running
// side by side seldom share one while the kernel clears it on first touch; and enough jobs on
// the largest mosaic (48) for the threads to finish together.
constexpr int kRowsPerJob = 36;

void CheckSize(float twips) {
    if (!std::isfinite(twips) || twips < 0) {
        platform::Raise(platform::ErrorNumber::InvalidPropertyValue);
    }
}

// Tells the view that painting runs, for as long as a scope lasts.
class BusyScope {
  public:
    explicit BusyScope(const std::function<void(bool)>& listener) : listener_(listener) {
        if (listener_) {
            listener_(true);
        }
    }
    ~BusyScope() {
        if (listener_) {
            listener_(false);
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    const std::function<void(bool)>& listener_;
};

}  // namespace

void MainForm::Width(float twips) {
    CheckSize(twips);
    width_ = twips;
    if (resizeListener_) {
        resizeListener_();
    }
}

void MainForm::Height(float twips) {
    CheckSize(twips);
    height_ = twips;
    if (resizeListener_) {
        resizeListener_();
    }
}

void MainForm::mnuOpen_Click() {
    Open([this] {
        CommonDialog1.CancelError(false);
        CommonDialog1.Filter(kTilesetFilter);
        CommonDialog1.DialogTitle("");
        CommonDialog1.ShowOpen();
        return CommonDialog1.FileName();
    });
}

void MainForm::OpenFile(const std::string& fileName) {
    // The dialog holds the name as if it had been chosen in it, so the next dialog starts in the
    // tileset's folder.
    Open([&] {
        CommonDialog1.FileName(fileName);
        return fileName;
    });
}

void MainForm::Open(const std::function<std::string()>& chooseFile) {
    const std::string fileName = chooseFile();
    if (fileName.empty()) {
        return;
    }

    // Everything that can refuse the file is asked before the window changes: a file that cannot
    // be opened, a damaged one, or a mosaic too large for memory leaves the loaded mosaic whole,
    // so Save As still writes what the user sees.
    tileset::TilesetFile file(fileName);
    const tileset::MosaicSize mosaic = tileset::MosaicSizeFor(file.Header().TileCount);
    tileset::SeeThroughMask seeThrough(mosaic.width, mosaic.height);
    // The new mosaic is painted on a picture of its own, which replaces the shown one only once
    // it is whole: a file cut short while it is read, or anything else that fails on the way,
    // leaves the window, the loaded tileset and Save As as they were. It costs a second picture
    // while the tiles are painted (up to 100 MB), the price of a file read whole before painting
    // too, without giving up reading one band of tiles while another is painted.
    // The view's copies are found on that picture too, before it is shown.
    std::vector<int> firstCopies;
    Picture1.Replace(
        Picture1.ScaleX(static_cast<float>(mosaic.width), ScaleMode::Pixels, ScaleMode::Twips),
        Picture1.ScaleY(static_cast<float>(mosaic.height), ScaleMode::Pixels, ScaleMode::Twips),
        [&](const platform::BitmapBits& picture) {
            PaintTiles(file, picture, &seeThrough);
            if (trackSeeThrough_) {
                firstCopies = FirstCopiesOnCanvas(picture, seeThrough, file.Tiles());
            }
        });
    file.Close();

    TilesetHeader = file.Header();
    seeThrough_ = std::move(seeThrough);
    firstCopies_ = std::move(firstCopies);
    tilesetFileName_ = fileName;
    Height(Picture1.Height() + kWindowHeightMargin);
    Width(Picture1.Width() + kWindowWidthMargin);
    Picture1.Refresh();
    bTilesetLoaded = true;
}

// Bands of mosaic rows, painted on as many threads as the process has processors. Each thread
// reads its band's tiles and writes its band's canvas rows: the reading of one band overlaps the
// painting of another, and the kernel clears the canvas's fresh pages on both processors.
void MainForm::PaintTiles(const tileset::TilesetFile& file, const platform::BitmapBits& picture,
                          tileset::SeeThroughMask* seeThrough) {
    const int rows = tileset::MosaicRowsFor(file.Tiles());
    if (rows == 0) {
        return;
    }
    BusyScope busy(busyListener_);
    const int jobs = (rows + kRowsPerJob - 1) / kRowsPerJob;
    platform::ParallelFor(
        static_cast<std::size_t>(jobs), platform::UsableProcessors(), [&](std::size_t job) {
            const int first = static_cast<int>(job) * kRowsPerJob;
            tileset::PaintMosaicRows(file, first, std::min(kRowsPerJob, rows - first), picture,
                                     Canvas::BackColor(), seeThrough);
        });
}

SaveFormat SaveFormatOf(std::string_view fileName) {
    const std::string_view last =
        fileName.substr(fileName.size() - std::min<std::size_t>(3, fileName.size()));
    if (last == "bmp") {
        return SaveFormat::Bitmap;
    }
    if (last == "jpg") {
        return SaveFormat::Jpeg;
    }
    if (last == "png") {
        return SaveFormat::Png;
    }
    return SaveFormat::None;
}

bool MainForm::AskSaveName(const char* filter, const char* title) {
    if (!bTilesetLoaded) {
        platform::MsgBox("No tileset loaded!");
        return false;
    }
    CommonDialog1.Filter(filter);
    CommonDialog1.DialogTitle(title);
    CommonDialog1.CancelError(false);
    CommonDialog1.ShowSave();
    return true;
}

// Errors are left to the caller, which reports them; the canvas is only ever read here.
void MainForm::mnuSaveAs_Click() {
    if (!AskSaveName(kPictureFilter)) {
        return;
    }
    const std::string& name = CommonDialog1.FileName();
    const SaveFormat format = SaveFormatOf(name);
    if (format == SaveFormat::Bitmap) {
        platform::SavePicture(Picture1.Image(), name);
        platform::MsgBox("Save complete!");
    } else if (format == SaveFormat::Jpeg) {
        if (mJPEGEncoder::SavePictureAsJpeg(Picture1, name, kJpegQuality)) {
            platform::MsgBox("File saved!");
        }
    } else if (format == SaveFormat::Png) {
        platform::MsgBox(kPngNotSaved);
    } else if (!name.empty()) {
        platform::MsgBox(kNothingSaved);
    }
}

// The picture is what the window shows: the canvas, with the mask telling its see-through pixels
// from a tile's own pixels of the background colour. The file may have changed since.
void MainForm::mnuExportPng_Click() {
    if (!AskSaveName(kPngFilter, kExportPngTitle)) {
        return;
    }
    const std::string& name = CommonDialog1.FileName();
    if (SaveFormatOf(name) == SaveFormat::Png) {
        tileset::SaveTilesetAsPng({Picture1.Bits(), seeThrough_, TilesetHeader.TileCount}, name);
        platform::MsgBox(kPngSaved);
    } else if (!name.empty()) {
        platform::MsgBox(kNothingExported);
    }
}

}  // namespace orvane::viewer
