// The station editor's Memory page: the records of the image OK would write, one per line, and its 223
// bytes in hex, where the bytes of the selected line are highlighted. Read-only.
#pragma once

#include <QWidget>
#include <vector>

#include "Image_listing.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;

class Memory_page : public QWidget {
    Q_OBJECT
  public:
    explicit Memory_page(QWidget* parent = nullptr);

    // Shows the listing of the image and its bytes; the selected line stays selected where it can.
    // summary: the cursor, the bytes free, and whether OK would refuse.
    void show_image(const Teeprom_configurer& image, const Image_listing& listing, const QString& summary);

    QListWidget* records() const { return records_; }
    QPlainTextEdit* hex() const { return hex_; }
    // The image positions highlighted now, first and last (-1, -1 when none).
    std::pair<int, int> highlighted() const { return highlighted_; }

    // Where a byte of the image stands in the hex view's text: its first digit.
    static int text_position(int byte);

  private:
    void highlight(int row);

    QLabel* summary_ = nullptr;
    QListWidget* records_ = nullptr;
    QPlainTextEdit* hex_ = nullptr;
    std::vector<std::pair<int, int>> ranges_; // each line's first and last byte
    std::pair<int, int> highlighted_{-1, -1};
};
