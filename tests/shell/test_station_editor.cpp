// The station editor window: pages, Escape and Cancel, OK and its refusal, enabling as a user sees it,
// the memory meter, and the station commands of the main window.
#include "editor_window_fixture.h"

#include <QAccessible>
#include <QGroupBox>
#include <filesystem>

#include "Station.h"
#include "cli/cli_fixture.h"
#include "image_bytes.h"

namespace {

bool same_record(const Tstation& a, const Tstation& b) {
    return a.id == b.id && std::string(a.phone_nbr) == b.phone_nbr && std::string(a.pin) == b.pin &&
           std::string(a.description) == b.description && std::string(a.display_type) == b.display_type &&
           a.configuration == b.configuration;
}

} // namespace

TEST_F(Editor_window_test, HasSevenPagesAndItsControlsByName) {
    EXPECT_EQ(editor->windowTitle(), "Station configuration Editor");
    ASSERT_EQ(pages()->count(), 7);
    const char* captions[] = {"General",       "GSM timing",    "Acquisition timing",
                              "Slow Sequence", "Fast Sequence", "Remote sequence",
                              "Memory"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(pages()->tabText(i).remove('&'), captions[i]); // the caption, with its mnemonic
    EXPECT_EQ(control<QGroupBox>("GroupBox10")->title(), "Identification && Communication");
    int named = 0;
    for (const Control& c : editor->logic().form.controls()) {
        QWidget* w = editor->findChild<QWidget*>(QString::fromStdString(c.name));
        EXPECT_NE(w, nullptr) << c.name;
        named += w != nullptr;
    }
    EXPECT_EQ(named, 148);
    EXPECT_EQ(list("cbb_s_0")->itemText(2), "< Less Than");
    EXPECT_EQ(list("cbb_f2_o3")->itemText(2), "Keep");
    EXPECT_EQ(control<QLabel>("Image1")->pixmap().size(), QSize(348, 129));
    EXPECT_EQ(control<QCheckBox>("cb_s_3")->text(), "Tinopal  delta (on-off)");
    EXPECT_EQ(editor->findChild<QComboBox*>("cbb_s_5"), nullptr);
    EXPECT_EQ(editor->findChild<QLineEdit*>("ed_r_vbat_threshold"), nullptr);
    // After a load: before one, ed_sms holds "Where to send SMS", longer than the 15 a user may type.
    Tstation blank;
    editor->load(&blank);
    EXPECT_EQ(field("ed_sms")->maxLength(), 15);
    EXPECT_EQ(field("ed_description")->maxLength(), 255);
    EXPECT_EQ(field("ed_pin")->maxLength(), 31);
    EXPECT_EQ(field("ed_phone_nbr")->maxLength(), 31);
}

TEST_F(Editor_window_test, OpensOnTheGeneralPageWithTheValuesBeforeLoading) {
    Tstation station;
    while_open([this] {
        EXPECT_EQ(pages()->currentIndex(), 0);
        EXPECT_EQ(field("ed_f_9")->text(), "0.6");
        EXPECT_EQ(field("ed_s_9")->text(), "0.5");
        EXPECT_EQ(field("ed_s_172")->text(), "5");
        EXPECT_EQ(field("ed_f_172")->text(), "5.0");
        EXPECT_EQ(list("cbb_s_o1")->currentText(), "Force 1");
        EXPECT_EQ(field("ed_ID")->text(), "0");
        EXPECT_EQ(meter(), "53 of 223 bytes");
        pages()->setCurrentIndex(4);
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
    while_open([this] {
        EXPECT_EQ(pages()->currentIndex(), 0); // the General page again, whatever was shown last
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
    EXPECT_FALSE(editor->edit_station(nullptr));
}

TEST_F(Editor_window_test, EscapeFromAnyControlAndCancelLeaveTheRecordUnchanged) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    Tstation* station = model()->station_at(0);
    const Tstation before = *station;
    for (const char* focus : {"ed_description", "cbb_s_0", "cb_f_161", "ed_gsm_interval", "cb_r_5"}) {
        while_open([this, focus] {
            type("ed_description", "changed");
            tick("cb_s_vbat");
            QWidget* w = editor->findChild<QWidget*>(focus);
            pages()->setCurrentWidget(w->parentWidget()->parentWidget());
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        EXPECT_FALSE(editor->edit_station(station)) << focus;
        EXPECT_FALSE(editor->isVisible());
        EXPECT_TRUE(same_record(*station, before)) << focus;
    }
    while_open([this] {
        tick("cb_s_0");
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(station));
    EXPECT_TRUE(same_record(*station, before));
}

TEST_F(Editor_window_test, ClicksAndChoicesEnableWhatDependsOnThem) {
    Tstation station;
    while_open([this] {
        pages()->setCurrentIndex(3);
        EXPECT_FALSE(list("cbb_s_0")->isEnabled());
        EXPECT_FALSE(field("ed_s_0")->isEnabled());
        tick("cb_s_0");
        EXPECT_TRUE(list("cbb_s_0")->isEnabled());
        EXPECT_FALSE(field("ed_s_0")->isEnabled());
        choose("cbb_s_0", 1);
        EXPECT_TRUE(field("ed_s_0")->isEnabled());
        tick("cb_s_0");
        EXPECT_FALSE(list("cbb_s_0")->isEnabled());
        EXPECT_FALSE(field("ed_s_0")->isEnabled());
        EXPECT_EQ(list("cbb_s_0")->currentIndex(), 1); // kept while disabled
        tick("cb_s_vbat");
        EXPECT_TRUE(box("cb_s_vbat_eol")->isEnabled());
        EXPECT_FALSE(field("ed_s_vbat_threshold")->isEnabled());
        tick("cb_s_vbat_eol");
        EXPECT_TRUE(field("ed_s_vbat_threshold")->isEnabled());
        tick("cb_s_out");
        EXPECT_TRUE(list("cbb_s_o3")->isEnabled());
        EXPECT_FALSE(list("cbb_s2_o3")->isEnabled());
        EXPECT_FALSE(list("cbb_f_o3")->isEnabled()); // the fast page is its own
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
}

TEST_F(Editor_window_test, OkStoresWhatTheUserChose) {
    Tstation station;
    while_open([this] {
        type("ed_ID", "42");
        type("ed_description", "Areuse");
        pages()->setCurrentIndex(3);
        tick("cb_s_2");
        choose("cbb_s_2", 1);
        type("ed_s_2", "1.5");
        press("Button1");
    });
    EXPECT_TRUE(editor->edit_station(&station));
    EXPECT_EQ(station.id, 42);
    EXPECT_STREQ(station.description, "Areuse");
    EXPECT_STREQ(station.display_type, "zevo-4k");
    EXPECT_EQ(image_hex(station.configuration, 0, 12), "08 0A 93 A3 C4 82 3F C0 00 00 90 00");
}

TEST_F(Editor_window_test, TheMeterFollowsTheChoicesAndOkRefusesWhatDoesNotFit) {
    Tstation station;
    station.id = 7;
    const Tstation before = station;
    while_open([this] {
        EXPECT_EQ(meter(), "53 of 223 bytes");
        pages()->setCurrentIndex(3);
        tick("cb_s_0");
        EXPECT_EQ(meter(), "55 of 223 bytes");
        choose("cbb_s_0", 2);
        EXPECT_EQ(meter(), "59 of 223 bytes");
        type("ed_sms", "+41");
        EXPECT_EQ(meter(), "64 of 223 bytes");
        for (const char* p : {"s", "f"})
            for (const char* n :
                 {"0", "1", "2", "3", "4", "9", "161", "162", "169", "170", "172", "173", "174", "175"}) {
                const std::string b = std::string("cb_") + p + "_" + n, l = std::string("cbb_") + p + "_" + n;
                if (!box(b.c_str())->isChecked()) tick(b.c_str());
                choose(l.c_str(), 1);
            }
        EXPECT_TRUE(meter().startsWith("242 of 223 bytes: 19 too many")) << meter().toStdString();
        press("Button1");
        EXPECT_TRUE(editor->isVisible()); // refused: still open, every choice as it was
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.contains("needs 242 bytes")) << messages[0].text.toStdString();
        EXPECT_TRUE(messages[0].text.contains("223"));
        EXPECT_TRUE(box("cb_f_175")->isChecked());
        tick("cb_f_175");
        tick("cb_f_174");
        tick("cb_f_173");
        EXPECT_EQ(meter(), "221 of 223 bytes");
        press("Button1");
    });
    EXPECT_TRUE(editor->edit_station(&station));
    EXPECT_EQ(station.configuration.cursor(), 221);
    EXPECT_FALSE(same_record(station, before));
}

TEST_F(Editor_window_test, ControlsAreAnnouncedByTheirLabelsAndCaptions) {
    const struct {
        const char* control;
        const char* name;
    } names[] = {{"ed_f_9", "Conductivity threshold"},
                 {"cbb_s_161", "4-20 mA signal A comparison"},
                 {"ed_acq_interval0", "Interval between two acquisition in slow mode"},
                 {"ed_gsm_duration", "GSM power On duration"},
                 {"ed_ID", "Station ID"},
                 {"cb_r_170", "0-3 V signal D"}};
    for (const auto& n : names) {
        QWidget* w = control<QWidget>(n.control);
        // Lists too are announced by what they are; their current item is their value.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr) << n.control;
        EXPECT_EQ(a->text(QAccessible::Name), n.name) << n.control;
        if (auto* l = qobject_cast<QComboBox*>(w)) EXPECT_EQ(a->text(QAccessible::Value), l->currentText());
    }
    for (const Control& c : editor->logic().form.controls()) {
        QWidget* w = editor->findChild<QWidget*>(QString::fromStdString(c.name));
        EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << c.name;
    }
}

TEST_F(Editor_window_test, TabGoesThroughEveryControlPageByPageInReadingOrder) {
    // On each page Tab reaches the page's controls in the order of the form, which lists them group by
    // group and row by row; together the pages reach all 148.
    int reached = 0;
    for (int p = 0; p < pages()->count(); ++p) {
        QWidget* page = pages()->widget(p);
        QStringList tabbed;
        QWidget* w = page;
        do {
            w = w->nextInFocusChain();
            if (page->isAncestorOf(w) && editor->logic().form.find(w->objectName().toStdString()) >= 0 &&
                (w->focusPolicy() & Qt::TabFocus) && !tabbed.contains(w->objectName()))
                tabbed << w->objectName();
        } while (w != page);
        QStringList expected;
        for (const Control& c : editor->logic().form.controls())
            if (page->isAncestorOf(editor->findChild<QWidget*>(QString::fromStdString(c.name))))
                expected << QString::fromStdString(c.name);
        EXPECT_EQ(tabbed, expected) << pages()->tabText(p).toStdString();
        reached += tabbed.size();
    }
    EXPECT_EQ(reached, 148);
}

TEST_F(Editor_window_test, AddThenCancelChangesNothingAndAddThenOkAppends) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    const int rows = model()->rowCount();
    while_open([this] { press("Button2"); });
    click("Button5");
    EXPECT_EQ(model()->rowCount(), rows);
    EXPECT_FALSE(window->is_modified());
    while_open([this] {
        type("ed_ID", "999");
        press("Button1");
    });
    click("Button5");
    ASSERT_EQ(model()->rowCount(), rows + 1);
    EXPECT_EQ(model()->station_at(rows)->id, 999);
    EXPECT_TRUE(window->is_modified());
}

TEST_F(Editor_window_test, EditSelectedEditsTheSelectedStation) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    select_rows(1, 1); // several rows are edited together (see the history tests)
    while_open([this] {
        EXPECT_EQ(field("ed_ID")->text(), "102");
        type("ed_description", "edited");
        press("Button1");
    });
    click("Button7");
    EXPECT_STREQ(model()->station_at(1)->description, "edited");
    EXPECT_STRNE(model()->station_at(2)->description, "edited");
    EXPECT_TRUE(window->is_modified());
    // A double click on a row edits that row's station; its first click selects the row, as a user's does.
    bool opened = false;
    while_open([this, &opened] {
        opened = true;
        EXPECT_EQ(field("ed_ID")->text(), "203");
        type("ed_description", "double-clicked");
        press("Button1");
    });
    const QRect cell = grid()->visualRect(model()->index(2, 0));
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(opened);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(model()->station_at(2)->id, 203);
    EXPECT_STREQ(model()->station_at(2)->description, "double-clicked");
    EXPECT_STREQ(model()->station_at(1)->description, "edited");
}

TEST_F(Editor_window_test, EditingThroughTheWindowSavesWhatTheCommandLineWrites) {
    const std::string path = dir.file("edited.xml");
    std::filesystem::copy_file(VEMORA_EXAMPLES "/setup.xml", path);
    ASSERT_TRUE(window->open_file(path));
    select_rows(2, 2);
    while_open([this] {
        pages()->setCurrentIndex(3);
        tick("cb_s_vbat_eol");
        type("ed_s_vbat_threshold", "11.5");
        tick("cb_s_9");
        choose("cbb_s_9", 2);
        type("ed_s_9", "0.75");
        pages()->setCurrentIndex(5);
        tick("cb_r_0");
        press("Button1");
    });
    click("Button7");
    action("Save1")->trigger();
    const std::string by_cli = dir.file("cli.xml");
    const Cli_result r =
        cli({"edit", VEMORA_EXAMPLES "/setup.xml", "3", by_cli, "cb_s_vbat_eol=1", "ed_s_vbat_threshold=11.5",
             "cb_s_9=1", "cbb_s_9=2", "ed_s_9=0.75", "cb_r_0=1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(read_bytes(path), read_bytes(by_cli));
    // And reopening shows the edited values.
    TFmain reopened;
    ASSERT_TRUE(reopened.open_file(path));
    Station_editor logic;
    logic.open(static_cast<Tstation*>(reopened.document().stations.list.node_at(2)->item));
    EXPECT_EQ(logic.form.text(logic.form.find("ed_s_9")), "0.75");
    EXPECT_EQ(logic.form.index(logic.form.find("cbb_s_9")), 2);
}
