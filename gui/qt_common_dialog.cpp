#include "gui/qt_common_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace orvane::gui {

QString QtNameFilters(std::string_view filter) {
    QStringList filters;
    for (const viewer::FilterEntry& entry : viewer::ParseFilter(filter)) {
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

std::string QtCommonDialog::Ask(viewer::DialogKind kind) {
    // FileName holds the last name chosen, or opened without the dialog; a cancel empties it,
    // and the folder before it is kept.
    if (!FileName().empty()) {
        folder_ = QFileInfo(QFile::decodeName(FileName().c_str())).absolutePath();
    }
    QFileDialog dialog(parent_, QString::fromStdString(DialogTitle()), folder_,
                       QtNameFilters(Filter()));
    if (kind == viewer::DialogKind::Save) {
        // Replacing a file is confirmed by the dialog (DontConfirmOverwrite stays off); "No" goes
        // back to it. The default suffix stays empty: Save As picks the format by the name's
        // last three characters, and writes nothing for a name that has no known ending.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString());
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace orvane::gui
