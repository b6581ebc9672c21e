#include "gui/form1.h"

#include <QAction>
#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>

#include "gui/qt_common_dialog.h"
#include "platform/msgbox.h"
#include "viewer/copy_tile.h"
#include "viewer/error_report.h"
#include "viewer/status_text.h"

namespace orvane::gui {
namespace {

// The window before any tileset: room for the hint on how to open one.
constexpr QSize kEmptyClientSize(480, 300);

viewer::CommonDialog& DialogFor(viewer::CommonDialog* given,
                                std::unique_ptr<viewer::CommonDialog>& own, QWidget* parent) {
    if (given != nullptr) {
        return *given;
    }
    own = std::make_unique<QtCommonDialog>(parent);
    return *own;
}

// A viewer takes a copy: a source told "move" may delete the user's file. Any drag of files is
// taken, so that a drop that opens nothing can say why.
bool AcceptAsCopy(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data == nullptr || !data->hasUrls() || !event->possibleActions().testFlag(Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

QString Local(const std::string& text) {
    return QString::fromStdString(text);
}

// What a drop of urls asks for: the one local tileset file (*.tst, in any case, as the desktop's
// file type matches it) to open, as File > Open would open it, or picture (viewer::IsPictureName)
// as File > Open Picture would; or, for anything else, why nothing is opened.
struct DropRequest {
    std::string file;
    QString refusal;
};

DropRequest ReadDrop(const QList<QUrl>& urls) {
    const QString nothing = QObject::tr("Nothing was opened: ");
    if (urls.size() != 1) {
        return {{},
                nothing + QObject::tr("%1 files were dropped, and Orvane shows one tileset at a "
                                      "time. Drop one .tst file.")
                              .arg(urls.size())};
    }
    const QUrl& url = urls.front();
    if (!url.isLocalFile()) {
        return {{},
                nothing + QObject::tr("'%1' is not a file on this computer. Save it first, then "
                                      "open it.")
                              .arg(url.toDisplayString())};
    }
    const QFileInfo info(url.toLocalFile());
    if (info.isDir()) {
        return {
            {},
            nothing +
                QObject::tr("'%1' is a folder. Drop a tileset file (.tst).").arg(info.fileName())};
    }
    std::string file = QFile::encodeName(info.filePath()).toStdString();
    if (info.suffix().compare("tst", Qt::CaseInsensitive) != 0 && !viewer::IsPictureName(file)) {
        return {{},
                nothing + QObject::tr("'%1' is not a tileset file (.tst), nor a picture (.png, "
                                      ".tsx) to show as one.")
                              .arg(info.fileName())};
    }
    return {std::move(file), {}};
}

}  // namespace

Form1::Form1(viewer::CommonDialog* dialog)
    : model_(DialogFor(dialog, ownDialog_, this)), canvasWidget_(model_) {
    model_.TrackSeeThrough(true);  // the view marks copies
    setWindowTitle(Local(viewer::WindowTitle("")));
    setWindowIcon(QIcon(":/icons/orvane.svg"));
    setAcceptDrops(true);
    dropTimer_.setSingleShot(true);
    dropTimer_.setInterval(0);
    connect(&dropTimer_, &QTimer::timeout, this, [this] {
        if (dropRefusal_.empty()) {
            OpenFile(droppedFile_);
        } else {
            platform::MsgBox(dropRefusal_);
        }
    });

    BuildMenus();
    setCentralWidget(&canvasWidget_);
    // The pointer's text may be long; it must not make the window wider than the mosaic.
    pointerLabel_.setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(&pointerLabel_, 1);
    statusBar()->addPermanentWidget(&zoomLabel_);
    connect(&canvasWidget_, &CanvasWidget::PointerMoved, this, &Form1::ShowPointer);
    connect(&canvasWidget_, &CanvasWidget::ZoomChanged, this, [this] {
        zoomLabel_.setText(Local(viewer::ZoomText(canvasWidget_.View().Zoom())));
        FitToMosaic();
        StoreViewSettings();
    });

    model_.Picture1.OnResize([this] { canvasWidget_.FollowModel(); });
    model_.Picture1.OnRefresh([this] { canvasWidget_.FollowModel(); });
    // Open sets the window's size once the mosaic is painted, and only then.
    model_.OnResize([this] {
        opened_ = true;
        canvasWidget_.FollowModel();
        UpdateZoomFloor();
        FitToMosaic();
    });
    model_.OnBusy([](bool busy) {
        if (busy) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
    });

    lookTimer_.setInterval(kSettleMs);
    connect(&lookTimer_, &QTimer::timeout, this, &Form1::LookAtFile);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &Form1::FileChangedOnDisk);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &Form1::FileChangedOnDisk);

