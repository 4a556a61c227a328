// Settings in words: labels and values of a station's stored settings, only what the store writes, in
// tab order.
#include <gtest/gtest.h>

#include <set>

#include "Station_settings.h"
#include "editor_fixture.h"

namespace {

// An image whose slow sequence measures the temperature without threshold and uranine ">=" 5.5; fast
// sequence empty; remote measures the battery; ACQ_INTERVAL0 900 s, ACQ_INTERVAL1 20 s, GSM_INTERVAL 6 h.
const char image_hex[] = "08 0d 93 82 77 c4 00 c4 81 40 b0 00 00 90 00 "
                         "09 04 93 a3 90 00 "
                         "0a 05 93 82 00 90 00 "
                         "85 00 00 03 84 88 00 00 00 14 86 00 00 54 60 87 00 00 02 58 "
                         "03 05 68 65 6c 6c 6f ff";

const Setting* find(const std::vector<Setting>& settings, const std::string& name) {
    for (const Setting& s : settings)
        if (s.name == name) return &s;
    return nullptr;
}

struct Settings_test : ::testing::Test {
    Tstation station;
    Settings_reader reader;
    std::vector<Setting> settings;
    void SetUp() override {
        station.configuration = image_of(image_hex);
        station.id = 203;
        copy_text(station.pin, "1234", sizeof station.pin);
        settings = reader.read(station);
    }
    std::string value(const std::string& name) {
        const Setting* s = find(settings, name);
        return s != nullptr ? s->value : "<no setting>";
    }
    std::string label(const std::string& name) {
        const Setting* s = find(settings, name);
        return s != nullptr ? s->label : "<no setting>";
    }
};

} // namespace

TEST_F(Settings_test, AChannelSaysPageCaptionAndAspectWithTheValueAUserReads) {
    EXPECT_EQ(label("cb_s_1"), "Slow Sequence / Uranine delta (on-off) / measured");
    EXPECT_EQ(label("cbb_s_1"), "Slow Sequence / Uranine delta (on-off) / comparison");
    EXPECT_EQ(label("ed_s_1"), "Slow Sequence / Uranine delta (on-off) / threshold");
    EXPECT_EQ(value("cb_s_1"), "yes");
    EXPECT_EQ(value("cbb_s_1"), ">= Greater Or Equal");
    EXPECT_EQ(value("ed_s_1"), "5.50 [mv]");
    // Blanks run together as the window's spoken name does: "Tinopal  delta" has two in its caption.
    EXPECT_EQ(label("cb_f_3"), "Fast Sequence / Tinopal delta (on-off) / measured");
    EXPECT_EQ(value("ed_s_vbat_threshold"), "11.9 [V]");
    EXPECT_EQ(label("cb_r_vbat"), "Remote sequence / VBat Measure / measured");
}

TEST_F(Settings_test, TimingIsInTheEditorsUnitsWithTheSecondsWhenNotWhole) {
    EXPECT_EQ(label("ed_acq_interval0"),
              "Acquisition timing / Interval between two acquisition in slow mode");
    EXPECT_EQ(value("ed_acq_interval0"), "15 minutes");
    EXPECT_EQ(value("ed_acq_interval1"), "0.33 minutes (20 s)");
    EXPECT_EQ(value("ed_gsm_interval"), "6 hours");
    EXPECT_EQ(value("ed_gsm_duration"), "10 minutes");
}

TEST_F(Settings_test, IdentityComesFirstAndFreeTextsAreQuoted) {
    ASSERT_GE(settings.size(), 4u);
    EXPECT_EQ(settings[0].label, "General / Station ID");
    EXPECT_EQ(settings[0].value, "203");
    EXPECT_EQ(settings[0].group, GROUP_IDENTITY);
    EXPECT_EQ(value("ed_pin"), "\"1234\"");
    EXPECT_EQ(value("ed_sms"), "\"\"");
}

