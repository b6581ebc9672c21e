// The main window: the menus, Picture1 at the client area's origin, and the status bar. It routes
// the menus, the keys, a tileset dropped on the window and a change of the shown file on disk to
// the commands of MainForm and of the view, and shows what they hold.
#pragma once

#include <QActionGroup>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/canvas_widget.h"
#include "viewer/folder_tilesets.h"
#include "viewer/main_form.h"
#include "viewer/mosaic_view.h"
#include "viewer/recent_files.h"
#include "viewer/reload_watch.h"
#include "viewer/view_settings.h"

class QAction;
class QMenu;

namespace orvane::gui {

class Form1 : public QMainWindow {
    Q_OBJECT

  public:
    // dialog: the file dialog for the commands, kept by the caller; null for Qt's own.
    explicit Form1(viewer::CommonDialog* dialog = nullptr);
    ~Form1() override;

    viewer::MainForm& Model() { return model_; }
    CanvasWidget& Picture1Widget() { return canvasWidget_; }

    // Opens a tileset as File > Open does, or a picture (viewer::IsPictureName) as File > Open
    // Picture does, without the dialog; an error is reported as the menu's are.
    void OpenFile(const std::string& fileName);
    // File > Reload: the shown file again. Should it be gone or damaged, the picture stays and
    // the status bar says why.
    void Reload();

    // File > Open Recent starts from files and hands every change to store. Without this call
    // the list lives as long as the window, and nothing is stored.
    void UseRecentFiles(const std::vector<std::string>& files,
                        std::function<void(const std::vector<std::string>&)> store);

    // The view starts as settings has it (zoom, grid, background, the window's size), and every
    // change of them, and the window's size when it closes, goes to store. Without this call the
    // view starts as it always does, and nothing is stored.
    void UseViewSettings(const viewer::ViewSettings& settings,
                         std::function<void(const viewer::ViewSettings&)> store);

    // How long the shown file must stay unchanged on disk before it is opened again.
    static constexpr int kSettleMs = 300;

  protected:
    // A drag that carries files may be dropped, as a copy. The drop opens one local .tst file as
    // File > Open does, or a picture as File > Open Picture does, and says why it opens nothing
    // for anything else: several files, a folder, a file of another kind, a file elsewhere.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenus();
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildViewMenu();
    void BuildBackgroundMenu(QMenu* view);
    // View > Next Tileset, Previous Tileset and Full Screen.
    void BuildBrowseActions(QMenu* view);
    // Opens the tileset beside the one shown (or the one last tried) in its folder; at either end
    // the status bar says so.
    void Browse(viewer::Direction direction);
    void ToggleFullScreen();
    viewer::ViewSettings ViewSettingsNow() const;
    // Hands the view's settings to the store when they have changed.
    void StoreViewSettings();
    // An item of a menu, named for the tests and the keys it answers to.
    static QAction* AddAction(QMenu* menu, const QString& text, const char* name,
                              const QList<QKeySequence>& keys);
    // Runs a command of the model; an error is shown with what was being done to which file.
    void Run(const char* doing, const std::function<void()>& command);
    // Title, status bar, menus and the watch on the file, after any command.
    void AfterCommand();
    // The window around the zoomed mosaic, inside the screen; a frame not yet known counts as
    // none, and the window is fitted again once the window manager has framed it.
    void FitToMosaic();
    viewer::FitRequest FitRequestNow() const;
    // The least zoom, for the mosaic shown and the screen: the step at which all of it fits.
    void UpdateZoomFloor();
    QSize Decoration() const;
    // The least client width that shows the menus whole (not folded into "»"), the status bar's
    // summary of what is open and, as far as it can be told, the title.
    int ChromeWidth() const;
    // Opens the shown file again; a failure goes to the status bar, and the picture stays.
    void Reopen();
    // Watches fileName and its folder; the folder stays watched while the file is shown.
    void Watch(const std::string& fileName);
    void FileChangedOnDisk();
    void LookAtFile();
    void RebuildRecentMenu();
    void ShowPointer(const QString& text);

    std::unique_ptr<viewer::CommonDialog> ownDialog_;
    viewer::MainForm model_;
    CanvasWidget canvasWidget_;
    QLabel pointerLabel_;  // the status line
    QLabel zoomLabel_;
    QString pointer_;  // what the view last said about the pointer
    QString summary_;  // what is open
    QAction* reload_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* grid_ = nullptr;
    QAction* nextTileset_ = nullptr;
    QAction* previousTileset_ = nullptr;
    QAction* fullScreen_ = nullptr;
    QAction* saveTileset_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    // No parent: a child added while the window is being made reaches event() before the members
    // below exist.
    QActionGroup backgrounds_{nullptr};

    // A dropped tileset, or why a drop opens nothing, waits here until the drop has finished.
    std::string droppedFile_;
    std::string dropRefusal_;
    QTimer dropTimer_;

    bool opened_ = false;      // an Open succeeded during the current command
    std::string notice_;       // why the last reload failed; "" once an Open succeeds
    bool fitted_ = false;      // the window has been fitted to a mosaic at least once
    QSize assumedDecoration_;  // the frame the last fit counted with

    // The tileset Next and Previous go on from: the one shown, or the one last tried, should it
    // not have opened.
    std::string browsed_;
    viewer::ViewSettings storedView_;
    std::function<void(const viewer::ViewSettings&)> storeView_;

    viewer::RecentFiles recent_;
    std::function<void(const std::vector<std::string>&)> storeRecent_;

    QFileSystemWatcher watcher_;
    std::string watchedFile_;
    QTimer lookTimer_;
    viewer::ReloadWatch reloadWatch_;
};

}  // namespace orvane::gui
