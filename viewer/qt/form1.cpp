#include "viewer/qt/form1.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>

#include "viewer/error_report.h"
#include "viewer/qt/qt_common_dialog.h"

namespace orvane::viewer {
namespace {

CommonDialog& DialogFor(CommonDialog* given, std::unique_ptr<CommonDialog>& own, QWidget* parent) {
    if (given != nullptr) {
        return *given;
    }
    own = std::make_unique<QtCommonDialog>(parent);
    return *own;
}

}  // namespace

Form1::Form1(CommonDialog* dialog)
    : model_(DialogFor(dialog, ownDialog_, this)), canvasWidget_(model_.Picture1) {
    setWindowTitle("Orvane");

    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("mnuFile");
    QAction* open = file->addAction("&Open");
    open->setObjectName("mnuOpen");
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] { Run(&MainForm::mnuOpen_Click); });
    QAction* saveAs = file->addAction("&Save As");
    saveAs->setObjectName("mnuSaveAs");
    saveAs->setShortcut(QKeySequence::SaveAs);
    connect(saveAs, &QAction::triggered, this, [this] { Run(&MainForm::mnuSaveAs_Click); });

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

void Form1::Run(void (MainForm::*command)()) {
    RunReportingErrors([&] { (model_.*command)(); });
}

void Form1::FollowModelSize() {
    QSize frame(TwipsToPixels(model_.Width()), TwipsToPixels(model_.Height()));
    const QScreen* screen = this->screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    if (area.isValid()) {
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

}  // namespace orvane::viewer
