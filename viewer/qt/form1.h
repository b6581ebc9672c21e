// The main window: the File menu, and Picture1 at the client area's origin. It routes the menu
// to the commands of MainForm and shows what MainForm holds.
#pragma once

#include <QMainWindow>
#include <QScrollArea>
#include <memory>

#include "viewer/main_form.h"
#include "viewer/qt/canvas_widget.h"

namespace orvane::viewer {

class Form1 : public QMainWindow {
    Q_OBJECT

  public:
    // dialog: the file dialog for the commands, kept by the caller; null for Qt's own.
    explicit Form1(CommonDialog* dialog = nullptr);
    ~Form1() override;

    MainForm& Model() { return model_; }
    CanvasWidget& Picture1Widget() { return canvasWidget_; }

  private:
    // Runs a command; an error it raises is reported and the window carries on.
    void Run(void (MainForm::*command)());
    // The model's size in twips becomes the frame's size in pixels, as far as the screen allows;
    // a canvas larger than the window then scrolls.
    void FollowModelSize();

    std::unique_ptr<CommonDialog> ownDialog_;
    MainForm model_;
    QScrollArea scrollArea_;
    CanvasWidget canvasWidget_;
};

}  // namespace orvane::viewer