    resize(kEmptyClientSize);
    AfterCommand();
}

Form1::~Form1() = default;

void Form1::BuildMenus() {
    BuildFileMenu();
    BuildEditMenu();
    BuildViewMenu();
}

QAction* Form1::AddAction(QMenu* menu, const QString& text, const char* name,
                          const QList<QKeySequence>& keys) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcuts(keys);
    return action;
}

void Form1::BuildFileMenu() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName("mnuFile");
    connect(AddAction(file, tr("&Open\u2026"), "mnuOpen", {QKeySequence::Open}),
            &QAction::triggered, this,
            [this] { Run("reading", [this] { model_.mnuOpen_Click(); }); });
    connect(AddAction(file, tr("Open P&icture\u2026"), "mnuOpenPicture", {}), &QAction::triggered,
            this, [this] { Run("reading", [this] { model_.mnuOpenPicture_Click(); }); });
    reload_ = AddAction(file, tr("Re&load"), "mnuReload", {QKeySequence(Qt::Key_F5)});
    connect(reload_, &QAction::triggered, this, &Form1::Reload);
    connect(AddAction(file, tr("&Save As\u2026"), "mnuSaveAs",
                      {QKeySequence("Ctrl+S"), QKeySequence("Ctrl+Shift+S")}),
            &QAction::triggered, this,
            [this] { Run("writing", [this] { model_.mnuSaveAs_Click(); }); });
    connect(AddAction(file, tr("Export &PNG\u2026"), "mnuExportPng", {}), &QAction::triggered, this,
            [this] { Run("writing", [this] { model_.mnuExportPng_Click(); }); });
    saveTileset_ = AddAction(file, tr("Save &Tileset\u2026"), "mnuSaveTileset", {});
    connect(saveTileset_, &QAction::triggered, this,
            [this] { Run("writing", [this] { model_.mnuSaveTileset_Click(); }); });
    file->addSeparator();
    recentMenu_ = file->addMenu(tr("Open &Recent"));
    recentMenu_->setObjectName("mnuRecent");
    file->addSeparator();
    connect(AddAction(file, tr("&Quit"), "mnuQuit", {QKeySequence("Ctrl+Q")}), &QAction::triggered,
            this, &QWidget::close);
}

void Form1::BuildEditMenu() {
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName("mnuEdit");
    copy_ = AddAction(edit, tr("&Copy"), "mnuCopy", {QKeySequence("Ctrl+C")});
    connect(copy_, &QAction::triggered, this, [this] {
        if (!viewer::CopyToClipboard(model_.Picture1, canvasWidget_.View().Selection())) {
            statusBar()->showMessage(tr("Nothing was copied: the clipboard refused it."), 5000);
        }
    });
    connect(AddAction(edit, tr("Select &None"), "mnuSelectNone", {QKeySequence(Qt::Key_Escape)}),
            &QAction::triggered, this, [this] { canvasWidget_.Select(std::nullopt); });
}

