// The form model: 148 named controls with their kinds, item lists and limits.
#include <gtest/gtest.h>

#include <set>

#include "Form_model.h"

TEST(FormModel, Holds148UniquelyNamedControls) {
    const Form_model form;
    EXPECT_EQ(form.controls().size(), 148u);
    std::set<std::string> names;
    int check_boxes = 0, lists = 0, edits = 0;
    for (const Control& c : form.controls()) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        EXPECT_EQ(form.find(c.name), static_cast<int>(&c - form.controls().data()));
        check_boxes += c.kind == Control_kind::CHECK_BOX;
        lists += c.kind == Control_kind::CHOICE_LIST;
        edits += c.kind == Control_kind::EDIT;
    }
    // Per sequence page 23 check boxes, 22 lists and 15 edits; the remote page 19 check boxes.
    EXPECT_EQ(check_boxes, 23 * 2 + 19);
    EXPECT_EQ(lists, 22 * 2);
    EXPECT_EQ(edits, 9 + 15 * 2);
    EXPECT_EQ(form.find("cb_r_vbat_eol"), -1);
    EXPECT_EQ(form.find("cbb_s_5"), -1); // channels 5 to 8 have no threshold
    EXPECT_EQ(form.find("cbb_r_0"), -1);
    for (const char* name :
         {"ed_ID", "cb_s_vbat", "cbb_f_161", "cbb_s2_o3", "cb_f2_out", "ed_f_vbat_threshold", "ed_s_175",
          "cb_r_175", "ed_acq_interval1", "cb_s_sms", "cbb_f_o0"})
        EXPECT_GE(form.find(name), 0) << name;
}

TEST(FormModel, ItemListsAndEditLimits) {
    Form_model form;
    const Control& compare = form.at(form.find("cbb_s_9"));
    EXPECT_STREQ(compare.items[0], "No threshold");
    EXPECT_STREQ(compare.items[1], ">= Greater Or Equal");
    EXPECT_STREQ(compare.items[2], "< Less Than");
    const Control& output = form.at(form.find("cbb_f2_o1"));
    EXPECT_STREQ(output.items[0], "Force 1");
    EXPECT_STREQ(output.items[1], "Force 0");
    EXPECT_STREQ(output.items[2], "Keep");
    EXPECT_EQ(form.at(form.find("ed_phone_nbr")).max_length, 31);
    EXPECT_EQ(form.at(form.find("ed_pin")).max_length, 31);
    EXPECT_EQ(form.at(form.find("ed_description")).max_length, 255);
    EXPECT_EQ(form.at(form.find("ed_sms")).max_length, 15);
    const int sms = form.find("ed_sms");
    EXPECT_TRUE(form.set_text(sms, std::string(15, '1')));
    EXPECT_FALSE(form.set_text(sms, std::string(16, '2')));
    EXPECT_EQ(form.text(sms), std::string(15, '1')); // refused whole, not cut
    const int list = form.find("cbb_s_0");
    EXPECT_TRUE(form.set_index(list, -1));
    EXPECT_FALSE(form.set_index(list, 3));
    EXPECT_EQ(form.index(list), -1);
}
