#include "gui/qt_message_box.h"

#include <QMessageBox>
#include <QPointer>

namespace orvane::gui {

platform::MessageBoxHandler QtMessageBoxHandler(QWidget* parent) {
    return [owner = QPointer<QWidget>(parent)](std::string_view prompt, std::string_view title) {
        QMessageBox::information(owner, QString::fromUtf8(title.data(), qsizetype(title.size())),
                                 QString::fromUtf8(prompt.data(), qsizetype(prompt.size())));
    };
}

}  // namespace orvane::gui
