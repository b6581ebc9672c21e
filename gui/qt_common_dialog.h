// CommonDialog1 as the window shows it: Qt's standard file dialogs, or the desktop's own where Qt
// hands them on.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string_view>

#include "viewer/common_dialog.h"

namespace orvane::gui {

// "Tileset Files (*.tst)|*.tst" -> "Tileset Files (*.tst)", "Jpegs|*.jpg|Bmps|*.bmp" ->
// "Jpegs (*.jpg);;Bmps (*.bmp)": the patterns in parentheses, where Qt looks for them.
QString QtNameFilters(std::string_view filter);

// Each dialog starts in the folder of the name the dialog last held: the last file chosen, or a
// tileset opened without the dialog. The save dialog asks before it hands back an existing file's
// name, and appends no extension to a name typed without one.
class QtCommonDialog final : public viewer::CommonDialog {
  public:
    explicit QtCommonDialog(QWidget* parent) : parent_(parent) {}

  protected:
    std::string Ask(viewer::DialogKind kind) override;

  private:
    QPointer<QWidget> parent_;
    QString folder_;  // kept through a cancel, which empties FileName
};

}  // namespace orvane::gui