TEST_F(Settings_test, WhatTheStoreDoesNotWriteIsNoSetting) {
    // Temperature measured without threshold: its list is a setting, its edit is not.
    EXPECT_EQ(value("cbb_s_0"), "No threshold");
    EXPECT_EQ(find(settings, "ed_s_0"), nullptr);
    // Unmeasured channels and the unticked conditional actions have only their check box.
    EXPECT_EQ(value("cb_s_2"), "no");
    EXPECT_EQ(find(settings, "cbb_s_2"), nullptr);
    EXPECT_EQ(find(settings, "cbb_s_o0"), nullptr);
    EXPECT_EQ(find(settings, "cb_f_vbat_eol"), nullptr);
    // Every setting is an enabled control, and every enabled control but the kept records is a setting.
    const Form_model& form = reader.editor().form;
    size_t enabled = 0;
    for (const Control& c : form.controls())
        enabled += c.enabled;
    size_t controls = 0;
    for (const Setting& s : settings)
        if (s.group != GROUP_KEPT_RECORDS) {
            ++controls;
            EXPECT_TRUE(form.at(s.key).enabled) << s.name;
        }
    EXPECT_EQ(controls, enabled);
}

TEST_F(Settings_test, TickingAnActionBringsItsFourOutputsAsSettings) {
    Station_editor& editor = reader.editor();
    ASSERT_TRUE(editor.set_checked(editor.form.find("cb_s2_out"), true));
    const std::vector<Setting>& now = reader.read_form();
    EXPECT_EQ(find(now, "cb_s2_out")->label,
              "Slow Sequence / Change digital outputs if threshold pass, second action");
    ASSERT_NE(find(now, "cbb_s2_o3"), nullptr);
    EXPECT_EQ(find(now, "cbb_s2_o3")->label,
              "Slow Sequence / Change digital outputs if threshold pass, second action / S3");
    EXPECT_EQ(find(now, "cbb_s2_o3")->value, "Force 1");
    EXPECT_EQ(find(now, "cbb_s_o3"), nullptr);
}

TEST_F(Settings_test, AThresholdBehindAListWithNoSelectionIsNoSetting) {
    Station_editor& editor = reader.editor();
    ASSERT_TRUE(editor.set_index(editor.form.find("cbb_s_1"), -1));
    const std::vector<Setting>& now = reader.read_form();
    EXPECT_EQ(find(now, "cbb_s_1")->value, "(none selected)");
    EXPECT_EQ(find(now, "ed_s_1"), nullptr);
}

TEST_F(Settings_test, KeptRecordsAppearByNameWithTheirContentLast) {
    const Setting& last = settings.back();
    EXPECT_EQ(last.group, GROUP_KEPT_RECORDS);
    EXPECT_EQ(last.label, "Kept records / SMS text on acquisition");
    EXPECT_EQ(last.name, "SMS_TEXT_ACQ");
    EXPECT_EQ(last.value, "\"hello\"");
}

TEST_F(Settings_test, SettingsStandInTabOrderWithUniqueLabels) {
    std::set<std::string> labels;
    for (size_t i = 0; i < settings.size(); ++i) {
        EXPECT_TRUE(labels.insert(settings[i].label).second) << settings[i].label;
        if (i == 0) continue;
        EXPECT_LT(settings[i - 1].key, settings[i].key);
        EXPECT_LE(settings[i - 1].group, settings[i].group);
    }
}

TEST_F(Settings_test, AReaderReusedForAnotherStationShowsNothingOfTheFirst) {
    Tstation empty;
    const std::vector<Setting>& other = reader.read(empty);
    EXPECT_EQ(find(other, "ed_s_1"), nullptr);
    EXPECT_EQ(find(other, "SMS_TEXT_ACQ"), nullptr);
    EXPECT_EQ(value("cb_s_1"), "yes"); // the copy taken before is unchanged
}
