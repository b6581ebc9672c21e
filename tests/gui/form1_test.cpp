// The window under the offscreen platform, driven through its menu with a scripted dialog, given
// a tileset by name, and dropped on.
#include "gui/form1.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <filesystem>
#include <set>

#include "gui/qt_clipboard.h"
#include "gui/qt_common_dialog.h"
#include "tests/gui/test_application.h"
#include "tests/support/process.h"
#include "tests/support/recorders.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"
#include "viewer/common_dialog_testing.h"

namespace {

using orvane::gui::Form1;
using orvane::gui::QtNameFilters;
using orvane::testing::MessageBoxRecorder;
using orvane::testing::SignatureColour;
using orvane::testing::TempDir;
using orvane::testing::TestApplication;
using orvane::testing::TilesetBytes;
using orvane::testing::WriteFile;
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

QAction* Action(Form1& form, const char* name) {
    auto* action = form.findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
}

QWidget& Viewport(Form1& form) {
    return *form.Picture1Widget().viewport();
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
    QAction* open = Action(form, "mnuOpen");
    QAction* saveAs = Action(form, "mnuSaveAs");
    ASSERT_TRUE(file && open && saveAs);
    EXPECT_EQ(file->title(), "&File");
    EXPECT_EQ(open->text(), "&Open\u2026");
    EXPECT_EQ(saveAs->text(), "&Save As\u2026");
    EXPECT_EQ(open->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(saveAs->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+S"), QKeySequence("Ctrl+Shift+S")}));
    EXPECT_EQ(Action(form, "mnuQuit")->shortcut(), QKeySequence("Ctrl+Q"));

    open->trigger();

    ASSERT_TRUE(form.Model().bTilesetLoaded);
    EXPECT_EQ(form.windowTitle(), "small.tst \u2014 Orvane");
    EXPECT_EQ(Viewport(form).size(), QSize(608, 64)) << "the mosaic, exactly";
    const QImage shown = Viewport(form).grab().toImage();
    EXPECT_EQ(shown.pixel(0, 0), Qt(SignatureColour(0, 1, 1)));
    EXPECT_EQ(shown.pixel(607, 0), Qt(SignatureColour(18, 32, 1)));
    EXPECT_EQ(shown.pixel(0, 63), Qt(SignatureColour(19, 1, 32)));
    EXPECT_EQ(shown.pixel(607, 63), qRgb(240, 240, 240));

    open->trigger();

    const QSize available = form.screen()->availableGeometry().size();
    ASSERT_LT(available.height(), 1024) << "the screen must be the smaller";
    EXPECT_EQ(form.frameGeometry().height(), available.height());
    EXPECT_EQ(Viewport(form).width(), 608) << "beside the vertical scrollbar, not under it";
    EXPECT_TRUE(form.Picture1Widget().verticalScrollBar()->isVisible());
    EXPECT_FALSE(form.Picture1Widget().horizontalScrollBar()->isVisible());
    // Scrolled to the end, the last row shows whole.
    QScrollBar* bar = form.Picture1Widget().verticalScrollBar();
    bar->setValue(bar->maximum());
    const QImage end = Viewport(form).grab().toImage();
    EXPECT_EQ(end.pixel(0, end.height() - 1), Qt(SignatureColour(589, 1, 32)));
    EXPECT_EQ(end.pixel(0, end.height() - 32), Qt(SignatureColour(589, 1, 1)));

    // Zoomed, the window takes the screen's width, and the mosaic scrolls both ways.
    Action(form, "mnuZoomIn")->trigger();
    EXPECT_EQ(form.Picture1Widget().View().Zoom(), 2);
    EXPECT_EQ(form.frameGeometry().width(), available.width());
    EXPECT_TRUE(form.Picture1Widget().horizontalScrollBar()->isVisible());
    Action(form, "mnuFit")->trigger();
    EXPECT_EQ(form.Picture1Widget().View().Zoom(), 1) << "1216 pixels do not fit";
}

class Form1ByName : public ::testing::Test {
  protected:
    Form1ByName() {
        WriteFile(dir_ / "a.tst", TilesetBytes(25, 25));
        noDialog_.show();
    }

    // Every pixel of the canvas as the window shows it.
    static QImage Shown(Form1& form) { return Viewport(form).grab().toImage(); }

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
    // Named relative to the folder it was started in: kept absolute, for the recent files and
    // the next dialog, which may come from another folder.
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());

    noDialog_.OpenFile("./a.tst");

    EXPECT_EQ(none_.FileName(), std::filesystem::current_path() / "a.tst");
    std::filesystem::current_path(started);
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

    EXPECT_EQ(messages.prompts,
              std::vector<std::string>{"Run-time error '53':\n\nFile not found\n\nReading '" +
                                       dir_ / "absent.tst" + "'."});
    EXPECT_FALSE(fresh.Model().bTilesetLoaded);
    EXPECT_EQ(fresh.windowTitle(), "Orvane");
}

// What the window system hands over: the drag enters, then is dropped. The source offers copy,
// move and link, and proposes a move, as file managers do; a drop taken is taken as a copy.
bool Drop(Form1& form, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(QPoint(20, 40), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(20, 40), offered, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    if (enter.isAccepted()) {
        EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
        QApplication::sendEvent(&form, &drop);
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }
    QApplication::processEvents();
    return enter.isAccepted() && drop.isAccepted();
}

// Zooms in with the menu and scrolls back to the mosaic's top-left corner.
void ZoomIn(Form1& form, int steps) {
    for (int i = 0; i < steps; ++i) {
        Action(form, "mnuZoomIn")->trigger();
    }
    form.Picture1Widget().horizontalScrollBar()->setValue(0);
    form.Picture1Widget().verticalScrollBar()->setValue(0);
}

// Clicks the canvas at a point of the viewport.
void Click(Form1& form, QPoint at) {
    QTest::mouseClick(&Viewport(form), Qt::LeftButton, Qt::NoModifier, at);
}

// One local .tst file or picture opens; anything else says why nothing opens, as File > Open
// does.
TEST_F(Form1ByName, DropsOpenOneTilesetOrSayWhyNot) {
    WriteFile(dir_ / "b.png", "not a tileset");
    WriteFile(dir_ / "b.gif", "not a tileset");
    std::filesystem::create_directory(dir_ / "folder");
    const auto local = [&](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString(dir_ / name));
    };
    MessageBoxRecorder messages;
    for (const auto& [urls, said] : std::vector<std::pair<QList<QUrl>, std::string>>{
             {{local("b.gif")},
              "Nothing was opened: 'b.gif' is not a tileset file (.tst), nor a picture (.png, "
              ".tsx) to show as one."},
             {{local("b.png")}, "Run-time error '321':\n\nInvalid file format\n\nReading"},
             {{local("folder")}, "Nothing was opened: 'folder' is a folder."},
             {{local("a.tst"), local("a.tst")}, "Nothing was opened: 2 files were dropped"},
             {{QUrl("https://example.org/a.tst")}, "Nothing was opened: 'https://example.org/"},
             {{local("absent.tst")}, "Run-time error '53':\n\nFile not found\n\nReading"}}) {
        messages.prompts.clear();
        EXPECT_TRUE(Drop(noDialog_, urls));
        ASSERT_EQ(messages.prompts.size(), 1u) << said;
        EXPECT_EQ(messages.prompts[0].substr(0, said.size()), said);
    }
    EXPECT_FALSE(noDialog_.Model().bTilesetLoaded);
    EXPECT_TRUE(Drop(noDialog_, {local("a.tst")}));
    EXPECT_TRUE(noDialog_.Model().bTilesetLoaded);
    EXPECT_TRUE(none_.shown.empty());
}

// The window stays as wide as its menus and its status bar need, the mosaic at its top left.
TEST_F(Form1ByName, SmallTilesetsLeaveTheWindowWhole) {
    QLabel* status = noDialog_.statusBar()->findChildren<QLabel*>().constFirst();
    for (const auto& [count, said] : std::vector<std::pair<std::int16_t, std::string>>{
             {0, "0 tiles"},
             {-5, "0 tiles"},
             {1, "1 tile \u00B7 32 \u00D7 32 pixels"},
             {3, "3 tiles \u00B7 96 \u00D7 32 pixels"}}) {
        WriteFile(dir_ / "small.tst", TilesetBytes(count, std::max<int>(count, 0)));
        noDialog_.OpenFile(dir_ / "small.tst");
        EXPECT_EQ(status->text().toStdString(), said);
        EXPECT_GE(status->width(), status->sizeHint().width()) << said;
        EXPECT_FALSE(
            noDialog_.menuBar()->findChild<QToolButton*>("qt_menubar_ext_button")->isVisible())
            << said << ": no menu folded into \u00BB";
    }
    EXPECT_EQ(Shown(noDialog_).pixel(95, 31), Qt(SignatureColour(2, 32, 32)));
}

// Alt and a letter reach each item: no two items of one menu (the menu bar included) share one.
TEST_F(Form1ByName, NoTwoItemsOfAMenuShareAMnemonic) {
    noDialog_.UseRecentFiles(std::vector<std::string>(10, dir_ / "a.tst"), {});
    std::vector<QWidget*> menus{noDialog_.menuBar()};
    for (std::size_t i = 0; i < menus.size(); ++i) {
        std::set<QChar> letters;
        for (QAction* action : menus[i]->actions()) {
            if (action->menu() != nullptr) {
                menus.push_back(action->menu());
            }
            const QString text = QString(action->text()).remove("&&");
            if (!action->isSeparator()) {
                ASSERT_GE(text.indexOf('&'), 0) << action->text().toStdString();
                EXPECT_TRUE(letters.insert(text[text.indexOf('&') + 1].toLower()).second)
                    << action->text().toStdString();
            }
        }
    }
    EXPECT_EQ(menus.size(), 6u) << "the bar, File, Open Recent, Edit, View, Background";
}

TEST_F(Form1ByName, HomeEndAndPageKeysScroll) {
    WriteFile(dir_ / "tall.tst", TilesetBytes(600, 600));
    noDialog_.OpenFile(dir_ / "tall.tst");
    ZoomIn(noDialog_, 3);  // 2432 x 4096 pixels: a screenful either way of the middle
    QScrollBar* across = noDialog_.Picture1Widget().horizontalScrollBar();
    QScrollBar* down = noDialog_.Picture1Widget().verticalScrollBar();
    const QPoint end(across->maximum(), down->maximum());
    const QPoint middle = end / 2;
    const QPoint page(0, down->pageStep());
    for (const auto& [key, to] : std::vector<std::pair<QKeyCombination, QPoint>>{
             {Qt::Key_Home, {middle.x(), 0}},
             {Qt::Key_End, {middle.x(), end.y()}},
             {Qt::ControlModifier | Qt::Key_Home, {0, 0}},
             {Qt::ControlModifier | Qt::Key_End, end},
             {Qt::Key_PageUp, middle - page},
             {Qt::Key_PageDown, middle + page}}) {
        across->setValue(middle.x());
        down->setValue(middle.y());
        QTest::keyClick(&noDialog_.Picture1Widget(), key.key(), key.keyboardModifiers());
        EXPECT_EQ(QPoint(across->value(), down->value()), to)
            << QKeySequence(key).toString().toStdString();
    }
}

// Ctrl+- goes on below 1×, each step narrowing the window with the mosaic, and the status bar
// still names the tile under the pointer; Fit Whole shows all of the island sample.
TEST_F(Form1ByName, ZoomsOutBelowActualSizeUntilTheWholeMosaicFits) {
    WriteFile(dir_ / "long.tst", TilesetBytes(2000, 2000));  // 106 rows: 3 392 pixels high
    noDialog_.OpenFile(dir_ / "long.tst");
    noDialog_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&noDialog_));
    const orvane::viewer::MosaicView& view = noDialog_.Picture1Widget().View();
    std::vector<int> zooms{view.Zoom()};
    std::vector<int> widths{noDialog_.width()};
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(&noDialog_, Qt::Key_Minus, Qt::ControlModifier);
        zooms.push_back(view.Zoom());
        widths.push_back(noDialog_.width());
    }
    using orvane::viewer::ShrinkStep;
    EXPECT_EQ(zooms, (std::vector<int>{1, ShrinkStep(2), ShrinkStep(3)}));
    EXPECT_LT(widths[1], widths[0]);
    EXPECT_LE(widths[2], widths[1]);
    QWheelEvent wheel({15, 20}, {}, {}, {0, -120}, Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(noDialog_.Picture1Widget().viewport(), &wheel);
    EXPECT_EQ(view.Zoom(), ShrinkStep(4)) << "Ctrl+wheel, a notch towards the user";
    Action(noDialog_, "mnuZoomIn")->trigger();
    QTest::mouseMove(&Viewport(noDialog_), {15, 20});  // canvas (45, 60): tile 21's (13, 28)
    QLabel* status = noDialog_.statusBar()->findChildren<QLabel*>().constFirst();
    EXPECT_TRUE(status->text().contains("(13, 28 in tile)")) << status->text().toStdString();
    EXPECT_TRUE(status->text().startsWith("Tile 21 ")) << status->text().toStdString();

    noDialog_.OpenFile(ORVANE_ISLAND_TILESET);
    Action(noDialog_, "mnuFitWhole")->trigger();

    EXPECT_LT(view.Zoom(), 1);
    EXPECT_FALSE(noDialog_.Picture1Widget().verticalScrollBar()->isVisible());
    EXPECT_FALSE(noDialog_.Picture1Widget().horizontalScrollBar()->isVisible());
    EXPECT_LE(view.Content().height, Viewport(noDialog_).height());
}

