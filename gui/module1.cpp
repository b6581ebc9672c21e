#include "gui/module1.h"

#include "gui/qt_message_box.h"

namespace orvane::gui {

Module1::Module1() = default;
Module1::~Module1() = default;

void Module1::Main(const std::optional<std::string>& tileset) {
    if (form1_ == nullptr) {
        form1_ = std::make_unique<Form1>();
        messageBoxes_.emplace(QtMessageBoxHandler(form1_.get()));
    }
    form1_->show();
    if (tileset) {
        form1_->OpenFile(*tileset);
    }
}

}  // namespace orvane::gui
