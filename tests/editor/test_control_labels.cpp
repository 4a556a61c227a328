// The editor's control names: one per control, unique within its page, from the channel table.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "Control_labels.h"

TEST(Control_labels, EveryControlHasAPageAndANameUniqueWithinIt) {
    const Form_model form;
    const std::vector<Control_label> labels = control_labels(form);
    ASSERT_EQ(labels.size(), form.controls().size());
    std::map<int, std::set<std::string>> names_by_page;
    int per_page[EDITOR_PAGE_COUNT] = {};
    for (size_t i = 0; i < labels.size(); ++i) {
        const Control_label& l = labels[i];
        const Control& c = form.at(static_cast<int>(i));
        ASSERT_GE(l.page, 0) << c.name;
        ASSERT_LT(l.page, EDITOR_PAGE_COUNT) << c.name;
        EXPECT_FALSE(l.name.empty()) << c.name;
        EXPECT_TRUE(names_by_page[l.page].insert(l.name).second) << c.name << ": " << l.name;
        ++per_page[l.page];
        // A list is never named like one of its items.
        if (c.kind == Control_kind::CHOICE_LIST)
            for (int k = 0; k < ITEM_COUNT; ++k)
                EXPECT_NE(l.name, c.items[k]) << c.name;
    }
    // General 4, GSM 3, Acquisition 2; Slow and Fast 3 + 18 + 14 * 2 + 1 + 2 * 5; Remote 1 + 18.
    const int expected[EDITOR_PAGE_COUNT] = {4, 3, 2, 60, 60, 19};
    for (int p = 0; p < EDITOR_PAGE_COUNT; ++p)
        EXPECT_EQ(per_page[p], expected[p]) << editor_page_captions[p];
}

TEST(Control_labels, ThresholdsCarryTheirChannelsCaptionAndUnit) {
    const Form_model form;
    const std::vector<Control_label> labels = control_labels(form);
    const auto label = [&](const char* name) { return labels[static_cast<size_t>(form.find(name))]; };
    EXPECT_EQ(label("ed_f_9").name, "Conductivity threshold");
    EXPECT_EQ(label("ed_f_9").unit, "[-] (m1/m0 ratio)");
    EXPECT_EQ(label("ed_s_0").unit, "[\xB0"
                                    "C]"); // Latin-1, as the window's unit label
    EXPECT_EQ(label("cbb_s_4").name, "Turbidity delta (on-off) comparison"); // blanks run together
    EXPECT_EQ(label("cb_s_4").label, "Turbidity  delta (on-off)");           // the caption as it stands
    EXPECT_EQ(label("ed_s_vbat_threshold").unit, "[V]");
    EXPECT_EQ(label("ed_gsm_duration").unit, "minutes");
    EXPECT_EQ(label("ed_ID").unit, "");
    EXPECT_EQ(label("cbb_f2_o1").name, "Outputs S1 of the second conditional action");
    EXPECT_EQ(label("cbb_f2_o1").label, "S1");
    EXPECT_EQ(label("cb_r_175").page, 5);
    EXPECT_EQ(label("cb_r_175").name, "Pulse counter 14 (input #1, rel)");
    for (int n = 0; n < CHANNEL_COUNT; ++n) {
        const Channel& channel = channel_table[n];
        const int threshold = form.page(0).threshold[n];
        if (threshold >= 0)
            EXPECT_EQ(labels[static_cast<size_t>(threshold)].unit, channel.unit) << channel.number;
    }
}