// Closed and started again, the window keeps the zoom, the grid and the background, and fits
// itself to the next mosaic at that zoom.
TEST_F(Form1ByName, RestartingKeepsTheView) {
    WriteFile(dir_ / "tall.tst", TilesetBytes(600, 600));
    orvane::viewer::ViewSettings stored;
    QSize fitted;
    {
        Form1 first(&none_);
        first.UseViewSettings({}, [&](const orvane::viewer::ViewSettings& now) { stored = now; });
        first.show();
        first.OpenFile(dir_ / "tall.tst");
        Action(first, "mnuZoomOut")->trigger();
        Action(first, "mnuGrid")->trigger();
        Action(first, "mnuCheckerboard")->trigger();
        fitted = first.size();
        first.close();
    }
    Form1 second(&none_);
    second.UseViewSettings(stored, {});
    second.show();
    second.OpenFile(dir_ / "tall.tst");

    const orvane::viewer::MosaicView& view = second.Picture1Widget().View();
    EXPECT_EQ(view.Zoom(), orvane::viewer::ShrinkStep(2));
    EXPECT_TRUE(view.grid && Action(second, "mnuGrid")->isChecked());
    EXPECT_TRUE(view.background == orvane::viewer::Background::Checkerboard &&
                Action(second, "mnuCheckerboard")->isChecked());
    EXPECT_EQ(second.size(), fitted);
}

