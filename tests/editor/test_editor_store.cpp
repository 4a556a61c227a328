// Storing the editor: the image rebuilt in the fixed order, lenient conversions, and the refusal of a
// configuration that does not fit the station's 223 bytes.
#include "Edit_numbers.h"
#include "editor_fixture.h"

namespace {

// Ticks every box of both sequence pages and gives every channel a threshold.
void tick_everything(Editor_fixture& f) {
    for (const char* p : {"s", "f"}) {
        const std::string page = p;
        f.tick("cb_" + page + "_vbat");
        f.tick("cb_" + page + "_vbat_eol");
        for (const Channel& c : channel_table) {
            f.tick("cb_" + page + "_" + std::to_string(c.number));
            if (c.has_threshold) f.choose("cbb_" + page + "_" + std::to_string(c.number), 1);
        }
        f.tick("cb_" + page + "_sms");
        f.tick("cb_" + page + "_out");
        f.tick("cb_" + page + "2_out");
    }
}

} // namespace

TEST(EditorStore, NothingTickedGivesThe53ByteImage) {
    Editor_fixture f;
    f.open();
    const Store_result r = f.editor.store();
    EXPECT_TRUE(r.stored);
    EXPECT_EQ(r.bytes_needed, 53);
    EXPECT_EQ(image_hex(f.station.configuration),
              "08 04 93 A3 90 00 09 04 93 A3 90 00 0A 04 93 A3 90 00 82 00 00 00 00 84 03 01 00 00 "
              "85 00 00 03 84 88 00 00 01 2C 87 00 00 04 B0 86 00 01 51 80 83 00 00 00 00");
    EXPECT_EQ(f.station.configuration.cursor(), 53);
    EXPECT_EQ(f.station.configuration.get_byte(53), 0xFF); // no end marker appended: clearing left it
    EXPECT_STREQ(f.station.display_type, "zevo-4k");
}

TEST(EditorStore, TheSlowRecordOfATypicalPage) {
    Editor_fixture f;
    f.open();
    f.tick("cb_s_vbat");
    f.tick("cb_s_vbat_eol");
    f.type("ed_s_vbat_threshold", "11.9");
    f.tick("cb_s_2");
    f.choose("cbb_s_2", 1);
    f.type("ed_s_2", "1.5");
    f.tick("cb_s_172");
    f.choose("cbb_s_172", 2);
    f.type("ed_s_172", "1000");
    f.tick("cb_s_sms");
    f.tick("cb_s_out");
    f.choose("cbb_s_o3", 2);
    f.choose("cbb_s_o2", 2);
    f.choose("cbb_s_o1", 0);
    f.choose("cbb_s_o0", 1);
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(image_hex(f.station.configuration, 0, 24),
              "08 16 93 82 77 C4 82 3F C0 00 00 D5 EC 7C 00 00 03 E8 90 81 0D 0C 02 00");
}

TEST(EditorStore, ATickedChannelWithoutComparisonHasNoThreshold) {
    Editor_fixture f;
    f.open();
    f.tick("cb_s_0");
    f.type("ed_s_0", "99");
    f.tick("cb_s_161");
    f.choose("cbb_s_161", -1); // no selection counts as no threshold
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(image_hex(f.station.configuration, 0, 11), "08 09 93 A3 C4 00 D2 21 71 90 00");
}

TEST(EditorStore, TheFullyTickedRemoteRecord) {
    Editor_fixture f;
    f.open();
    f.tick("cb_r_vbat");
    for (const Channel& c : channel_table)
        f.tick("cb_r_" + std::to_string(c.number));
    ASSERT_TRUE(f.editor.store().stored);
    const uint8_t at = f.station.configuration.find_tag(tag::SEQUENCE_REMOTE);
    EXPECT_EQ(image_hex(f.station.configuration, at, 51),
              "0A 31 93 82 00 C4 00 C4 01 C4 02 C4 03 C4 04 C4 05 C4 06 C4 07 C4 08 C4 09 D2 21 71 D2 22 72 "
              "D2 29 79 D2 2A 7A D5 2C 7C D5 2D 7D D5 2E 7E D5 2F 7F 90 00");
}

