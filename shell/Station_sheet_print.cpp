// The station sheet printer: plain text in a fixed-pitch font so that the columns of the report stay
// aligned as on the screen.
#include "Station_sheet_print.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace {

Print_dialog::Responder& responder() {
    static Print_dialog::Responder r;
    return r;
}

} // namespace

bool Print_dialog::ask(QWidget* parent, QPrinter* printer) {
    if (responder()) return responder()(printer);
    QPrintDialog dialog(printer, parent);
    dialog.setWindowTitle("Print Station Sheet");
    return dialog.exec() == QDialog::Accepted;
}

void Print_dialog::set_responder(Responder r) {
    responder() = std::move(r);
}

int paint_station_sheets(QPainter& painter, const QRect& page, const QList<Station_sheet>& sheets,
                         const std::function<void()>& new_page) {
    QFont text = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    text.setPointSizeF(9);
    QFont title = text;
    title.setBold(true);
    title.setPointSizeF(12);
    const int margin = page.width() / 20;
    const QRect area = page.adjusted(margin, margin, -margin, -margin);
    const QString signing[] = {"Checked on site by: ______________________________",
                               "Date: ____________________   Signature: ______________________________"};
    int painted = 0;
    for (int s = 0; s < sheets.size(); ++s) {
        if (s > 0) new_page();
        ++painted;
        int y = area.top();
        const auto put = [&](const QString& whole, const QFont& font) {
            painter.setFont(font);
            // A line's leading blanks indent it, and its wrapped lines with it.
            int blanks = 0;
            while (blanks < whole.size() && whole[blanks] == ' ')
                ++blanks;
            const QString line = whole.mid(blanks);
            const int indent = painter.fontMetrics().horizontalAdvance(QString(blanks, ' '));
            const QRect column = area.adjusted(indent, 0, 0, 0);
            const QRect box = painter.boundingRect(QRect(column.left(), y, column.width(), area.height()),
                                                   Qt::TextWordWrap, line);
            if (y + box.height() > area.bottom()) { // the station goes on on the next page
                new_page();
                ++painted;
                y = area.top();
                painter.setFont(title);
                painter.drawText(QRect(area.left(), y, area.width(), area.height()), Qt::TextWordWrap,
                                 sheets[s].title + " (continued)");
                y += painter.fontMetrics().lineSpacing() * 2;
                painter.setFont(font);
            }
            painter.drawText(QRect(column.left(), y, column.width(), area.height()), Qt::TextWordWrap, line);
            y += std::max(box.height(), painter.fontMetrics().lineSpacing());
        };
        put(sheets[s].title, title);
        y += painter.fontMetrics().lineSpacing();
        for (const QString& line : sheets[s].lines)
            put(line, text);
        y += painter.fontMetrics().lineSpacing() * 2;
        for (const QString& line : signing) {
            put(line, text);
            y += painter.fontMetrics().lineSpacing();
        }
    }
    return painted;
}

bool print_station_sheets(QPrinter* printer, const QList<Station_sheet>& sheets, QString* reason,
                          int* pages) {
    QPainter painter;
    if (!painter.begin(printer)) {
        if (reason != nullptr)
            *reason = printer->outputFileName().isEmpty()
                          ? QString("the printer could not be opened")
                          : QString("the file \"%1\" could not be written").arg(printer->outputFileName());
        return false;
    }
    const int painted =
        paint_station_sheets(painter, painter.viewport(), sheets, [printer] { printer->newPage(); });
    if (!painter.end()) {
        if (reason != nullptr) *reason = "the printout could not be finished";
        return false;
    }
    if (pages != nullptr) *pages = painted;
    return true;
}
