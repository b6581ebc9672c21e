// orvane [TILESET]: the window, opening TILESET at once when one is given, as a desktop's file
// manager does when a tileset is double-clicked.
#include <QApplication>
#include <QFile>
#include <QStringList>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "gui/display.h"
#include "gui/module1.h"
#include "platform/app.h"

namespace {

constexpr std::string_view kUsage = R"(Usage: orvane [TILESET]
       orvane --help | --version
Shows the tiles of the tileset file TILESET (.tst), or an empty window to open one from. A
TILESET ending in .png or .tsx is a picture, shown as the tileset orvane-pack makes of it.
Without a display, orvane-export saves a tileset as a picture: see orvane-export --help.
)";

int UsageError(std::string_view problem) {
    std::cerr << "orvane: " << problem << '\n' << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "orvane " << orvane::platform::AppVersion() << '\n';
            return 0;
        }
    }
    const std::optional<const char*> platform = orvane::gui::ChoosePlatform(argc, argv);
    if (!platform) {
        std::cerr << "orvane: no display found; orvane-export saves a tileset as a picture without "
                     "one (see orvane-export --help)\n";
        return 1;
    }
    if (*platform != nullptr) {
        qputenv("QT_QPA_PLATFORM", *platform);
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName("orvane");
    // What is left once Qt has taken its own options (-platform, -display, ...).
    const QStringList arguments = QApplication::arguments().mid(1);
    std::optional<std::string> tileset;
    if (arguments.size() > 1) {
        return UsageError("expected at most one TILESET");
    }
    if (arguments.size() == 1) {
        if (arguments.front().startsWith('-')) {
            return UsageError("unknown option '" + arguments.front().toStdString() + "'");
        }
        tileset = QFile::encodeName(arguments.front()).toStdString();
    }

    orvane::gui::Module1 module1;
    module1.Main(tileset);
    return QApplication::exec();
}
