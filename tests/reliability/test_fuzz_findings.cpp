// Inputs that the fuzz targets found failing, each reduced to the smallest case that shows the fault.
#include <gtest/gtest.h>

#include "editor_fixture.h"

TEST(FuzzFindings, AnSmsNumberWithAZeroByteIsCountedAsTheStoreWritesIt) {
    // A station's memory may hold an SMS number record with a zero byte inside. The store writes only
    // what comes before it, so the size it checks against the 223 bytes must count no more.
    Editor_fixture f;
    f.open_image("01 05 2B 34 00 37 39");
    ASSERT_EQ(f.text("ed_sms"), std::string("+4\0" "79", 5));
    const int needed = f.editor.bytes_needed();
    const Store_result r = f.editor.store();
    ASSERT_TRUE(r.stored);
    EXPECT_EQ(r.bytes_needed, needed);
    EXPECT_EQ(f.station.configuration.cursor(), needed);
    EXPECT_EQ(f.station.configuration.get_sms_number(), "+4");
}
