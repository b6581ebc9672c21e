#include "gui/module1.h"

#include <QFile>
#include <QSettings>
#include <QStringList>

#include "gui/qt_message_box.h"

namespace orvane::gui {
namespace {

// ~/.config/orvane/orvane.ini; only the program itself reads and writes it, never the tests.
constexpr char kRecentFilesKey[] = "recentFiles";

QSettings Settings() {
    return {QSettings::IniFormat, QSettings::UserScope, "orvane", "orvane"};
}

}  // namespace

Module1::Module1() = default;
Module1::~Module1() = default;

void Module1::Main(const std::optional<std::string>& tileset) {
    if (form1_ == nullptr) {
        form1_ = std::make_unique<Form1>();
        messageBoxes_.emplace(QtMessageBoxHandler(form1_.get()));
        std::vector<std::string> recent;
        for (const QString& name : Settings().value(kRecentFilesKey).toStringList()) {
            recent.push_back(QFile::encodeName(name).toStdString());
        }
        form1_->UseRecentFiles(recent, [](const std::vector<std::string>& files) {
            QStringList names;
            for (const std::string& name : files) {
                names << QFile::decodeName(name.c_str());
            }
            Settings().setValue(kRecentFilesKey, names);
        });
        const QSettings stored = Settings();
        form1_->UseViewSettings(
            viewer::ReadViewSettings([&stored](std::string_view key) -> std::optional<std::string> {
                const QVariant value = stored.value(QString::fromStdString(std::string(key)));
                return value.isValid() ? std::optional(value.toString().toStdString())
                                       : std::nullopt;
            }),
            [](const viewer::ViewSettings& settings) {
                QSettings file = Settings();
                for (const auto& [key, value] : viewer::SettingsEntries(settings)) {
                    file.setValue(QString::fromStdString(key), QString::fromStdString(value));
                }
            });
    }
    form1_->show();
    if (tileset) {
        form1_->OpenFile(*tileset);
    }
}

}  // namespace orvane::gui
