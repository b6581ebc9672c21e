#include "viewer/qt/qt_common_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace orvane::viewer {

QString QtNameFilters(std::string_view filter) {
    QStringList filters;
    for (const FilterEntry& entry : ParseFilter(filter)) {
        QString patterns = QString::fromStdString(entry.pattern).replace(';', ' ').simplified();
        if (patterns.isEmpty()) {
            patterns = "*";
        }
        // Qt reads the patterns from the parentheses at the end; a description that already
        // shows them ("Tileset Files (*.tst)") is not given them twice.
        const QString description = QString::fromStdString(entry.description);
        const QString shown = "(" + patterns + ")";
        filters << (description.endsWith(shown) ? description : description + " " + shown);
    }
    return filters.join(";;");
}

std::string QtCommonDialog::Ask(DialogKind kind) {
    const QString filters = QtNameFilters(Filter());
    // The save dialog asks nothing about a file that exists: the command decides what to do.
    const QString name =
        kind == DialogKind::Open
            ? QFileDialog::getOpenFileName(parent_, QString(), QString(), filters)
            : QFileDialog::getSaveFileName(parent_, QString(), QString(), filters, nullptr,
                                           QFileDialog::DontConfirmOverwrite);
    return QFile::encodeName(name).toStdString();
}

}  // namespace orvane::viewer
