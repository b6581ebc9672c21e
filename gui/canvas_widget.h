// Shows the canvas's persistent picture at its own size, straight from the picture's memory.
#pragma once

#include <QWidget>

#include "viewer/canvas.h"

namespace orvane::gui {

class CanvasWidget : public QWidget {
    Q_OBJECT

  public:
    explicit CanvasWidget(const viewer::Canvas& canvas, QWidget* parent = nullptr);

    // Takes the canvas's size; call after the canvas has been resized.
    void FollowCanvasSize();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const viewer::Canvas& canvas_;
};

}  // namespace orvane::gui
