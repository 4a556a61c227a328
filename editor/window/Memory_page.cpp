// The Memory page. The hex view shows 16 bytes a row, each row led by the offset of its first byte, so
// that an offset of the listing is found in it by eye.
#include "Memory_page.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include "Text_bridge.h"

namespace {

constexpr int BYTES_PER_ROW = 16;
constexpr int ROW_PREFIX = 5;                                      // "208  "
constexpr int ROW_LENGTH = ROW_PREFIX + BYTES_PER_ROW * 3 - 1 + 1; // the digits, blanks between, the line end

QString hex_text(const Teeprom_configurer& image) {
    QString text;
    for (int i = 0; i < IMAGE_USABLE; ++i) {
        if (i % BYTES_PER_ROW == 0) {
            if (i > 0) text += '\n';
            text += QString("%1  ").arg(i, 3);
        } else {
            text += ' ';
        }
        text += QString("%1").arg(image.get_byte(static_cast<uint8_t>(i)), 2, 16, QChar('0')).toUpper();
    }
    return text;
}

} // namespace

int Memory_page::text_position(int byte) {
    return byte / BYTES_PER_ROW * ROW_LENGTH + ROW_PREFIX + byte % BYTES_PER_ROW * 3;
}

Memory_page::Memory_page(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheet9");
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName("lb_memory_summary");
    summary_->setWordWrap(true);
    layout->addWidget(summary_);

    records_ = new QListWidget(this);
    records_->setObjectName("ListBox_memory");
    records_->setAccessibleName("Records of the configuration memory");
    records_->setFont(fixed);
    records_->setMinimumHeight(160);
    layout->addWidget(records_, 3);

    hex_ = new QPlainTextEdit(this);
    hex_->setObjectName("Memo_hex");
    hex_->setAccessibleName("Configuration memory in hex");
    hex_->setReadOnly(true);
    hex_->setTabChangesFocus(true); // read-only: Tab goes on to the next control
    hex_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    hex_->setLineWrapMode(QPlainTextEdit::NoWrap);
    hex_->setFont(fixed);
    const QFontMetrics metrics(fixed);
    hex_->setMinimumHeight(metrics.lineSpacing() * 15 + 12);
    hex_->setMinimumWidth(metrics.horizontalAdvance(QString(ROW_LENGTH + 2, '0')) + 24);
    layout->addWidget(hex_, 2);

    connect(records_, &QListWidget::currentRowChanged, this, &Memory_page::highlight);
}

void Memory_page::show_image(const Teeprom_configurer& image, const Image_listing& listing,
                             const QString& summary) {
    const int row = records_->currentRow();
    summary_->setText(summary);
    records_->setAccessibleDescription(summary);
    hex_->setPlainText(hex_text(image));
    ranges_.clear();
    QStringList lines;
    for (const Image_entry& e : listing.entries) {
        lines << to_qstring(listing_line(e));
        ranges_.emplace_back(e.offset, e.offset + e.length() - 1);
    }
    {
        const QSignalBlocker quiet(records_);
        records_->clear();
        records_->addItems(lines);
        if (row >= 0 && records_->count() > 0) records_->setCurrentRow(std::min(row, records_->count() - 1));
    }
    highlight(records_->currentRow());
}

void Memory_page::highlight(int row) {
    QList<QTextEdit::ExtraSelection> selections;
    highlighted_ = {-1, -1};
    if (row >= 0 && row < static_cast<int>(ranges_.size())) {
        highlighted_ = ranges_[static_cast<size_t>(row)];
        QTextCharFormat format;
        format.setBackground(palette().highlight());
        format.setForeground(palette().highlightedText());
        // One selection per row of the hex view, from the first byte's digits to the last one's.
        for (int first = highlighted_.first; first <= highlighted_.second && first < IMAGE_USABLE;) {
            const int row_end = (first / BYTES_PER_ROW + 1) * BYTES_PER_ROW - 1;
            const int last = std::min({highlighted_.second, row_end, IMAGE_USABLE - 1});
            QTextEdit::ExtraSelection s;
            s.format = format;
            s.cursor = QTextCursor(hex_->document());
            s.cursor.setPosition(text_position(first));
            s.cursor.setPosition(text_position(last) + 2, QTextCursor::KeepAnchor);
            selections << s;
            first = last + 1;
        }
        if (!selections.isEmpty()) {
            QTextCursor show(hex_->document());
            show.setPosition(text_position(highlighted_.first));
            hex_->setTextCursor(show);
            hex_->ensureCursorVisible();
        }
    }
    hex_->setExtraSelections(selections);
}
