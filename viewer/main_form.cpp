#include "viewer/main_form.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "platform/msgbox.h"
#include "platform/parallel.h"
#include "platform/runtime_error.h"
#include "tileset/paint.h"
#include "tileset/tsx.h"
#include "viewer/tile_copies.h"

namespace orvane::viewer {
namespace {

constexpr char kTilesetFilter[] = "Tileset Files (*.tst)|*.tst";
constexpr char kPictureFilter[] = "Jpegs|*.jpg|Bmps|*.bmp|Gifs|*.gif";
constexpr char kPngFilter[] = "Pngs|*.png";
constexpr char kExportPngTitle[] = "Export PNG";
constexpr char kOpenPictureFilter[] = "Pictures (*.png *.tsx)|*.png;*.tsx";
constexpr char kOpenPictureTitle[] = "Open Picture";
constexpr char kSaveTilesetTitle[] = "Save Tileset";

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

// Bands of mosaic rows, painted on as many threads as the process has processors. Each thread
// reads its band's tiles and writes its band's rows of picture: the reading of one band overlaps
// the painting of another, and the kernel clears the picture's fresh pages on both processors.
void PaintBands(const tileset::TilesetFile& file, const platform::BitmapBits& picture,
                tileset::SeeThroughMask* seeThrough, const std::function<void(bool)>& busy) {
    const int rows = tileset::MosaicRowsFor(file.Tiles());
    if (rows == 0) {
        return;
    }
    BusyScope busyScope(busy);
    const int jobs = (rows + kRowsPerJob - 1) / kRowsPerJob;
    platform::ParallelFor(
        static_cast<std::size_t>(jobs), platform::UsableProcessors(), [&](std::size_t job) {
            const int first = static_cast<int>(job) * kRowsPerJob;
            tileset::PaintMosaicRows(file, first, std::min(kRowsPerJob, rows - first), picture,
                                     Canvas::BackColor(), seeThrough);
        });
}

// The tileset orvane-pack would write of a picture, held in memory.
tileset::TilesetFile TilesetOfPicture(const std::string& fileName) {
    const tileset::PictureTiles tiles = tileset::TilesFromPicture(fileName);
    return tileset::TilesetFile(std::vector<BYTE>(tiles.Tiles().begin(), tiles.Tiles().end()),
                                tiles.words);
}

}  // namespace

bool IsPictureName(std::string_view fileName) {
    const auto endsIn = [&](std::string_view ending) {
        return fileName.size() >= ending.size() &&
               std::equal(
                   ending.begin(), ending.end(), fileName.end() - ending.size(),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    };
    return endsIn(".png") || endsIn(".tsx");
}

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

void MainForm::mnuOpenPicture_Click() {
    Open(
        [this] {
            CommonDialog1.CancelError(false);
            CommonDialog1.Filter(kOpenPictureFilter);
            CommonDialog1.DialogTitle(kOpenPictureTitle);
            CommonDialog1.ShowOpen();
            return CommonDialog1.FileName();
        },
        true);
}

void MainForm::OpenPictureFile(const std::string& fileName) {
    Open(
        [&] {
            CommonDialog1.FileName(fileName);
            return fileName;
        },
        true);
}

void MainForm::OpenAgain() {
    const std::string fileName = tilesetFileName_;
    if (ShownAsPicture()) {
        OpenPictureFile(fileName);
    } else {
        OpenFile(fileName);
    }
}

void MainForm::Open(const std::function<std::string()>& chooseFile, bool asPicture) {
    const std::string fileName = chooseFile();
    if (fileName.empty()) {
        return;
    }

    // Everything that can refuse the file is asked before the window changes: a file that cannot
    // be opened, a damaged one, or a mosaic too large for memory leaves the loaded mosaic whole,
    // so Save As still writes what the user sees.
    tileset::TilesetFile file =
        asPicture ? TilesetOfPicture(fileName) : tileset::TilesetFile(fileName);
    const tileset::MosaicSize mosaic = tileset::MosaicSizeFor(file.Header().TileCount);
    tileset::SeeThroughMask seeThrough(mosaic.width, mosaic.height);
    // The view's copies are found on the new picture too, before it is shown.
    std::vector<int> firstCopies;
    PaintMosaic(Picture1, file, &seeThrough, busyListener_,
                [&](const platform::BitmapBits& picture) {
                    if (trackSeeThrough_) {
                        firstCopies = FirstCopiesOnCanvas(picture, seeThrough, file.Tiles());
                    }
                });
    file.Close();

    TilesetHeader = file.Header();
    seeThrough_ = std::move(seeThrough);
    firstCopies_ = std::move(firstCopies);
    tilesetFileName_ = fileName;
    picture_.reset();
    if (asPicture) {
        picture_.emplace(std::move(file));
    }
    Height(Picture1.Height() + kWindowHeightMargin);
    Width(Picture1.Width() + kWindowWidthMargin);
    Picture1.Refresh();
    bTilesetLoaded = true;
}

// The new mosaic is painted on a picture of its own, which replaces the shown one only once it
// is whole: a file cut short while it is read, or anything else that fails on the way, leaves the
// window, the loaded tileset and Save As as they were. It costs a second picture while the tiles
// are painted (up to 100 MB), the price of a file read whole before painting too, without giving
// up reading one band of tiles while another is painted.
void PaintMosaic(Canvas& canvas, const tileset::TilesetFile& file,
                 tileset::SeeThroughMask* seeThrough, const std::function<void(bool)>& busy,
                 const std::function<void(const platform::BitmapBits&)>& finish) {
    const tileset::MosaicSize mosaic = tileset::MosaicSizeFor(file.Header().TileCount);
    canvas.Replace(
        canvas.ScaleX(static_cast<float>(mosaic.width), ScaleMode::Pixels, ScaleMode::Twips),
        canvas.ScaleY(static_cast<float>(mosaic.height), ScaleMode::Pixels, ScaleMode::Twips),
        [&](const platform::BitmapBits& picture) {
            PaintBands(file, picture, seeThrough, busy);
            if (finish) {
                finish(picture);
            }
        });
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

// The window hands every writer what it shows: the canvas, which pixels of it are see-through,
// and how many tiles it holds. The file is not read again.
void MainForm::Export(ExportFormat format, const std::string& name) {
    const ExportWriter& writer = WriterOf(format);
    writer.write({.canvas = Picture1,
                  .seeThrough = seeThrough_,
                  .tiles = TilesetHeader.TileCount,
                  .words = tileset::FreeWordsOf(TilesetHeader)},
                 name);
    platform::MsgBox(writer.saved);
}

// Errors are left to the caller, which reports them; the canvas is only ever read here.
void MainForm::mnuSaveAs_Click() {
    if (!AskSaveName(kPictureFilter)) {
        return;
    }
    const std::string& name = CommonDialog1.FileName();
    const std::optional<ExportFormat> format = ExportFormatOf(name);
    if (format == ExportFormat::Bitmap || format == ExportFormat::Jpeg) {
        Export(*format, name);
    } else if (format == ExportFormat::Png) {
        platform::MsgBox(kPngNotSaved);
    } else if (!name.empty()) {
        platform::MsgBox(kNothingSaved);
    }
}

void MainForm::mnuExportPng_Click() {
    if (!AskSaveName(kPngFilter, kExportPngTitle)) {
        return;
    }
    const std::string& name = CommonDialog1.FileName();
    if (ExportFormatOf(name) == ExportFormat::Png) {
        Export(ExportFormat::Png, name);
    } else if (!name.empty()) {
        platform::MsgBox(kNothingExported);
    }
}

void MainForm::mnuSaveTileset_Click() {
    if (!picture_) {
        platform::MsgBox("No picture loaded!");
        return;
    }
    CommonDialog1.Filter(kTilesetFilter);
    CommonDialog1.DialogTitle(kSaveTilesetTitle);
    CommonDialog1.CancelError(false);
    CommonDialog1.ShowSave();
    const std::string& name = CommonDialog1.FileName();
    if (name.empty()) {
        return;
    }
    tileset::WriteTileset(name, picture_->HeldTiles(), tileset::FreeWordsOf(picture_->Header()));
    const int count = picture_->Tiles();
    platform::MsgBox("Tileset saved: " + std::to_string(count) + (count == 1 ? " tile" : " tiles"));
}

}  // namespace orvane::viewer
