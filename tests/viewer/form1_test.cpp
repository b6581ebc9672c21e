// The window under the offscreen platform, driven through its menu with a scripted dialog.
#include "viewer/qt/form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QScreen>

#include "tests/support/temp_dir.h"
#include "tests/viewer/tileset_files.h"
#include "viewer/qt/qt_common_dialog.h"

namespace {

using orvane::testing::SignatureColour;
using orvane::testing::TempDir;
using orvane::testing::TilesetBytes;
using orvane::testing::WriteFile;
using orvane::viewer::Form1;
using orvane::viewer::QtNameFilters;
using orvane::viewer::ScriptedDialog;

QRgb Qt(COLORREF c) {
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

TEST(QtNameFilters, TranslatesDescriptionPatternPairs) {
    EXPECT_EQ(QtNameFilters("Tileset Files (*.tst)|*.tst"), "Tileset Files (*.tst)");
    EXPECT_EQ(QtNameFilters("Old (*.bmp)|*.jpg"), "Old (*.bmp) (*.jpg)");
    EXPECT_EQ(QtNameFilters("Jpegs|*.jpg|Bmps|*.bmp|Gifs|*.gif"),
              "Jpegs (*.jpg);;Bmps (*.bmp);;Gifs (*.gif)");
    EXPECT_EQ(QtNameFilters("Pictures|*.bmp;*.jpg"), "Pictures (*.bmp *.jpg)");
}

TEST(Form1, OpensThroughItsMenuAndFitsItselfToTheMosaic) {
    int argc = 1;
    char name[] = "form1_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    TempDir dir;
    WriteFile(dir / "small.tst", TilesetBytes(20, 20));
    WriteFile(dir / "tall.tst", TilesetBytes(600, 600));  // 32 rows: 1 024 pixels high
    ScriptedDialog dialog({dir / "small.tst", dir / "tall.tst"});
    Form1 form(&dialog);
    form.show();

    EXPECT_EQ(form.windowTitle(), "Orvane");
    auto* file = form.findChild<QMenu*>("mnuFile");
    auto* open = form.findChild<QAction*>("mnuOpen");
    auto* saveAs = form.findChild<QAction*>("mnuSaveAs");
    ASSERT_TRUE(file && open && saveAs);
    EXPECT_EQ(file->title(), "File");
    EXPECT_EQ(open->text(), "&Open");
    EXPECT_EQ(saveAs->text(), "&Save As");
    EXPECT_EQ(open->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(saveAs->shortcut(), QKeySequence(QKeySequence::SaveAs));
    EXPECT_EQ(file->actions(), (QList<QAction*>{open, saveAs}));

    open->trigger();

    ASSERT_TRUE(form.Model().bTilesetLoaded);
    // 608 x 64 pixels of canvas; the window 9 220 x 1 760 twips.
    EXPECT_EQ(form.frameGeometry().size(), QSize(615, 117));
    EXPECT_EQ(form.Picture1Widget().size(), QSize(608, 64));
    EXPECT_EQ(form.Picture1Widget().mapTo(&form, QPoint(0, 0)),
              form.centralWidget()->mapTo(&form, QPoint(0, 0)));
    const QImage shown = form.Picture1Widget().grab().toImage();
    EXPECT_EQ(shown.pixel(0, 0), Qt(SignatureColour(0, 1, 1)));
    EXPECT_EQ(shown.pixel(607, 0), Qt(SignatureColour(18, 32, 1)));
    EXPECT_EQ(shown.pixel(0, 63), Qt(SignatureColour(19, 1, 32)));
    EXPECT_EQ(shown.pixel(607, 63), qRgb(240, 240, 240));

    open->trigger();

    const QSize available = form.screen()->availableGeometry().size();
    ASSERT_LT(available.height(), (1024 * 15 + 800) / 15) << "the screen must be the smaller";
    EXPECT_EQ(form.frameGeometry().size(), QSize(615, available.height()));
    EXPECT_EQ(form.Picture1Widget().size(), QSize(608, 1024)) << "scrolled, not cut";
}

}  // namespace
