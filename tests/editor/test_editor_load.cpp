// Loading a station into the editor: values before loading, timing edits, and the sequence walks.
#include "editor_fixture.h"

TEST(EditorLoad, ANewStationShowsTheValuesBeforeLoading) {
    Editor_fixture f;
    f.open();
    EXPECT_EQ(f.text("ed_ID"), "0");
    EXPECT_EQ(f.text("ed_phone_nbr"), "");
    EXPECT_EQ(f.text("ed_pin"), "");
    EXPECT_EQ(f.text("ed_description"), "");
    EXPECT_EQ(f.text("ed_sms"), "");
    EXPECT_EQ(f.text("ed_acq_interval0"), "15");
    EXPECT_EQ(f.text("ed_acq_interval1"), "5");
    EXPECT_EQ(f.text("ed_gsm_interval"), "24");
    EXPECT_EQ(f.text("ed_gsm_duration"), "20");
    EXPECT_EQ(f.ticked(), "");
    for (const Control& c : f.editor.form.controls())
        if (c.kind == Control_kind::CHOICE_LIST) {
            EXPECT_EQ(c.index, 0) << c.name;
        }
    EXPECT_EQ(f.text("ed_s_vbat_threshold"), "11.9");
    EXPECT_EQ(f.text("ed_f_vbat_threshold"), "11.9");
    EXPECT_EQ(f.text("ed_s_0"), "5.0");
    EXPECT_EQ(f.text("ed_f_170"), "5.0");
    EXPECT_EQ(f.text("ed_s_9"), "0.5");
    EXPECT_EQ(f.text("ed_f_9"), "0.6");
    EXPECT_EQ(f.text("ed_s_172"), "5");
    EXPECT_EQ(f.text("ed_f_172"), "5.0");
    EXPECT_EQ(f.text("ed_s_175"), "5");
}

TEST(EditorLoad, NothingOfAnEarlierOpeningShows) {
    Editor_fixture f;
    f.open_image("08 06 93 82 77 C4 01 00");
    f.type("ed_s_0", "99");
    Tstation other;
    f.editor.open(&other);
    EXPECT_EQ(f.ticked(), "");
    EXPECT_EQ(f.text("ed_s_0"), "5.0");
    EXPECT_EQ(f.editor.station, &other);
}

TEST(EditorLoad, TimingEdits) {
    Editor_fixture f;
    f.open_image("85 00 00 03 84 88 00 00 00 5A 86 00 01 51 80 87 00 00 00 00");
    EXPECT_EQ(f.text("ed_acq_interval0"), "15.00");
    EXPECT_EQ(f.text("ed_acq_interval1"), "1.50");
    EXPECT_EQ(f.text("ed_gsm_interval"), "24.000");
    EXPECT_EQ(f.text("ed_gsm_duration"), "1.00"); // 0 seconds shows as 1
    f.open_image("86 00 00 00 00 85 FF FF FF FF");
    EXPECT_EQ(f.text("ed_gsm_interval"), "1.000");
    EXPECT_EQ(f.text("ed_acq_interval0"), "71582788.25"); // the 32 bits as an unsigned number
}

TEST(EditorLoad, IdentificationAndSmsNumber) {
    Editor_fixture f;
    f.station.id = -1;
    copy_text(f.station.phone_nbr, "+41 79", sizeof f.station.phone_nbr);
    copy_text(f.station.pin, "1234", sizeof f.station.pin);
    copy_text(f.station.description, "Areuse", sizeof f.station.description);
    f.open_image("01 03 31 32 33 01 01 39");
    EXPECT_EQ(f.text("ed_ID"), "4294967295");
    EXPECT_EQ(f.text("ed_phone_nbr"), "+41 79");
    EXPECT_EQ(f.text("ed_pin"), "1234");
    EXPECT_EQ(f.text("ed_description"), "Areuse");
    EXPECT_EQ(f.text("ed_sms"), "123"); // the first of two SMS numbers
}

TEST(EditorLoad, Battery) {
    Editor_fixture f;
    f.open_image("08 03 82 77 00");
    EXPECT_EQ(f.ticked(), "cb_s_vbat cb_s_vbat_eol");
    EXPECT_EQ(f.text("ed_s_vbat_threshold"), "11.9");
    f.open_image("08 03 83 24 00");
    EXPECT_EQ(f.ticked(), "cb_s_vbat cb_s_vbat_eol");
    EXPECT_EQ(f.text("ed_s_vbat_threshold"), "3.6");
    f.open_image("09 03 82 00 00");
    EXPECT_EQ(f.ticked(), "cb_f_vbat");
    EXPECT_EQ(f.text("ed_f_vbat_threshold"), "11.9");
    f.open_image("0A 03 82 24 00");
    EXPECT_EQ(f.ticked(), "cb_r_vbat");
}