void Form1::BuildViewMenu() {
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->setObjectName("mnuView");
    const auto zoomAction = [&](const QString& text, const char* name,
                                const QList<QKeySequence>& keys, const std::function<int()>& zoom) {
        connect(AddAction(view, text, name, keys), &QAction::triggered, this, [this, zoom] {
            UpdateZoomFloor();
            canvasWidget_.ZoomTo(zoom());
        });
    };
    zoomAction(tr("Zoom &In"), "mnuZoomIn", {QKeySequence("Ctrl+="), QKeySequence("Ctrl++")},
               [this] { return canvasWidget_.View().Zoom() + 1; });
    zoomAction(tr("Zoom &Out"), "mnuZoomOut", {QKeySequence("Ctrl+-")},
               [this] { return canvasWidget_.View().Zoom() - 1; });
    zoomAction(tr("&Actual Size"), "mnuActualSize", {QKeySequence("Ctrl+0")},
               [] { return viewer::kActualSize; });
    zoomAction(tr("&Fit"), "mnuFit", {}, [this] {
        return viewer::FitZoom(canvasWidget_.View().Canvas(), canvasWidget_.Ratio(),
                               FitRequestNow());
    });
    zoomAction(tr("Fit &Whole"), "mnuFitWhole", {}, [this] {
        return viewer::FitWholeZoom(canvasWidget_.View().Canvas(), canvasWidget_.Ratio(),
                                    FitRequestNow());
    });
    view->addSeparator();
    grid_ = AddAction(view, tr("&Grid"), "mnuGrid", {QKeySequence(Qt::Key_G)});
    grid_->setCheckable(true);
    connect(grid_, &QAction::toggled, this, [this](bool on) {
        canvasWidget_.SetGrid(on);
        StoreViewSettings();
    });
    QAction* duplicates = AddAction(view, tr("Mark &Duplicates"), "mnuMarkDuplicates", {});
    duplicates->setCheckable(true);
    connect(duplicates, &QAction::toggled, &canvasWidget_, &CanvasWidget::SetMarkDuplicates);
    BuildBackgroundMenu(view);
    BuildBrowseActions(view);
}

void Form1::BuildBackgroundMenu(QMenu* view) {
    QMenu* background = view->addMenu(tr("&Background"));
    background->setObjectName("mnuBackground");
    for (const auto& [text, name, choice] :
         {std::tuple{tr("&Window Colour"), "mnuWindowColour", viewer::Background::WindowColour},
          std::tuple{tr("&Checkerboard"), "mnuCheckerboard", viewer::Background::Checkerboard}}) {
        QAction* action = AddAction(background, text, name, {});
        action->setCheckable(true);
        action->setChecked(choice == canvasWidget_.View().background);
        action->setData(static_cast<int>(choice));
        backgrounds_.addAction(action);
        connect(action, &QAction::triggered, this, [this, shown = choice] {
            canvasWidget_.SetBackground(shown);
            StoreViewSettings();
        });
    }
}

void Form1::Run(const char* doing, const std::function<void()>& command) {
    opened_ = false;
    platform::RunCommand(command, [&](const platform::RuntimeError& error) {
        platform::MsgBox(
            viewer::RuntimeErrorMessage(error, doing, model_.CommonDialog1.FileName()));
    });
    AfterCommand();
}

void Form1::OpenFile(const std::string& fileName) {
    // Kept absolute, for the recent files and the dialogs: a name given relative to the folder
    // the program was started in means nothing from another.
    const std::string absolute = viewer::AbsoluteFileName(fileName);
    Run("reading", [&] {
        if (viewer::IsPictureName(absolute)) {
            model_.OpenPictureFile(absolute);
        } else {
            model_.OpenFile(absolute);
        }
    });
}

void Form1::Reload() {
    if (model_.bTilesetLoaded) {
        reloadWatch_.Shown(viewer::StampOf(model_.TilesetFileName()));
        Reopen();
    }
}

void Form1::Reopen() {
    const std::string name = model_.TilesetFileName();
    opened_ = false;
    const bool reopened = platform::RunCommand(
        [&] { model_.OpenAgain(); },
        [&](const platform::RuntimeError& error) {
            notice_ = viewer::ReloadFailure(
                error, QFileInfo(QFile::decodeName(name.c_str())).fileName().toStdString());
        });
    if (reopened) {
        notice_.clear();
    }
    AfterCommand();
}