TEST(EditorStore, BatteryThresholdConversions) {
    const struct {
        const char* text;
        uint8_t byte;
    } cases[] = {{"3.65", 0x24}, {"0.7", 7}, {"25.6", 0}, {"11,9", 110}, {"-1", 246}, {"", 0}, {"abc", 0}};
    for (const auto& c : cases) {
        Editor_fixture f;
        f.open();
        f.tick("cb_s_vbat");
        f.tick("cb_s_vbat_eol");
        f.type("ed_s_vbat_threshold", c.text);
        ASSERT_TRUE(f.editor.store().stored);
        EXPECT_EQ(f.station.configuration.get_byte(4), c.byte) << c.text;
    }
}

TEST(EditorStore, IntervalConversions) {
    Editor_fixture f;
    f.open();
    f.type("ed_gsm_interval", "0.5");
    f.type("ed_acq_interval0", "2.999");
    f.type("ed_acq_interval1", "abc");
    f.type("ed_gsm_duration", "-1");
    ASSERT_TRUE(f.editor.store().stored);
    int32_t v = 0;
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::GSM_INTERVAL, &v));
    EXPECT_EQ(v, 1800);
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::ACQ_INTERVAL0, &v));
    EXPECT_EQ(v, 179);
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::ACQ_INTERVAL1, &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::GSM_DURATION, &v));
    EXPECT_EQ(v, -60);
}

TEST(EditorStore, ThresholdConversions) {
    Editor_fixture f;
    f.open();
    f.tick("cb_s_172");
    f.choose("cbb_s_172", 1);
    f.type("ed_s_172", "-5");
    f.tick("cb_s_173");
    f.choose("cbb_s_173", 1);
    f.type("ed_s_173", "12abc");
    f.tick("cb_s_161");
    f.choose("cbb_s_161", 1);
    f.type("ed_s_161", "1e30");
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(image_hex(f.station.configuration, 4, 21),
              "D2 A1 71 71 49 F2 CA D5 AC 7C FF FF FF FB D5 AD 7D 00 00 00 0C");
}

TEST(EditorStore, IdentificationTexts) {
    Editor_fixture f;
    f.open();
    f.type("ed_ID", "  42x");
    f.type("ed_phone_nbr", "+41 79 123");
    f.type("ed_pin", std::string(31, '9'));
    f.type("ed_description", std::string(255, 'd'));
    f.type("ed_sms", "+41791234567890");
    EXPECT_FALSE(
        f.editor.set_text(f.control("ed_sms"), "+417912345678901")); // 16 would be cut by the station
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(f.station.id, 42);
    EXPECT_STREQ(f.station.phone_nbr, "+41 79 123");
    EXPECT_EQ(std::string(f.station.pin), std::string(31, '9'));
    EXPECT_EQ(std::string(f.station.description), std::string(255, 'd'));
    EXPECT_EQ(f.station.configuration.get_sms_number(), "+41791234567890");
    f.type("ed_ID", "");
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(f.station.id, 0);
    f.type("ed_ID", "4294967295");
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(f.station.id, -1);
}

TEST(EditorStore, BytesNeededIsWhatTheStoreWrites) {
    Editor_fixture f;
    f.open();
    f.tick("cb_s_vbat");
    f.tick("cb_f_3");
    f.choose("cbb_f_3", 2);
    f.tick("cb_r_172");
    f.type("ed_sms", "+41");
    const int needed = f.editor.bytes_needed();
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(f.station.configuration.cursor(), needed);
    f.type("ed_sms", "");
    EXPECT_EQ(f.editor.bytes_needed(), needed - 5);
}

