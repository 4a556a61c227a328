// What the station editor's edits take and show: Enter stays in its field, a text loaded longer than an
// edit's maximum is shown whole and may only be shortened, a refused character is said, and an SMS
// number longer than the station keeps is refused by OK.
#include "editor_window_fixture.h"

#include <cstring>

#include "Sequence_command.h"
#include "Station.h"

namespace {

// A station whose image holds one SMS number record of the given text, read as a setup file would give it.
Tstation station_with_sms(const std::string& number) {
    Tstation s;
    s.configuration.clear();
    s.configuration.add_byte(tag::SMS_NUMBER);
    s.configuration.add_byte(static_cast<uint8_t>(number.size()));
    for (char c : number)
        s.configuration.add_byte(static_cast<uint8_t>(c));
    s.configuration.add_byte(tag::END);
    return s;
}

} // namespace

TEST_F(Editor_window_test, EnterInAFieldNeitherStoresNorCloses) {
    Tstation station;
    std::strcpy(station.description, "before");
    const Tstation before = station;
    while_open([this] {
        type("ed_description", "typed");
        QTest::keyClick(field("ed_description"), Qt::Key_Return);
        QTest::keyClick(field("ed_ID"), Qt::Key_Enter);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(field("ed_description")->text(), "typed");
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
    EXPECT_STREQ(station.description, "before");
    EXPECT_TRUE(station.configuration == before.configuration);
}

TEST_F(Editor_window_test, AThresholdLongerThanAnEditTakesIsShownWholeAndStoredUnchanged) {
    // -1e30 shows as 35 characters, more than the 31 a user may type into a threshold.
    Tstation station;
    station.configuration.clear();
    const uint8_t length_position = station.configuration.open_record(tag::SEQUENCE_SLOW);
    encode_acq_fluo(station.configuration, 4, 0, 0, true, -1e30, false);
    station.configuration.add_byte(0x00);
    station.configuration.close_record(length_position);
    station.configuration.add_byte(tag::END);
    while_open([this] {
        EXPECT_EQ(field("ed_s_0")->text(), "-1000000015047466219876688855040.00");
        // Shortened it is taken, lengthened again it is not.
        field("ed_s_0")->setFocus();
        field("ed_s_0")->end(false);
        QTest::keyClick(field("ed_s_0"), Qt::Key_Backspace);
        EXPECT_EQ(editor->logic().form.text(editor->logic().form.find("ed_s_0")),
                  "-1000000015047466219876688855040.0");
        QTest::keyClicks(field("ed_s_0"), "00");
        EXPECT_EQ(field("ed_s_0")->text().size(), 34);
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));

    Tstation copy = station;
    while_open([this] { press("Button1"); });
    EXPECT_TRUE(editor->edit_station(&copy));
    const uint8_t slow = copy.configuration.find_tag(tag::SEQUENCE_SLOW);
    ASSERT_NE(slow, 0xFF);
    Sequence_walk walk(copy.configuration, slow);
    Sequence_command command;
    int fluorometer_commands = 0;
    while (walk.next(&command)) {
        if (command.kind != Command_kind::ACQ_FLUO) continue;
        ++fluorometer_commands;
        EXPECT_TRUE(command.has_threshold);
        EXPECT_EQ(command.threshold_real(), -1e30f);
    }
    EXPECT_EQ(fluorometer_commands, 1);
}

TEST_F(Editor_window_test, AnSmsNumberLongerThanTheStationKeepsIsShownWholeAndRefusedByOk) {
    Tstation station = station_with_sms("+4179123456789012"); // 17 characters
    const Tstation before = station;
    while_open([this] {
        EXPECT_EQ(field("ed_sms")->text(), "+4179123456789012");
        // Any change makes OK store, and the store refuses the number the station would not keep.
        type("ed_description", "changed");
        press("Button1");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(
            messages[0].text.indexOf("The SMS number has 17 characters, but the station keeps at most 15."),
            -1)
            << messages[0].text.toStdString();
        EXPECT_TRUE(editor->isVisible());
        // Shortened to what the station keeps, OK stores it.
        type("ed_sms", "+41791234567890");
        press("Button1");
    });
    EXPECT_TRUE(editor->edit_station(&station));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(station.configuration.get_sms_number(), "+41791234567890");
    EXPECT_FALSE(before.configuration == station.configuration);
    // Opened and confirmed without a change, the station stays as it was, long number and all.
    Tstation untouched = station_with_sms("+4179123456789012");
    while_open([this] { press("Button1"); });
    EXPECT_TRUE(editor->edit_station(&untouched));
    EXPECT_EQ(untouched.configuration.get_sms_number(), "+4179123456789012");
}

TEST_F(Editor_window_test, ARefusedCharacterIsSaidBesideTheButtons) {
    Tstation station;
    while_open([this] {
        EXPECT_EQ(control<QLabel>("lb_hint")->text(), "");
        type("ed_description", "ab");
        field("ed_description")->insert(QString::fromUtf8("\xe2\x82\xac")); // a pasted euro sign
        EXPECT_EQ(field("ed_description")->text(), "ab");
        EXPECT_EQ(editor->logic().form.text(editor->logic().form.find("ed_description")), "ab");
        EXPECT_NE(control<QLabel>("lb_hint")->text().indexOf("Latin-1"), -1);
        EXPECT_TRUE(control<QLabel>("lb_hint")->isVisible());
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
}