// Space and Backspace step through the folder's tilesets in a file manager's order, no further
// than either end; F11 fills the screen and gives it back.
TEST_F(Form1ByName, SpaceAndBackspaceGoThroughTheFolder) {
    WriteFile(dir_ / "t10.tst", TilesetBytes(3, 3));
    WriteFile(dir_ / "T9.tst", TilesetBytes(2, 2));
    noDialog_.OpenFile(dir_ / "a.tst");
    noDialog_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&noDialog_));
    std::vector<std::string> shown;
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Space, Qt::Key_Space, Qt::Key_Backspace}) {
        QTest::keyClick(&noDialog_, key);
        shown.push_back(noDialog_.windowTitle().section(' ', 0, 0).toStdString());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"T9.tst", "t10.tst", "t10.tst", "T9.tst"}));

    QTest::keyClick(&noDialog_, Qt::Key_F11);
    EXPECT_TRUE(noDialog_.isFullScreen());
    QTest::keyClick(&noDialog_, Qt::Key_F11);
    EXPECT_FALSE(noDialog_.isFullScreen());
}

TEST_F(Form1ByName, SaveAsWritesTheCanvasWhateverTheViewShows) {
    WriteFile(dir_ / "tall.tst", TilesetBytes(600, 600));
    ScriptedDialog dialog({dir_ / "tall.tst", dir_ / "before.bmp", dir_ / "before.jpg",
                           dir_ / "after.bmp", dir_ / "after.jpg", dir_ / "shrunk.bmp",
                           dir_ / "shrunk.jpg"});
    Form1 form(&dialog);
    form.show();
    MessageBoxRecorder messages;
    Action(form, "mnuOpen")->trigger();
    Action(form, "mnuSaveAs")->trigger();
    Action(form, "mnuSaveAs")->trigger();

    ZoomIn(form, 3);
    Action(form, "mnuGrid")->trigger();
    Action(form, "mnuCheckerboard")->trigger();
    Click(form, {200, 40});
    ASSERT_EQ(form.Picture1Widget().View().Selection(), 1) << "at 4x, tile 2";
    Action(form, "mnuSaveAs")->trigger();
    Action(form, "mnuSaveAs")->trigger();
    Action(form, "mnuFitWhole")->trigger();
    ASSERT_LT(form.Picture1Widget().View().Zoom(), 1);
    Action(form, "mnuSaveAs")->trigger();
    Action(form, "mnuSaveAs")->trigger();

    EXPECT_EQ(messages.prompts,
              (std::vector<std::string>{"Save complete!", "File saved!", "Save complete!",
                                        "File saved!", "Save complete!", "File saved!"}));
    for (const char* extension : {".bmp", ".jpg"}) {
        const std::string before =
            orvane::testing::ReadFile(dir_ / ("before" + std::string(extension)));
        EXPECT_EQ(orvane::testing::ReadFile(dir_ / ("after" + std::string(extension))), before);
        EXPECT_EQ(orvane::testing::ReadFile(dir_ / ("shrunk" + std::string(extension))), before);
    }
}