TEST(EditorStore, RefusesAConfigurationThatDoesNotFitAndChangesNothing) {
    Editor_fixture f;
    f.station.id = 9;
    copy_text(f.station.description, "before", sizeof f.station.description);
    f.open_image("85 00 00 03 84");
    tick_everything(f);
    f.type("ed_description", "after");
    const Teeprom_configurer before = f.station.configuration;
    const Store_result r = f.editor.store();
    EXPECT_FALSE(r.stored);
    // 114 for each full page, a bare remote record of 6, 35 fixed: 269 of 223.
    EXPECT_EQ(r.bytes_needed, 114 + 114 + 6 + 35);
    EXPECT_EQ(f.station.configuration, before);
    EXPECT_STREQ(f.station.description, "before");
    EXPECT_EQ(f.station.id, 9);
}

TEST(EditorStore, TheRefusalIsExactAt223Bytes) {
    // Grow the configuration one command at a time: it is stored while it needs 223 bytes or fewer, and
    // a stored image always holds exactly the bytes it was said to need.
    Editor_fixture f;
    f.open();
    bool refused_once = false;
    for (const char* p : {"s", "f", "r"}) {
        for (const Channel& c : channel_table) {
            f.tick(std::string("cb_") + p + "_" + std::to_string(c.number));
            if (c.has_threshold && std::string(p) != "r")
                f.choose(std::string("cbb_") + p + "_" + std::to_string(c.number), 2);
            const int needed = f.editor.bytes_needed();
            const Store_result r = f.editor.store();
            EXPECT_EQ(r.bytes_needed, needed);
            EXPECT_EQ(r.stored, needed <= 223) << needed;
            if (r.stored) {
                EXPECT_EQ(f.station.configuration.cursor(), needed);
            }
            refused_once |= !r.stored;
        }
    }
    EXPECT_TRUE(refused_once);
}

TEST(EditorStore, OkWithoutChangesOnALoadedStation) {
    Editor_fixture f;
    f.open_image("08 16 93 82 77 C4 82 3F C0 00 00 D5 EC 7C 00 00 03 E8 90 81 0D 0C 02 00 "
                 "09 04 93 A3 90 00 0A 04 93 A3 90 00 01 03 2B 34 31 82 00 00 00 00 84 03 01 00 00 "
                 "85 00 00 03 84 88 00 00 01 2C 87 00 00 04 B0 86 00 01 51 80 83 00 00 00 00");
    const Teeprom_configurer before = f.station.configuration;
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(image_hex(f.station.configuration), image_hex(before));
}

TEST(EditorStore, ALoadedIntervalComesBackAsItWasExceptZero) {
    // 20 seconds shows as 0.33 minutes; left as shown it stores 20 again, not the 19 that 0.33 gives. 0 shows
    // as 1.00 on purpose and comes back as the 60 seconds shown.
    Editor_fixture f;
    f.open_image("85 00 00 00 14 88 00 00 00 00");
    EXPECT_EQ(f.text("ed_acq_interval0"), "0.33");
    ASSERT_TRUE(f.editor.store().stored);
    int32_t v = 0;
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::ACQ_INTERVAL0, &v));
    EXPECT_EQ(v, 20);
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::ACQ_INTERVAL1, &v));
    EXPECT_EQ(v, 60);
    // Typed by the user, the text is converted as always, also when it is the same figure again.
    f.open_image("85 00 00 00 14");
    f.type("ed_acq_interval0", "0.330");
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::ACQ_INTERVAL0, &v));
    EXPECT_EQ(v, 19);
}

