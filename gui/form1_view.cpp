// Form1's view beyond one tileset: the settings it keeps between launches, the tilesets beside
// the shown one, and full screen.
#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStatusBar>

#include "gui/form1.h"

namespace orvane::gui {

void Form1::BuildBrowseActions(QMenu* view) {
    view->addSeparator();
    // Space and Backspace, as in Gwenview, gThumb, feh and Eye of GNOME: Page Up and Page Down
    // scroll through the mosaic here, and the arrows scroll a zoomed one.
    nextTileset_ =
        AddAction(view, tr("&Next Tileset"), "mnuNextTileset", {QKeySequence(Qt::Key_Space)});
    connect(nextTileset_, &QAction::triggered, this, [this] { Browse(viewer::Direction::Next); });
    previousTileset_ = AddAction(view, tr("&Previous Tileset"), "mnuPreviousTileset",
                                 {QKeySequence(Qt::Key_Backspace)});
    connect(previousTileset_, &QAction::triggered, this,
            [this] { Browse(viewer::Direction::Previous); });
    view->addSeparator();
    fullScreen_ = AddAction(view, tr("Full &Screen"), "mnuFullScreen", {QKeySequence(Qt::Key_F11)});
    fullScreen_->setCheckable(true);
    connect(fullScreen_, &QAction::triggered, this, &Form1::ToggleFullScreen);
}

void Form1::Browse(viewer::Direction direction) {
    if (!model_.bTilesetLoaded) {
        return;
    }
    const std::string from = browsed_.empty() ? model_.TilesetFileName() : browsed_;
    const std::optional<std::string> neighbour = viewer::NeighbourTileset(from, direction);
    if (!neighbour) {
        const QString name = QFileInfo(QFile::decodeName(from.c_str())).fileName();
        statusBar()->showMessage(
            (direction == viewer::Direction::Next ? tr("No tileset after '%1' in its folder.")
                                                  : tr("No tileset before '%1' in its folder."))
                .arg(name),
            5000);
        return;
    }
    // Should it not open, the next step goes on past it.
    browsed_ = *neighbour;
    OpenFile(*neighbour);
}

void Form1::ToggleFullScreen() {
    setWindowState(windowState() ^ Qt::WindowFullScreen);
    if (!isFullScreen() && fitted_) {
        FitToMosaic();
    }
}

void Form1::UseViewSettings(const viewer::ViewSettings& settings,
                            std::function<void(const viewer::ViewSettings&)> store) {
    storeView_ = {};
    canvasWidget_.RestoreZoom(settings.zoom);
    grid_->setChecked(settings.grid);
    for (QAction* action : backgrounds_.actions()) {
        if (action->data().toInt() == static_cast<int>(settings.background)) {
            action->trigger();
        }
    }
    if (settings.windowSize.width > 0 && settings.windowSize.height > 0) {
        resize(settings.windowSize.width, settings.windowSize.height);
    }
    if (settings.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    storedView_ = settings;
    storeView_ = std::move(store);
}

viewer::ViewSettings Form1::ViewSettingsNow() const {
    const viewer::MosaicView& view = canvasWidget_.View();
    // A window maximized or full screen goes back to its own size.
    const QSize size = isMaximized() || isFullScreen() ? normalGeometry().size() : this->size();
    return {view.WantedZoom(),
            view.grid,
            view.background,
            {size.width(), size.height()},
            windowState().testFlag(Qt::WindowMaximized)};
}

void Form1::StoreViewSettings() {
    const viewer::ViewSettings now = ViewSettingsNow();
    if (storeView_ && now != storedView_) {
        storedView_ = now;
        storeView_(now);
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    StoreViewSettings();
    QMainWindow::closeEvent(event);
}

}  // namespace orvane::gui
