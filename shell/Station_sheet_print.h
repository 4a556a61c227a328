// Station sheets on paper or in a PDF file: one station a page (more when its settings run long), its
// report in the editor's words, and lines to sign on site.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPrinter;
class QRect;
class QWidget;

struct Station_sheet {
    QString title;     // "Station 3 (id 203): Piezometer P3"
    QStringList lines; // the report's lines, as the command line prints them
};

// Paints the sheets into the page's rectangle (its margins taken inside), calling new_page before each
// page after the first; returns the pages painted.
int paint_station_sheets(QPainter& painter, const QRect& page, const QList<Station_sheet>& sheets,
                         const std::function<void()>& new_page);

// Prints the sheets; false with the reason when the printer or file cannot be opened. Returns the pages
// painted in `pages` when given.
bool print_station_sheets(QPrinter* printer, const QList<Station_sheet>& sheets, QString* reason,
                          int* pages = nullptr);

// The print dialog (which offers a PDF file too); replaceable so tests can answer it. True when the user
// chose to print, with the printer set up as chosen.
class Print_dialog {
  public:
    static bool ask(QWidget* parent, QPrinter* printer);
    using Responder = std::function<bool(QPrinter*)>;
    static void set_responder(Responder responder);
};
