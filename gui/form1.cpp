#include "gui/form1.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "viewer/error_report.h"
#include "gui/qt_common_dialog.h"

namespace orvane::gui {
namespace {

viewer::CommonDialog& DialogFor(viewer::CommonDialog* given, std::unique_ptr<viewer::CommonDialog>& own, QWidget* parent) {
    if (given != nullptr) {
        return *given;
    }
    own = std::make_unique<QtCommonDialog>(parent);
    return *own;
}

// The tileset a drag carries: one local file named *.tst (any case, as the desktop's file type
// matches it). Empty for anything else, several files included, since one window shows one.
QString DraggedTileset(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return {};
    }
    const QString name = urls.front().toLocalFile();
    return name.endsWith(".tst", Qt::CaseInsensitive) ? name : QString();
}

}  // namespace

Form1::Form1(viewer::CommonDialog* dialog)
    : model_(DialogFor(dialog, ownDialog_, this)), canvasWidget_(model_.Picture1) {
    setWindowTitle("Orvane");
    setWindowIcon(QIcon(":/icons/orvane.svg"));
    setAcceptDrops(true);
    dropTimer_.setSingleShot(true);
    dropTimer_.setInterval(0);
    connect(&dropTimer_, &QTimer::timeout, this, [this] { OpenFile(droppedFile_); });

    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("mnuFile");
    QAction* open = file->addAction("&Open");
    open->setObjectName("mnuOpen");
    open->setShortcut(QKeySequence::Open);
    // An error a command raises is reported, and the window carries on.
    connect(open, &QAction::triggered, this,
            [this] { viewer::RunReportingErrors([this] { model_.mnuOpen_Click(); }); });
    QAction* saveAs = file->addAction("&Save As");
    saveAs->setObjectName("mnuSaveAs");
    // Qt's generic X11 theme binds no key to Save As; GNOME, KDE and Windows all use this one.
    const QKeySequence saveAsKeys(QKeySequence::SaveAs);
    saveAs->setShortcut(saveAsKeys.isEmpty() ? QKeySequence("Ctrl+Shift+S") : saveAsKeys);
    connect(saveAs, &QAction::triggered, this,
            [this] { viewer::RunReportingErrors([this] { model_.mnuSaveAs_Click(); }); });

    scrollArea_.setFrameShape(QFrame::NoFrame);
    scrollArea_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollArea_.setWidgetResizable(false);
    scrollArea_.setWidget(&canvasWidget_);
    setCentralWidget(&scrollArea_);

    model_.Picture1.OnResize([this] { canvasWidget_.FollowCanvasSize(); });
    model_.Picture1.OnRefresh([this] {
        canvasWidget_.FollowCanvasSize();
        canvasWidget_.update();
    });
    model_.OnResize([this] { FollowModelSize(); });
    model_.OnBusy([](bool busy) {
        if (busy) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
    });
    FollowModelSize();
}

Form1::~Form1() {
    // The canvas widget and the scroll area are members, not children Qt may delete: take them
    // back from their parents explicitly, whatever order the members and bases go in.
    scrollArea_.takeWidget();
    takeCentralWidget();
}

void Form1::OpenFile(const std::string& fileName) {
    viewer::RunReportingErrors([&] { model_.OpenFile(fileName); });
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!DraggedTileset(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    const QString name = DraggedTileset(event->mimeData());
    if (name.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop has finished: the program the file came from waits for the drop's
    // end, and should not wait through the painting or an error's message box.
    droppedFile_ = QFile::encodeName(name).toStdString();
    dropTimer_.start();
}

void Form1::FollowModelSize() {
    QSize frame(viewer::TwipsToPixels(model_.Width()), viewer::TwipsToPixels(model_.Height()));
    const QScreen* screen = this->screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    if (area.isValid()) {
        if (frame.height() > area.height()) {
            frame.rwidth() += scrollArea_.verticalScrollBar()->sizeHint().width();
        }
        frame = frame.boundedTo(area.size());
    }
    const QSize decoration = frameGeometry().size() - size();
    resize(frame - decoration);

    if (area.isValid()) {
        QRect placed(frameGeometry().topLeft(), frame);
        if (placed.right() > area.right()) {
            placed.moveRight(area.right());
        }
        if (placed.bottom() > area.bottom()) {
            placed.moveBottom(area.bottom());
        }
        placed.moveTopLeft(
            QPoint(std::max(placed.left(), area.left()), std::max(placed.top(), area.top())));
        if (placed.topLeft() != frameGeometry().topLeft()) {
            move(placed.topLeft());
        }
    }
}

}  // namespace orvane::gui
