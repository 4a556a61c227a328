// The editor's Memory page: the image OK would write, following every change, with the bytes of the
// selected line highlighted in the hex view; visiting it changes nothing.
#include "editor_window_fixture.h"

#include <QListWidget>
#include <QPlainTextEdit>

#include "Memory_page.h"
#include "Station.h"

namespace {

QStringList items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

int row_containing(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(text)) return i;
    return -1;
}

} // namespace

class Memory_page_test : public Editor_window_test {
  protected:
    void SetUp() override {
        Editor_window_test::SetUp();
        ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
        station = model()->station_at(0);
        editor->load(station);
        editor->show();
        records = control<QListWidget>("ListBox_memory");
        hex = control<QPlainTextEdit>("Memo_hex");
    }
    void TearDown() override {
        editor->hide();
        Editor_window_test::TearDown();
    }
    int memory_tab() const {
        return pages()->indexOf(control<QWidget>("TabSheet9")->parentWidget()->parentWidget());
    }

    Tstation* station = nullptr;
    QListWidget* records = nullptr;
    QPlainTextEdit* hex = nullptr;
};

TEST_F(Memory_page_test, IsTheSeventhPageAndReadOnly) {
    ASSERT_EQ(pages()->count(), 7);
    EXPECT_EQ(pages()->tabText(6).remove('&'), "Memory");
    EXPECT_EQ(memory_tab(), 6);
    EXPECT_TRUE(hex->isReadOnly());
    pages()->setCurrentIndex(6);
    ASSERT_GT(records->count(), 10);
    EXPECT_TRUE(items(records).first().startsWith("  0  0x08 SEQUENCE_SLOW"));
    EXPECT_TRUE(control<QLabel>("lb_memory_summary")->text().startsWith("cursor "));
    // 14 rows of 16 bytes, the last of 15: the 223 bytes the station holds.
    EXPECT_EQ(hex->document()->blockCount(), 14);
    EXPECT_TRUE(hex->toPlainText().startsWith("  0  08 "));
}

TEST_F(Memory_page_test, FollowsATickedBoxLiveAndWhenShownAgain) {
    pages()->setCurrentIndex(6);
    const QStringList before = items(records);
    const QString summary_before = control<QLabel>("lb_memory_summary")->text();
    // Ticked while the page is shown (as a shortcut would): the listing follows at once.
    const bool was = box("cb_r_9")->isChecked();
    box("cb_r_9")->setChecked(!was);
    const QStringList after = items(records);
    EXPECT_NE(after, before);
    EXPECT_EQ(after.filter("Conductivity").size(), before.filter("Conductivity").size() + (was ? -1 : 1));
    EXPECT_NE(control<QLabel>("lb_memory_summary")->text(), summary_before);
    // Ticked back on its own page: the Memory page shows it when it is shown again.
    pages()->setCurrentIndex(5);
    tick("cb_r_9");
    pages()->setCurrentIndex(6);
    EXPECT_EQ(items(records), before);
    // A typed interval shows in the editor's unit.
    pages()->setCurrentIndex(2);
    type("ed_acq_interval0", "30");
    pages()->setCurrentIndex(6);
    const QString line = items(records).filter("ACQ_INTERVAL0").value(0);
    EXPECT_TRUE(line.endsWith("1800 s = 30.00 min")) << line.toStdString();
}

TEST_F(Memory_page_test, SelectingALineHighlightsItsBytes) {
    pages()->setCurrentIndex(6);
    const int interval = row_containing(records, "0x85 ACQ_INTERVAL0");
    ASSERT_GE(interval, 0);
    records->setCurrentRow(interval);
    const int offset = records->item(interval)->text().left(3).trimmed().toInt();
    const Memory_page* page = editor->findChild<Memory_page*>("TabSheet9");
    EXPECT_EQ(page->highlighted(), std::make_pair(offset, offset + 4));
    // The highlighted text is the record's five bytes, as the line shows them (split where a row ends).
    QString highlighted;
    for (const QTextEdit::ExtraSelection& s : hex->extraSelections())
        highlighted += (highlighted.isEmpty() ? "" : " ") + s.cursor.selectedText();
    EXPECT_EQ(highlighted, records->item(interval)->text().mid(36, 14));
    EXPECT_EQ(highlighted.left(2), "85");
    // Another line, another highlight; the selection survives a change that keeps the line.
    records->setCurrentRow(0);
    EXPECT_EQ(page->highlighted().first, 0);
    EXPECT_TRUE(hex->extraSelections().value(0).cursor.selectedText().startsWith("08 "));
    EXPECT_EQ(hex->extraSelections().value(0).cursor.selectedText().size(), 5); // tag and length byte
    records->setCurrentRow(interval);
    box("cb_r_9")->setChecked(!box("cb_r_9")->isChecked());
    EXPECT_EQ(records->currentRow(), interval);
}

TEST_F(Memory_page_test, ShowingThePageChangesNothing) {
    const Teeprom_configurer before = station->configuration;
    pages()->setCurrentIndex(6);
    records->setCurrentRow(3);
    EXPECT_EQ(station->configuration, before);
    EXPECT_TRUE(editor->logic().unchanged());
}
