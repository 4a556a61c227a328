// Under a locale whose decimal point is a comma (as the windows take it from the user's desktop), the
// editor shows "11.9", OK without changes gives the same image, and the saved file says threshold="11.9".
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Configuration_writer.h"
#include "Lib_output.h"
#include "editor_fixture.h"
#include "temp_dir.h"

namespace {

// Builds a German locale into a folder of the test's own and switches the whole process to it; false when
// the system cannot build one (no locale sources installed).
bool switch_to_comma_locale(const Temp_dir& dir) {
    const std::string command =
        "localedef -c -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return false;
    setenv("LOCPATH", dir.path().c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) return false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return std::string(text) == "1,5";
}

class Comma_locale : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!switch_to_comma_locale(dir))
            GTEST_SKIP() << "no locale with a decimal comma could be built here";
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    Temp_dir dir;
};

} // namespace

TEST_F(Comma_locale, TheEditorShowsAndStoresPointsAndTheWriterSavesThem) {
    Editor_fixture f;
    // Slow sequence: battery 11.9 V, uranine >= 1.5; ACQ_INTERVAL0 of 90 seconds.
    f.open_image("08 0B 93 82 77 C4 80 3F C0 00 00 90 00 85 00 00 00 5A");
    EXPECT_EQ(f.text("ed_s_vbat_threshold"), "11.9");
    EXPECT_EQ(f.text("ed_s_0"), "1.50");
    EXPECT_EQ(f.text("ed_acq_interval0"), "1.50");
    ASSERT_TRUE(f.editor.store().stored);
    const std::string stored = image_hex(f.station.configuration, 0, 13);
    EXPECT_EQ(stored, "08 0B 93 82 77 C4 80 3F C0 00 00 90 00");
    int32_t interval = 0;
    EXPECT_TRUE(f.station.configuration.get_tag_long(tag::ACQ_INTERVAL0, &interval));
    EXPECT_EQ(interval, 90);

    std::string xml;
    Text_out out(&xml);
    write_configuration(f.station.configuration, &out);
    EXPECT_NE(xml.find("<ACQ_VBAT channel=\"0\" threshold=\"11.9\"/>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("threshold=\"1.50\""), std::string::npos) << xml;
}