void Form1::AfterCommand() {
    const bool loaded = model_.bTilesetLoaded;
    const std::string shown = loaded ? model_.TilesetFileName() : std::string();
    setWindowTitle(Local(viewer::WindowTitle(shown)));
    const viewer::MosaicView& view = canvasWidget_.View();
    summary_ =
        loaded
            ? Local(viewer::MosaicSummary(view.TileCount(), view.Canvas(), model_.ShownAsPicture()))
            : QString();
    zoomLabel_.setText(Local(viewer::ZoomText(canvasWidget_.View().Zoom())));
    reload_->setEnabled(loaded);
    copy_->setEnabled(loaded);
    nextTileset_->setEnabled(loaded);
    previousTileset_->setEnabled(loaded);
    saveTileset_->setEnabled(loaded && model_.ShownAsPicture());
    canvasWidget_.viewport()->update();

    if (opened_ && loaded) {
        opened_ = false;
        notice_.clear();
        browsed_ = shown;
        statusBar()->clearMessage();  // a word on the last file no longer holds
        // A file shown again (a reload) is first in the list already: the settings are not
        // written again each time an editor saves it.
        if (shown != watchedFile_) {
            recent_.Add(shown);
            if (storeRecent_) {
                storeRecent_(recent_.Files());
            }
            RebuildRecentMenu();
            canvasWidget_.StartOver();
        }
        Watch(shown);
    }
    ShowPointer(pointer_);
}

void Form1::ShowPointer(const QString& text) {
    // One line for all: the pointer's tile while there is one, else why a reload failed, else
    // what is open. The window may be as narrow as one mosaic row.
    pointer_ = text;
    QString line = text;
    if (line.isEmpty()) {
        line = notice_.empty() ? summary_ : Local(notice_);
    }
    pointerLabel_.setText(line);
}

void Form1::Watch(const std::string& fileName) {
    if (fileName != watchedFile_) {
        watchedFile_ = fileName;
        // Another file: its state when first seen is the one shown.
        reloadWatch_.Shown(viewer::StampOf(fileName));
        const QStringList watched = watcher_.files() + watcher_.directories();
        if (!watched.isEmpty()) {
            watcher_.removePaths(watched);
        }
    }
    // Editors often save by writing a new file and renaming it over the old one, which ends a
    // watch on the file itself; the folder's watch sees that, and the file is watched again
    // at the next look.
    const QString file = QFile::decodeName(fileName.c_str());
    const QString folder = QFileInfo(file).absolutePath();
    if (!watcher_.directories().contains(folder)) {
        watcher_.addPath(folder);
    }
    if (!watcher_.files().contains(file) && QFileInfo::exists(file)) {
        watcher_.addPath(file);
    }
}

void Form1::FileChangedOnDisk() {
    if (model_.bTilesetLoaded && !lookTimer_.isActive()) {
        lookTimer_.start();
        LookAtFile();
    }
}

void Form1::LookAtFile() {
    const std::string name = model_.TilesetFileName();
    const viewer::ReloadWatch::Step step = reloadWatch_.Look(viewer::StampOf(name));
    if (step == viewer::ReloadWatch::Step::Wait) {
        return;
    }
    lookTimer_.stop();
    Watch(name);
    if (step == viewer::ReloadWatch::Step::Reload) {
        Reopen();
    }
}

void Form1::UseRecentFiles(const std::vector<std::string>& files,
                           std::function<void(const std::vector<std::string>&)> store) {
    recent_ = viewer::RecentFiles(files);
    storeRecent_ = std::move(store);
    RebuildRecentMenu();
}

void Form1::RebuildRecentMenu() {
    recentMenu_->clear();
    int number = 0;
    for (const std::string& name : recent_.Files()) {
        const QString path = QFile::decodeName(name.c_str());
        QString label = QFileInfo(path).fileName();
        label.replace('&', "&&");
        QAction* action = recentMenu_->addAction(QString("&%1 %2").arg(++number % 10).arg(label));
        action->setStatusTip(path);
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, name] { OpenFile(name); });
    }
    recentMenu_->setEnabled(!recent_.Files().empty());
}