// Tiles 4 and 5 copy tiles 1 and 2; a reload without copies leaves nothing marked.
TEST_F(Form1ByName, MarksDuplicatesAndNamesTheirFirstCopy) {
    WriteFile(dir_ / "copies.tst", TilesetBytes(5, 5, [](int tile, int x, int y) {
                  return orvane::testing::Signature(tile % 3, x, y);
              }));
    noDialog_.OpenFile(dir_ / "copies.tst");
    Action(noDialog_, "mnuMarkDuplicates")->trigger();
    QTest::mouseMove(&Viewport(noDialog_), {3 * 32 + 5, 5});

    EXPECT_EQ(Shown(noDialog_).pixel(3 * 32, 0), orvane::viewer::kDuplicateColour);
    EXPECT_EQ(Shown(noDialog_).pixel(0, 0), Qt(SignatureColour(0, 1, 1)));
    QLabel* status = noDialog_.statusBar()->findChildren<QLabel*>().constFirst();
    EXPECT_TRUE(status->text().endsWith(" \u00B7 same as 1")) << status->text().toStdString();

    noDialog_.OpenFile(dir_ / "a.tst");

    EXPECT_EQ(Shown(noDialog_).pixel(3 * 32, 0), Qt(SignatureColour(3, 1, 1)));
}