TEST(EditorLoad, MeasuredChannelsWithThresholds) {
    Editor_fixture f;
    f.open_image("09 07 C4 82 3F C0 00 00 00");
    EXPECT_EQ(f.ticked(), "cb_f_2");
    EXPECT_EQ(f.index("cbb_f_2"), 1);
    EXPECT_EQ(f.text("ed_f_2"), "1.50");
    f.open_image("08 0F D5 EC 7C 00 00 03 E8 D5 ED 7D FF FF FF FB 00");
    EXPECT_EQ(f.ticked(), "cb_s_172 cb_s_173");
    EXPECT_EQ(f.index("cbb_s_172"), 2);
    EXPECT_EQ(f.text("ed_s_172"), "1000");
    EXPECT_EQ(f.text("ed_s_173"), "4294967291");
    f.open_image("08 04 D2 21 71 00");
    EXPECT_EQ(f.ticked(), "cb_s_161");
    EXPECT_EQ(f.index("cbb_s_161"), 0);
    EXPECT_EQ(f.text("ed_s_161"), "5.0");
    f.open_image("08 04 D2 61 71 00"); // the lt bit without a threshold is not shown
    EXPECT_EQ(f.index("cbb_s_161"), 0);
}

TEST(EditorLoad, OutputActions) {
    Editor_fixture f;
    f.open_image("08 0A 0D 0C 02 0D 0F 00 0D 00 0F 00");
    EXPECT_EQ(f.ticked(), "cb_s_out cb_s2_out");
    EXPECT_EQ(f.index("cbb_s_o3"), 2);
    EXPECT_EQ(f.index("cbb_s_o2"), 2);
    EXPECT_EQ(f.index("cbb_s_o1"), 0);
    EXPECT_EQ(f.index("cbb_s_o0"), 1);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(f.index("cbb_s2_o" + std::to_string(k)), 2); // the third changes nothing
    f.open_image("0A 05 0D 0C 02 81 00");
    EXPECT_EQ(f.ticked(), ""); // the remote page shows no actions and no SMS
    f.open_image("0A 01 00 09 05 0D 0C 02 81 00");
    EXPECT_EQ(f.ticked(), "cb_f_sms cb_f_out");
}

TEST(EditorLoad, TheRemoteSequenceTicksItsBoxes) {
    Editor_fixture f;
    f.open_image("0A 0A 93 82 00 C4 05 D2 22 71 90 00");
    EXPECT_EQ(f.ticked(), "cb_r_vbat cb_r_5 cb_r_162");
}

TEST(EditorLoad, AWalkEndsAtASensorCommandOrANonCommand) {
    Editor_fixture f;
    f.open_image("08 07 93 01 07 C4 00 90 00");
    EXPECT_EQ(f.ticked(), "");
    f.open_image("08 05 C4 00 05 C4 01 00");
    EXPECT_EQ(f.ticked(), "cb_s_0");
}

TEST(EditorLoad, UnknownChannelsAndInstrumentsAreSteppedOver) {
    Editor_fixture f;
    // ACQ_FLUO channel 12, ACQ header 163 with a threshold, an instrument with a threshold, then a channel.
    f.open_image("08 16 C4 0C D2 A3 73 00 00 00 01 DB C6 40 00 00 00 DA 01 A3 84 C4 09 00");
    EXPECT_EQ(f.ticked(), "cb_s_9");
}

TEST(EditorLoad, AWalkNeverLeavesTheImage) {
    // A sequence of NOPs to the end of the usable area and beyond: the walk stops, it does not wrap.
    Tstation station;
    uint8_t bytes[IMAGE_SIZE];
    for (int i = 0; i < IMAGE_SIZE; ++i)
        bytes[i] = 0x84;
    bytes[0] = tag::SEQUENCE_SLOW;
    bytes[1] = 0xFE;
    station.configuration.assign(bytes, 223);
    Station_editor editor;
    editor.open(&station);
    EXPECT_EQ(editor.form.at(editor.form.find("cb_s_vbat")).checked, false);
}

TEST(EditorLoad, TheWalkShowsACommandBelowPosition240AndNoneFromThere) {
    // NOPs from the record's start; a battery command at 239 is still read, one at 240 is not.
    for (const int at : {239, 240}) {
        Tstation station;
        uint8_t bytes[IMAGE_SIZE];
        for (int i = 0; i < IMAGE_SIZE; ++i)
            bytes[i] = 0x84;
        bytes[0] = tag::SEQUENCE_SLOW;
        bytes[1] = 0xFE;
        bytes[at] = 0x82;
        bytes[at + 1] = 0x00;
        station.configuration.assign(bytes, 223);
        Station_editor editor;
        editor.open(&station);
        EXPECT_EQ(editor.form.at(editor.form.find("cb_s_vbat")).checked, at == 239) << at;
    }
}