TEST(EditorStore, StoresExactly223BytesAndRefuses224) {
    // Tick channels until the records without the SMS number need 206 to 220 bytes, then let the SMS
    // number's length take the total to 223 exactly, and one character more to 224.
    Editor_fixture f;
    f.open();
    f.type("ed_sms", "");
    for (const char* p : {"s", "f"}) {
        for (const Channel& c : channel_table) {
            if (f.editor.bytes_needed() >= 206) break;
            f.tick(std::string("cb_") + p + "_" + std::to_string(c.number));
            if (c.has_threshold) f.choose(std::string("cbb_") + p + "_" + std::to_string(c.number), 1);
        }
    }
    const int base = f.editor.bytes_needed();
    ASSERT_GE(base, 206);
    ASSERT_LE(base, 220);
    const std::string number = std::string(static_cast<size_t>(221 - base), '7');
    f.type("ed_sms", number);
    ASSERT_EQ(f.editor.bytes_needed(), 223);
    const Store_result fits = f.editor.store();
    EXPECT_TRUE(fits.stored);
    EXPECT_EQ(f.station.configuration.cursor(), 223);
    EXPECT_EQ(f.station.configuration.get_sms_number(), number);
    EXPECT_EQ(f.station.configuration.refused(), 0);

    const Teeprom_configurer stored = f.station.configuration;
    f.type("ed_sms", number + "7");
    const Store_result over = f.editor.store();
    EXPECT_FALSE(over.stored);
    EXPECT_EQ(over.refusal, Store_refusal::TOO_LARGE);
    EXPECT_EQ(over.bytes_needed, 224);
    EXPECT_EQ(refusal_text(over, number),
              "This configuration needs 224 bytes, but the station's memory holds 223.");
    EXPECT_EQ(f.station.configuration, stored);
}

TEST(EditorStore, AnSmsNumberLongerThanTheStationKeepsIsRefusedUntilShortened) {
    // A file may hold a longer SMS number than the 15 characters the station keeps: storing it cut would
    // make it another number.
    Editor_fixture f;
    f.open_image("01 11 2B 34 31 37 39 31 32 33 34 35 36 37 38 39 30 31 32"); // 17 characters
    EXPECT_EQ(f.text("ed_sms"), "+4179123456789012");
    const Teeprom_configurer before = f.station.configuration;
    const Store_result r = f.editor.store();
    EXPECT_FALSE(r.stored);
    EXPECT_EQ(r.refusal, Store_refusal::SMS_NUMBER_TOO_LONG);
    EXPECT_EQ(refusal_text(r, f.text("ed_sms")),
              "The SMS number has 17 characters, but the station keeps at most 15.");
    EXPECT_EQ(f.station.configuration, before);
    // It may be shortened, never lengthened; at 15 characters it is stored whole.
    EXPECT_FALSE(f.editor.set_text(f.control("ed_sms"), "+41791234567890123"));
    f.type("ed_sms", "+417912345678901");
    EXPECT_EQ(f.editor.form.longest_text(f.control("ed_sms")), 16);
    EXPECT_FALSE(f.editor.store().stored);
    f.type("ed_sms", "+41791234567890");
    EXPECT_EQ(f.editor.form.longest_text(f.control("ed_sms")), 15);
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(f.station.configuration.get_sms_number(), "+41791234567890");
}

TEST(EditorStore, NumbersAreReadInTheirDecimalFormOnly) {
    const struct {
        const char* text;
        double value;
    } cases[] = {{"11,9", 11}, {"12abc", 12},   {"  42x", 42},  {"0x10", 0},    {"inf", 0},
                 {"-nan", 0},  {"1E-3", 0.001}, {"-.5e1x", -5}, {"5e", 5},      {"1.5e+", 1.5},
                 {".", 0},     {"+7.25", 7.25}, {"\t-3", -3},   {"1e39", 1e39}, {"", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(edit_real(c.text), c.value) << c.text;

    // Through the store: a threshold of "nan" and an interval of "0x10" are 0, as atof gives them.
    Editor_fixture f;
    f.open();
    f.tick("cb_s_161");
    f.choose("cbb_s_161", 1);
    f.type("ed_s_161", "nan");
    f.type("ed_acq_interval1", "0x10");
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(image_hex(f.station.configuration, 4, 7), "D2 A1 71 00 00 00 00");
    int32_t v = -1;
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::ACQ_INTERVAL1, &v));
    EXPECT_EQ(v, 0);
}
