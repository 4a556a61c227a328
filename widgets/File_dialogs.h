// The Open and Save dialogs and the folder chooser, replaceable so tests can answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

struct File_request {
    enum Kind { OPEN, SAVE, FOLDER };
    Kind kind;
    QString title;
    QString proposed; // the proposed file name, or the folder the chooser starts in
};

class File_dialogs {
  public:
    // The chosen path, or an empty text when the user cancelled.
    static QString open_file(QWidget* parent, const QString& proposed);
    static QString save_file(QWidget* parent, const QString& proposed);
    static QString folder(QWidget* parent, const QString& title, const QString& start);
    // The same for a spreadsheet: "CSV files" first, the default extension csv; title names the command.
    static QString open_csv(QWidget* parent, const QString& title, const QString& proposed);
    static QString save_csv(QWidget* parent, const QString& title, const QString& proposed);

    using Responder = std::function<QString(const File_request&)>;
    static void set_responder(Responder responder);
};