QSize Form1::Decoration() const {
    return isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
}

viewer::FitRequest Form1::FitRequestNow() const {
    viewer::FitRequest request;
    request.chromeHeight = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    const QSize decoration = Decoration();
    request.decoration = {decoration.width(), decoration.height()};
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        request.available = {area.x(), area.y(), area.width(), area.height()};
    }
    request.scrollBar = canvasWidget_.ScrollBarExtent();
    request.frameTopLeft = {frameGeometry().x(), frameGeometry().y()};
    const QSize least = minimumSizeHint();
    request.minimumClient = {std::max(least.width(), ChromeWidth()), least.height()};
    return request;
}

void Form1::UpdateZoomFloor() {
    canvasWidget_.SetZoomFloor(viewer::FitWholeZoom(canvasWidget_.View().Canvas(),
                                                    canvasWidget_.Ratio(), FitRequestNow()));
}

int Form1::ChromeWidth() const {
    // The pointer's label takes no room of its own (its text may be long); the summary of what
    // is open is measured as it will show there, before the label says it.
    const viewer::MosaicView& view = canvasWidget_.View();
    const QString text =
        Local(viewer::MosaicSummary(view.TileCount(), view.Canvas(), model_.ShownAsPicture()));
    const int summary = pointerLabel_.fontMetrics().boundingRect(QRect(), 0, text).width() +
                        2 * pointerLabel_.margin() + 2 * pointerLabel_.frameWidth();
    const int status = statusBar()->sizeHint().width() + summary;
    // The window manager draws the title, in a font and with buttons not known here: the title
    // is measured in the window's bold font, beside room for an icon, three buttons and the gaps
    // between them, each as wide as the frame's top is tall. Nothing is allowed while the frame
    // is not known.
    QFont bold = font();
    bold.setBold(true);
    const QSize frame = Decoration();
    const int title = frame.isEmpty() ? 0
                                      : QFontMetrics(bold).horizontalAdvance(
                                            Local(viewer::WindowTitle(model_.TilesetFileName()))) +
                                            5 * frame.height() - frame.width();
    return std::max({menuBar()->sizeHint().width(), status, title});
}

void Form1::FitToMosaic() {
    if (isMaximized() || isFullScreen()) {
        return;
    }
    viewer::FitRequest request = FitRequestNow();
    request.content = canvasWidget_.View().LogicalContent();
    const viewer::WindowFit fit = viewer::FitWindow(request);
    fitted_ = true;
    assumedDecoration_ = QSize(request.decoration.width, request.decoration.height);
    resize(fit.client.width, fit.client.height);
    if (isVisible() &&
        QPoint(fit.frameTopLeft.x, fit.frameTopLeft.y) != frameGeometry().topLeft()) {
        move(fit.frameTopLeft.x, fit.frameTopLeft.y);
    }
}

bool Form1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowStateChange) {
        fullScreen_->setChecked(isFullScreen());
    }
    // The window manager frames the window some time after it is shown: fit again then, so that
    // the frame, not only the client area, stays inside the screen.
    if (fitted_ &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::Show) &&
        Decoration() != assumedDecoration_) {
        FitToMosaic();
    }
    return handled;
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    AcceptAsCopy(event);
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
    AcceptAsCopy(event);
}

void Form1::dropEvent(QDropEvent* event) {
    if (!AcceptAsCopy(event)) {
        return;
    }
    // Opened, or refused, once the drop has finished: the program the file came from waits for
    // the drop's end, and should not wait through the painting or a message box.
    const DropRequest request = ReadDrop(event->mimeData()->urls());
    droppedFile_ = request.file;
    dropRefusal_ = request.refusal.toStdString();
    dropTimer_.start();
}

}  // namespace orvane::gui
