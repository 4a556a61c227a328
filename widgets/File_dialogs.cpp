// File dialogs: "XML files" first, the default extension xml; or "CSV files" and csv for a spreadsheet.
#include "File_dialogs.h"

#include <QFileDialog>

namespace {

File_dialogs::Responder responder;

const char filter[] = "XML files (*.xml);;All files (*.*)";
const char csv_filter[] = "CSV files (*.csv);;All files (*.*)";

QString run_file_dialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& proposed,
                        const char* name_filter = filter, const char* suffix = "xml",
                        const QString& title = QString()) {
    QFileDialog dialog(parent);
    if (!title.isEmpty()) dialog.setWindowTitle(title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(name_filter);
    dialog.setDefaultSuffix(suffix);
    if (!proposed.isEmpty()) dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

} // namespace

void File_dialogs::set_responder(Responder r) {
    responder = std::move(r);
}

QString File_dialogs::open_file(QWidget* parent, const QString& proposed) {
    if (responder) return responder({File_request::OPEN, "Open", proposed});
    return run_file_dialog(parent, QFileDialog::AcceptOpen, proposed);
}

QString File_dialogs::save_file(QWidget* parent, const QString& proposed) {
    if (responder) return responder({File_request::SAVE, "Save As", proposed});
    return run_file_dialog(parent, QFileDialog::AcceptSave, proposed);
}

QString File_dialogs::open_csv(QWidget* parent, const QString& title, const QString& proposed) {
    if (responder) return responder({File_request::OPEN, title, proposed});
    return run_file_dialog(parent, QFileDialog::AcceptOpen, proposed, csv_filter, "csv", title);
}

QString File_dialogs::save_csv(QWidget* parent, const QString& title, const QString& proposed) {
    if (responder) return responder({File_request::SAVE, title, proposed});
    return run_file_dialog(parent, QFileDialog::AcceptSave, proposed, csv_filter, "csv", title);
}

QString File_dialogs::folder(QWidget* parent, const QString& title, const QString& start) {
    if (responder) return responder({File_request::FOLDER, title, start});
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}
