// The station editor window says what OK keeps and what it drops, asks before dropping, and OK without a
// change changes nothing, not even the main window's modified mark.
#include "editor_window_fixture.h"
#include "image_bytes.h"

namespace {

Tstation station_with_image(const std::string& hex) {
    Tstation s;
    s.id = 7;
    const std::vector<uint8_t> bytes = hex_bytes(hex);
    for (uint8_t b : bytes)
        s.configuration.add_byte(b);
    s.configuration.add_byte(tag::END);
    return s;
}

} // namespace

TEST_F(Editor_window_test, TheGeneralPageListsTheRecordsKeptAsRead) {
    Tstation station = station_with_image("03 05 66 6C 6F 6F 64 89 00 00 12 67 08 04 93 A3 90 00");
    while_open([this] {
        QLabel* kept = control<QLabel>("lb_kept");
        EXPECT_TRUE(kept->isVisible());
        EXPECT_NE(kept->text().indexOf("SMS text on acquisition (5 characters)"), -1)
            << kept->text().toStdString();
        EXPECT_NE(kept->text().indexOf("LOCATION 4711"), -1);
        EXPECT_FALSE(kept->accessibleName().isEmpty());
        EXPECT_FALSE(control<QLabel>("lb_dropped")->isVisible());
        EXPECT_EQ(meter(), "65 of 223 bytes");
        type("ed_description", "moved");
        press("Button1");
    });
    ASSERT_TRUE(editor->edit_station(&station));
    const std::string all = image_hex(station.configuration);
    EXPECT_NE(all.find("03 05 66 6C 6F 6F 64 89 00 00 12 67"), std::string::npos) << all;
}

TEST_F(Editor_window_test, OkAsksOnceBeforeDroppingWhatNoControlShows) {
    const std::string hex = "08 06 93 84 D9 00 A3 90 00"; // a NOP and an instrument command
    Tstation station = station_with_image(hex);
    const Tstation before = station;
    // Back to the editor: nothing stored, the editor stays open; then stored and dropped.
    answers = {Answer::CANCEL, Answer::OK};
    while_open([this] {
        QLabel* dropped = control<QLabel>("lb_dropped");
        EXPECT_TRUE(dropped->isVisible());
        EXPECT_EQ(dropped->text(),
                  "OK will drop 2 commands of the Slow Sequence that this editor does not show: "
                  "NOP, ACQ_INSTRUMENT.");
        tick("cb_s_0");
        press("Button1");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].kind, Message::CONFIRM);
        EXPECT_EQ(messages[0].accept, "Store and drop them");
        EXPECT_EQ(messages[0].decline, "Back to the editor");
        EXPECT_TRUE(editor->isVisible());
        press("Button1");
    });
    ASSERT_TRUE(editor->edit_station(&station));
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(image_hex(station.configuration, 0, 8), "08 06 93 A3 C4 00 90 00");
    // Unchanged, OK asks nothing and drops nothing.
    Tstation untouched = station_with_image(hex);
    messages.clear();
    while_open([this] { press("Button1"); });
    ASSERT_TRUE(editor->edit_station(&untouched));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(untouched.configuration == before.configuration);
}

TEST_F(Editor_window_test, EditSelectedAndOkWithoutAChangeLeavesTheDocumentUnmodified) {
    ASSERT_TRUE(window->open_file(write_setup(
        "a.xml", "<SETUP><STATIONS><STATION id='3'><CONFIGURATION><SYSCTRL acq_enabled='on' address='9'/>"
                 "<ACQ_INTERVAL0 value='20'/><ACQUISITION_SEQUENCE><NOP/></ACQUISITION_SEQUENCE>"
                 "</CONFIGURATION></STATION></STATIONS></SETUP>")));
    EXPECT_FALSE(window->is_modified());
    select_rows(0, 0);
    while_open([this] { press("Button1"); });
    click("Button7");
    EXPECT_FALSE(window->is_modified());
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(editor->isVisible());
    // A change that is typed back is no change either.
    while_open([this] {
        type("ed_description", "x");
        field("ed_description")->selectAll();
        QTest::keyClick(field("ed_description"), Qt::Key_Delete);
        EXPECT_EQ(field("ed_description")->text(), "");
        press("Button1");
    });
    select_rows(0, 0);
    click("Button7");
    EXPECT_FALSE(window->is_modified());
    // A real change marks it (after the question about the NOP that the store drops).
    answers = {Answer::OK};
    while_open([this] {
        type("ed_description", "x");
        press("Button1");
    });
    select_rows(0, 0);
    click("Button7");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(window->is_modified());
}

TEST_F(Editor_window_test, ANumberReadOnlyInPartIsMarkedAndSaidBeforeOk) {
    Tstation station;
    while_open([this] {
        pages()->setCurrentIndex(3);
        tick("cb_s_vbat");
        tick("cb_s_vbat_eol");
        type("ed_s_vbat_threshold", "7,25");
        QLabel* hint = control<QLabel>("lb_hint");
        EXPECT_EQ(hint->text(), "7,25 is read as 7: the decimal point is a point");
        EXPECT_EQ(hint->accessibleName(), hint->text());
        EXPECT_TRUE(field("ed_s_vbat_threshold")->property("partly_read").toBool());
        EXPECT_EQ(field("ed_s_vbat_threshold")->accessibleDescription(), "Unit: [V]. " + hint->text());
        type("ed_s_vbat_threshold", "7.25");
        EXPECT_EQ(hint->text(), "");
        EXPECT_FALSE(field("ed_s_vbat_threshold")->property("partly_read").toBool());
        type("ed_s_vbat_threshold", "7,25");
        press("Button1");
    });
    ASSERT_TRUE(editor->edit_station(&station, true));
    EXPECT_EQ(image_hex(station.configuration, 0, 5), "08 05 93 82 46"); // stored as read: 7 V
}
