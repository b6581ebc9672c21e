// The main window Form1 without its widgets: the canvas Picture1, the file dialog CommonDialog1,
// the state the two commands share, the window's size, and the commands of the File menu.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tileset/see_through_mask.h"
#include "tileset/tileset_file.h"
#include "viewer/canvas.h"
#include "viewer/common_dialog.h"
#include "viewer/picture_export.h"

namespace orvane::viewer {

// Save As's word for a name that writes nothing.
inline constexpr std::string_view kNothingSaved =
    "Nothing was saved. A name that ends in \"bmp\" saves a bitmap, one that ends in \"jpg\" "
    "a JPEG (in lower case).";
// Save As's word for a name that asks for a PNG.
inline constexpr std::string_view kPngNotSaved =
    "Nothing was saved. File > Export PNG saves PNGs; here a name that ends in \"bmp\" saves a "
    "bitmap, one that ends in \"jpg\" a JPEG (in lower case).";
// Export PNG's word for a name that writes nothing.
inline constexpr std::string_view kNothingExported =
    "Nothing was saved. Only a name that ends in \"png\" (in lower case) saves a PNG.";

// Whether a name is that of a picture that File > Open Picture shows as a tileset: one ending in
// ".png" or ".tsx", in any case, as the desktop's file types match them.
bool IsPictureName(std::string_view fileName);

// File > Open's painting: file's whole mosaic on a new picture of canvas, which takes the old
// one's place once whole (Canvas::Replace), painted in bands of rows on every usable processor.
// seeThrough, when given, learns which pixels are see-through, busy hears true while it paints
// and false after, and finish, when given, works on the new picture before it is shown. Raises
// OutOfMemory (7) for a mosaic too large, and the file's read errors (and finish's); the canvas
// then keeps its old picture.
void PaintMosaic(Canvas& canvas, const tileset::TilesetFile& file,
                 tileset::SeeThroughMask* seeThrough, const std::function<void(bool)>& busy = {},
                 const std::function<void(const platform::BitmapBits&)>& finish = {});

class MainForm {
  public:
    explicit MainForm(CommonDialog& dialog) : CommonDialog1(dialog) {}
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // The window's outer size in twips. A negative value raises InvalidPropertyValue (380).
    float Width() const { return width_; }
    void Width(float twips);
    float Height() const { return height_; }
    void Height(float twips);

    // File > Open: asks for a tileset and paints all its tiles on Picture1, 19 to a row, then
    // fits Picture1 and the window to the mosaic. Raises the file's open and read errors,
    // InvalidFileFormat (321) for a damaged file or one cut short while it is read, and
    // OutOfMemory (7) for a mosaic too large. A cancel, or any of those, changes nothing: not
    // Picture1, not the window, not bTilesetLoaded or TilesetHeader.
    void mnuOpen_Click();
    // File > Open for a tileset named without the dialog (on the command line, or dropped on the
    // window): the same command, as if fileName had been chosen in the dialog.
    void OpenFile(const std::string& fileName);
    // File > Open Picture: asks for a PNG sheet or a Tiled tileset ("Pictures (*.png *.tsx)", in
    // a dialog titled "Open Picture") and shows the tileset orvane-pack makes of it
    // (tileset::TilesFromPicture) as Open shows a tileset file. Raises what that raises, with
    // orvane-pack's reasons, and Open's errors; either changes nothing, as for Open.
    void mnuOpenPicture_Click();
    // File > Open Picture for a picture named without the dialog.
    void OpenPictureFile(const std::string& fileName);
    // The shown file opened again, as it was opened: as a tileset, or as a picture.
    void OpenAgain();
    // Whether the shown tileset was made of a picture, and not read from a tileset file.
    bool ShownAsPicture() const { return picture_.has_value(); }
    // File > Save As: asks for a name and writes Picture1 as a bitmap when it ends in "bmp" or as
    // a JPEG at quality 90 when it ends in "jpg" (WriteBitmap, WriteJpeg), then confirms; any
    // other name writes nothing and says so, with the endings that write (and, for "png", the
    // command that writes PNGs); a cancel writes and shows nothing. Says "No tileset loaded!" (no
    // dialog) before the first Open. Raises the writers' errors.
    void mnuSaveAs_Click();
    // File > Export PNG: asks for a name ("Pngs|*.png", in a dialog titled "Export PNG") and, when
    // it ends in "png", writes the tileset the window shows as a PNG with see-through pixels
    // transparent, made of the canvas and SeeThrough() (WritePng; the file is not read again),
    // then confirms; any other name, and a cancel, write and show nothing. Says "No tileset
    // loaded!" (no dialog) before the first Open. Raises the writer's errors.
    void mnuExportPng_Click();
    // File > Save Tileset: asks for a name ("Tileset Files (*.tst)", in a dialog titled "Save
    // Tileset") and writes the tileset made of the shown picture, the very file orvane-pack
    // writes of it, then says "Tileset saved: N tiles"; a cancel writes and shows nothing. Says
    // "No picture loaded!" (no dialog) unless a picture is shown. Raises WriteTileset's errors.
    void mnuSaveTileset_Click();

    // After every change of Width or Height.
    void OnResize(std::function<void()> listener) { resizeListener_ = std::move(listener); }
    // true while a tileset is being painted, then false (also when painting fails).
    void OnBusy(std::function<void(bool)> listener) { busyListener_ = std::move(listener); }

    Canvas Picture1;
    CommonDialog& CommonDialog1;

    // Shared by the commands.
    bool bTilesetLoaded = false;
    struct tileset::TilesetHeader TilesetHeader;

    // Which pixels of Picture1 the loaded tileset left see-through: the view shows them apart, and
    // Export PNG makes them transparent. A bit a pixel: 4 MB beside the largest canvas's 100.
    const tileset::SeeThroughMask& SeeThrough() const { return seeThrough_; }
    // Whether Open also works out FirstCopies, for a view that marks them: the command line has no
    // use for them. The mask is kept either way.
    void TrackSeeThrough(bool track) { trackSeeThrough_ = track; }
    // For each tile of the loaded tileset, the first tile identical to it (itself when none is
    // earlier), worked out once an Open, for the view's marks and the status bar; kept only while
    // TrackSeeThrough is on.
    const std::vector<int>& FirstCopies() const { return firstCopies_; }
    // The file the loaded tileset came from, for opening it again; "" before the first Open.
    const std::string& TilesetFileName() const { return tilesetFileName_; }

  private:
    // The start of a command that writes what the window shows: "No tileset loaded!" and false
    // before the first Open, else the save dialog shown with filter and title, "" for its own
    // (its FileName then holds the answer, "" for a cancel).
    bool AskSaveName(const char* filter, const char* title = "");
    // The Open command; chooseFile stands in for the dialog and gives the name, "" for a cancel,
    // and asPicture tells how the file is read.
    void Open(const std::function<std::string()>& chooseFile, bool asPicture = false);
    // Writes what the window shows to name in format, then says so.
    void Export(ExportFormat format, const std::string& name);

    float width_ = 4800;
    float height_ = 3600;
    std::function<void()> resizeListener_;
    std::function<void(bool)> busyListener_;
    tileset::SeeThroughMask seeThrough_;
    bool trackSeeThrough_ = false;
    std::vector<int> firstCopies_;
    std::string tilesetFileName_;
    std::optional<tileset::TilesetFile> picture_;  // the tileset made of the shown picture
};

}  // namespace orvane::viewer
