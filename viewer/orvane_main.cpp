#include <QApplication>

#include "viewer/qt/module1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orvane::viewer::Module1 module1;
    module1.Main();
    return QApplication::exec();
}
