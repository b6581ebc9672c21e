// CommonDialog1 as the window shows it: Qt's standard file dialogs.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string_view>

#include "viewer/common_dialog.h"

namespace orvane::viewer {

// "Tileset Files (*.tst)|*.tst" -> "Tileset Files (*.tst) (*.tst)"; entries joined by ";;".
QString QtNameFilters(std::string_view filter);

class QtCommonDialog final : public CommonDialog {
  public:
    explicit QtCommonDialog(QWidget* parent) : parent_(parent) {}

  protected:
    std::string Ask(DialogKind kind) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace orvane::viewer
