// The window under the offscreen platform, driven through its menu with a scripted dialog, given
// a tileset by name, and dropped on.
#include "gui/form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>

#include "tests/support/recorders.h"
#include "tests/support/temp_dir.h"
#include "tests/gui/test_application.h"
#include "tests/support/tileset_files.h"
#include "gui/qt_common_dialog.h"

namespace {

using orvane::testing::MessageBoxRecorder;
using orvane::testing::SignatureColour;
using orvane::testing::TempDir;
using orvane::testing::TestApplication;
using orvane::testing::TilesetBytes;
using orvane::testing::WriteFile;
using orvane::gui::Form1;
using orvane::gui::QtNameFilters;
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
    TestApplication app;
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
    EXPECT_FALSE(saveAs->shortcut().isEmpty());
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
    const int scrollBar = form.ScrollArea().verticalScrollBar()->sizeHint().width();
    EXPECT_EQ(form.frameGeometry().size(), QSize(615 + scrollBar, available.height()));
    EXPECT_EQ(form.Picture1Widget().size(), QSize(608, 1024)) << "scrolled, not cut";
    EXPECT_TRUE(form.ScrollArea().verticalScrollBar()->isVisible());
    EXPECT_FALSE(form.ScrollArea().horizontalScrollBar()->isVisible());
}

class Form1ByName : public ::testing::Test {
  protected:
    Form1ByName() {
        WriteFile(dir_ / "a.tst", TilesetBytes(25, 25));
        noDialog_.show();
    }

    // Every pixel of the canvas as the window shows it.
    static QImage Shown(Form1& form) { return form.Picture1Widget().grab().toImage(); }

    TestApplication app_;
    TempDir dir_;
    // Answers no dialog: any the window shows is recorded, and cancelled.
    ScriptedDialog none_;
    Form1 noDialog_{&none_};
};

TEST_F(Form1ByName, OpensAsFileOpenDoesOrReportsAndStaysEmpty) {
    ScriptedDialog menu({dir_ / "a.tst"});
    Form1 viaMenu(&menu);
    viaMenu.show();
    viaMenu.findChild<QAction*>("mnuOpen")->trigger();

    noDialog_.OpenFile(dir_ / "a.tst");

    EXPECT_TRUE(none_.shown.empty());
    EXPECT_EQ(noDialog_.frameGeometry().size(), viaMenu.frameGeometry().size());
    const QImage shown = Shown(noDialog_);
    EXPECT_EQ(shown.pixel(0, 32), Qt(SignatureColour(19, 1, 1)));
    EXPECT_EQ(shown, Shown(viaMenu));

    ScriptedDialog none;
    Form1 fresh(&none);
    fresh.show();
    MessageBoxRecorder messages;

    fresh.OpenFile(dir_ / "absent.tst");

    EXPECT_EQ(messages.prompts, std::vector<std::string>{"Run-time error '53':\n\nFile not found"});
    EXPECT_FALSE(fresh.Model().bTilesetLoaded);
    const QImage empty = Shown(fresh).convertToFormat(QImage::Format_RGB32);
    QImage background(empty.size(), QImage::Format_RGB32);
    background.fill(qRgb(240, 240, 240));
    EXPECT_EQ(empty, background) << "anything but the canvas's background";
}

// What the window system hands over: the drag enters, then is dropped.
bool Drop(Form1& form, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(20, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    if (enter.isAccepted()) {
        QApplication::sendEvent(&form, &drop);
    }
    QApplication::processEvents();
    return enter.isAccepted() && drop.isAccepted();
}

TEST_F(Form1ByName, OpensOneTilesetDroppedOnItAndRefusesAnythingElse) {
    WriteFile(dir_ / "b.png", "not a tileset");
    // The window system offers drags only to a widget that accepts them, or to its parents.
    ASSERT_TRUE(noDialog_.acceptDrops());

    EXPECT_FALSE(Drop(noDialog_, {QUrl::fromLocalFile(QString::fromStdString(dir_ / "b.png"))}));
    EXPECT_FALSE(Drop(noDialog_, {QUrl::fromLocalFile(QString::fromStdString(dir_ / "a.tst")),
                                  QUrl::fromLocalFile(QString::fromStdString(dir_ / "a.tst"))}));
    EXPECT_FALSE(Drop(noDialog_, {QUrl("https://example.org/a.tst")}));
    EXPECT_FALSE(noDialog_.Model().bTilesetLoaded);

    EXPECT_TRUE(Drop(noDialog_, {QUrl::fromLocalFile(QString::fromStdString(dir_ / "a.tst"))}));

    EXPECT_TRUE(noDialog_.Model().bTilesetLoaded);
    EXPECT_TRUE(none_.shown.empty());
    EXPECT_EQ(Shown(noDialog_).pixel(607, 0), Qt(SignatureColour(18, 32, 1)));
}

}  // namespace
