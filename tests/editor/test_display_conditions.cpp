// Display conditions: which dependent controls are enabled, as a pure function of ticks and selections.
#include "editor_fixture.h"

TEST(DisplayConditions, AfterOpeningOnAMeasuredChannel) {
    Editor_fixture f;
    f.open_image("08 08 C3 C3 40 00 00 00 00"); // channel 3 with "< Less Than"
    EXPECT_TRUE(f.enabled("cbb_s_3"));
    EXPECT_TRUE(f.enabled("ed_s_3"));
    EXPECT_FALSE(f.enabled("cbb_s_4"));
    EXPECT_FALSE(f.enabled("ed_s_4"));
}

TEST(DisplayConditions, ThresholdedChannelStates) {
    Editor_fixture f;
    f.open();
    f.tick("cb_f_161");
    EXPECT_TRUE(f.enabled("cbb_f_161"));
    EXPECT_FALSE(f.enabled("ed_f_161")); // "No threshold"
    f.choose("cbb_f_161", 1);
    EXPECT_TRUE(f.enabled("ed_f_161"));
    f.type("ed_f_161", "7.5");
    f.tick("cb_f_161", false);
    EXPECT_FALSE(f.enabled("cbb_f_161"));
    EXPECT_FALSE(f.enabled("ed_f_161"));
    EXPECT_EQ(f.index("cbb_f_161"), 1); // a disabled control keeps what it showed
    EXPECT_EQ(f.text("ed_f_161"), "7.5");
    f.tick("cb_f_161");
    EXPECT_TRUE(f.enabled("ed_f_161"));
    f.choose("cbb_f_161", -1); // no selection counts as not 0
    EXPECT_TRUE(f.enabled("ed_f_161"));
    f.choose("cbb_f_161", 0);
    EXPECT_FALSE(f.enabled("ed_f_161"));
}

TEST(DisplayConditions, BatteryGroup) {
    Editor_fixture f;
    f.open();
    EXPECT_FALSE(f.enabled("cb_s_vbat_eol"));
    EXPECT_FALSE(f.enabled("ed_s_vbat_threshold"));
    f.tick("cb_s_vbat");
    EXPECT_TRUE(f.enabled("cb_s_vbat_eol"));
    EXPECT_FALSE(f.enabled("ed_s_vbat_threshold"));
    f.tick("cb_s_vbat_eol");
    EXPECT_TRUE(f.enabled("ed_s_vbat_threshold"));
    f.tick("cb_s_vbat", false); // the end-of-life box stays ticked but is disabled, and so is the edit
    EXPECT_TRUE(f.checked("cb_s_vbat_eol"));
    EXPECT_FALSE(f.enabled("cb_s_vbat_eol"));
    EXPECT_FALSE(f.enabled("ed_s_vbat_threshold"));
}

TEST(DisplayConditions, OutputActionsActIndependently) {
    Editor_fixture f;
    f.open();
    f.tick("cb_s_out");
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(f.enabled("cbb_s_o" + std::to_string(k)));
        EXPECT_FALSE(f.enabled("cbb_s2_o" + std::to_string(k)));
    }
    f.tick("cb_s_sms");
    f.tick("cb_s2_out");
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(f.enabled("cbb_s2_o" + std::to_string(k)));
}

TEST(DisplayConditions, PagesAreIndependentAndOtherControlsAlwaysEnabled) {
    Editor_fixture f;
    f.open();
    std::vector<bool> fast_before;
    for (const Control& c : f.editor.form.controls())
        if (c.name.find("_f") != std::string::npos) fast_before.push_back(c.enabled);
    f.tick("cb_s_0");
    f.choose("cbb_s_0", 2);
    f.tick("cb_s_vbat");
    f.tick("cb_s_out");
    std::vector<bool> fast_after;
    for (const Control& c : f.editor.form.controls())
        if (c.name.find("_f") != std::string::npos) fast_after.push_back(c.enabled);
    EXPECT_EQ(fast_before, fast_after);
    for (const Control& c : f.editor.form.controls()) {
        const bool dependent = c.kind == Control_kind::CHOICE_LIST ||
                               c.name.find("vbat_eol") != std::string::npos ||
                               (c.kind == Control_kind::EDIT &&
                                (c.name.rfind("ed_s_", 0) == 0 || c.name.rfind("ed_f_", 0) == 0));
        if (!dependent) {
            EXPECT_TRUE(c.enabled) << c.name;
        }
    }
}

TEST(DisplayConditions, IsAPureFunctionOfTheValues) {
    // Whatever order the values were set in, the enabled flags depend only on the values.
    Editor_fixture a, b;
    a.open();
    b.open();
    a.tick("cb_s_9");
    a.choose("cbb_s_9", 1);
    a.tick("cb_f_vbat");
    a.tick("cb_f_vbat_eol");
    b.tick("cb_f_vbat_eol");
    b.choose("cbb_s_9", 1);
    b.tick("cb_f_vbat");
    b.tick("cb_s_9");
    for (size_t i = 0; i < a.editor.form.controls().size(); ++i)
        EXPECT_EQ(a.editor.form.controls()[i].enabled, b.editor.form.controls()[i].enabled)
            << a.editor.form.controls()[i].name;
}