TEST_F(Form1ByName, CopyPutsTheSelectedTileOrTheMosaicOnTheClipboard) {
    const orvane::gui::QtClipboardSink sink;
    noDialog_.OpenFile(dir_ / "a.tst");
    ZoomIn(noDialog_, 1);
    // 2x: tile 22 (from 1) is column 2 of the second row.
    Click(noDialog_, {2 * 64 + 5, 64 + 60});
    ASSERT_EQ(noDialog_.Picture1Widget().View().Selection(), 21);

    Action(noDialog_, "mnuCopy")->trigger();

    const QImage tile = QGuiApplication::clipboard()->image();
    ASSERT_EQ(tile.size(), QSize(32, 32));
    for (int y = 1; y <= 32; ++y) {
        for (int x = 1; x <= 32; ++x) {
            ASSERT_EQ(tile.pixel(x - 1, y - 1), Qt(SignatureColour(21, x, y)))
                << "(" << x << ", " << y << ")";
        }
    }

    Action(noDialog_, "mnuSelectNone")->trigger();
    Action(noDialog_, "mnuCopy")->trigger();

    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(608, 64));
}

TEST_F(Form1ByName, ShowsAFileRewrittenOnDiskAndKeepsTheViewOrSaysWhyNot) {
    noDialog_.OpenFile(dir_ / "a.tst");
    ZoomIn(noDialog_, 1);
    Click(noDialog_, {70, 10});
    const auto shownAt = [&](int x, int y) { return Shown(noDialog_).pixel(x, y); };
    ASSERT_EQ(shownAt(0, 0), Qt(SignatureColour(0, 1, 1)));

    // Written in two steps, as a slow program would: the first half is never shown.
    const std::string next = TilesetBytes(25, 25, [](int tile, int x, int y) {
        return orvane::testing::Signature(tile + 100, x, y);
    });
    WriteFile(dir_ / "a.tst", next.substr(0, next.size() / 2));
    QTest::qWait(Form1::kSettleMs / 3);
    WriteFile(dir_ / "a.tst", next);

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return shownAt(0, 0) == Qt(SignatureColour(100, 1, 1)); }, 5000));
    EXPECT_EQ(noDialog_.Picture1Widget().View().Zoom(), 2);
    EXPECT_EQ(noDialog_.Picture1Widget().View().Selection(), 1);
    QLabel* status = noDialog_.statusBar()->findChildren<QLabel*>().constFirst();
    EXPECT_EQ(status->text(), "25 tiles \u00B7 608 \u00D7 64 pixels");

    WriteFile(dir_ / "a.tst", TilesetBytes(100, 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith("Not"); }, 5000));
    EXPECT_EQ(status->text(),
              "Not reloaded: 'a.tst': error 321: Invalid file format (the header "
              "counts 100 tiles, the file holds 2)");
    EXPECT_EQ(shownAt(0, 0), Qt(SignatureColour(100, 1, 1)));
    EXPECT_TRUE(noDialog_.Model().bTilesetLoaded);

    // Cut short after its length was checked: the picture stays, and so do F5 and the watch.
    noDialog_.Model().OnBusy([&](bool busy) {
        if (busy) {
            std::filesystem::resize_file(dir_ / "a.tst", 9);
        }
    });
    WriteFile(dir_ / "a.tst", next);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().endsWith("read)"); }, 5000));
    EXPECT_EQ(shownAt(0, 0), Qt(SignatureColour(100, 1, 1)));
    EXPECT_TRUE(Action(noDialog_, "mnuReload")->isEnabled());
    noDialog_.Model().OnBusy({});
    WriteFile(dir_ / "a.tst", TilesetBytes(25, 25));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return shownAt(0, 0) == Qt(SignatureColour(0, 1, 1)); }, 5000));
}

