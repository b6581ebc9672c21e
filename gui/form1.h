// The main window: the File menu, and Picture1 at the client area's origin. It routes the menu,
// and a tileset dropped on the window, to the commands of MainForm and shows what MainForm holds.
#pragma once

#include <QMainWindow>
#include <QScrollArea>
#include <QTimer>
#include <memory>
#include <string>

#include "viewer/main_form.h"
#include "gui/canvas_widget.h"

namespace orvane::gui {

class Form1 : public QMainWindow {
    Q_OBJECT

  public:
    // dialog: the file dialog for the commands, kept by the caller; null for Qt's own.
    explicit Form1(viewer::CommonDialog* dialog = nullptr);
    ~Form1() override;

    viewer::MainForm& Model() { return model_; }
    CanvasWidget& Picture1Widget() { return canvasWidget_; }
    QScrollArea& ScrollArea() { return scrollArea_; }

    // Opens a tileset as File > Open does, without the dialog; an error is reported as the
    // menu's are.
    void OpenFile(const std::string& fileName);

  protected:
    // A drag that carries one local .tst file may be dropped; the drop opens it with OpenFile.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The model's size in twips becomes the frame's size in pixels, as far as the screen allows;
    // a canvas larger than the window then scrolls. A frame cut to the screen's height is widened
    // by the vertical scrollbar, which would otherwise cover the mosaic's right edge and bring
    // a horizontal scrollbar too.
    void FollowModelSize();

    std::unique_ptr<viewer::CommonDialog> ownDialog_;
    viewer::MainForm model_;
    QScrollArea scrollArea_;
    CanvasWidget canvasWidget_;
    // A dropped tileset waits here until the drop has finished.
    std::string droppedFile_;
    QTimer dropTimer_;
};

}  // namespace orvane::gui
