#include "gui/qt_message_box.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QSpacerItem>
#include <algorithm>
#include <memory>

#include "viewer/error_report.h"

namespace orvane::gui {
namespace {

// What a title bar needs beside the caption: the window's icon and three buttons, in logical
// pixels, with room to spare for larger themes.
constexpr int kTitleBarExtras = 160;
constexpr int kLeastWidth = 280;

}  // namespace

platform::MessageBoxHandler QtMessageBoxHandler(QWidget* parent) {
    return [owner = QPointer<QWidget>(parent)](std::string_view prompt, std::string_view title) {
        const QString caption = QString::fromUtf8(title.data(), qsizetype(title.size()));
        QMessageBox box(
            viewer::IsRuntimeErrorMessage(prompt) ? QMessageBox::Warning : QMessageBox::Information,
            caption, QString::fromUtf8(prompt.data(), qsizetype(prompt.size())), QMessageBox::Ok,
            owner);
        // QMessageBox sizes itself to its text and resets any minimum width it is given; an item
        // in its own layout is the one width it keeps.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
            const int width = std::max(
                kLeastWidth, box.fontMetrics().horizontalAdvance(caption) + kTitleBarExtras);
            auto spacer =
                std::make_unique<QSpacerItem>(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
            grid->addItem(spacer.release(), grid->rowCount(), 0, 1, grid->columnCount());
        }
        box.exec();
    };
}

}  // namespace orvane::gui