// A sheet opens as the tileset orvane-pack makes of it, its tiles numbered in the status bar, and
// Save Tileset writes orvane-pack's file; what orvane-pack refuses is refused for its reason.
TEST_F(Form1ByName, ShowsAPictureAsOrvanePackPacksIt) {
    QImage sheet(96, 64, QImage::Format_RGBA8888);
    sheet.fill(Qt::transparent);
    for (int tile = 0; tile < 5; ++tile) {
        for (int y = 1; y <= 32; ++y) {
            for (int x = 1; x <= 32; ++x) {
                sheet.setPixel(tile % 3 * 32 + x - 1, tile / 3 * 32 + y - 1,
                               Qt(SignatureColour(tile, x, y)));
            }
        }
    }
    sheet.setText("Orvane first header word", "513");
    ASSERT_TRUE(sheet.save(QString::fromStdString(dir_ / "sheet.png")));
    ASSERT_TRUE(sheet.copy(0, 0, 100, 64).save(QString::fromStdString(dir_ / "wide.png")));
    ScriptedDialog dialog({dir_ / "sheet.png", dir_ / "window.tst"});
    Form1 form(&dialog);
    form.show();
    MessageBoxRecorder messages;
    QLabel* status = form.statusBar()->findChildren<QLabel*>().constFirst();
    EXPECT_FALSE(Action(form, "mnuSaveTileset")->isEnabled());

    Action(form, "mnuOpenPicture")->trigger();

    EXPECT_EQ(form.windowTitle(), "sheet.png \u2014 Orvane");
    EXPECT_EQ(status->text().toStdString(), "Picture \u00B7 5 tiles \u00B7 160 \u00D7 32 pixels");
    QTest::mouseMove(&Viewport(form), {4 * 32 + 5, 5});
    EXPECT_TRUE(status->text().startsWith("Tile 5 (byte 12294) ")) << status->text().toStdString();
    Action(form, "mnuSaveTileset")->trigger();
    EXPECT_EQ(messages.prompts, std::vector<std::string>{"Tileset saved: 5 tiles"});
    const TempDir packed;
    const orvane::testing::Outcome pack = orvane::testing::RunProgram(
        packed, ORVANE_PACK_PATH, {dir_ / "sheet.png", packed / "pack.tst"});
    ASSERT_EQ(pack.status, 0) << pack.err;
    EXPECT_TRUE(orvane::testing::ReadFile(dir_ / "window.tst") ==
                orvane::testing::ReadFile(packed / "pack.tst"));

    messages.prompts.clear();
    const orvane::testing::Outcome refused = orvane::testing::RunProgram(
        packed, ORVANE_PACK_PATH, {dir_ / "wide.png", packed / "wide.tst"});
    ASSERT_EQ(refused.status, 2);
    const std::size_t open = refused.err.find("format (") + 8;
    const std::string reason = refused.err.substr(open, refused.err.size() - open - 2);

    form.OpenFile(dir_ / "wide.png");

    ASSERT_EQ(messages.prompts.size(), 1u);
    EXPECT_TRUE(messages.prompts[0].ends_with("wide.png': " + reason + "."))
        << messages.prompts[0] << "\n"
        << reason;
    EXPECT_EQ(form.windowTitle(), "sheet.png \u2014 Orvane");
}

}  // namespace
