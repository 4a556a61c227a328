// Inputs that the fuzz targets found failing, each reduced to the smallest case that shows the fault.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "setup_fixture.h"

namespace {

struct Saved_twice {
    std::string first, second; // the file as saved from the input, and as saved again from that file
    Teeprom_configurer image;  // the first station's image read back from the first save
};

// Reads a setup file holding one station with the given configuration, saves it, reads the saved file
// and saves that again, as File > Open and File > Save would twice.
Saved_twice saved_twice(const std::string& configuration) {
    Temp_dir dir;
    Saved_twice s;
    Tsetup setup, again;
    EXPECT_EQ(read_text(setup, "<SETUP><STATIONS><STATION id='3'><CONFIGURATION>" + configuration +
                                   "</CONFIGURATION></STATION></STATIONS></SETUP>"),
              0);
    const std::string first = dir.file("first.xml"), second = dir.file("second.xml");
    EXPECT_EQ(setup.write_file(first.c_str()), 0);
    EXPECT_EQ(again.read_file(first.c_str()), 0);
    EXPECT_EQ(again.write_file(second.c_str()), 0);
    s.first = read_bytes(first);
    s.second = read_bytes(second);
    if (!stations_of(again).empty()) s.image = stations_of(again)[0]->configuration;
    return s;
}

std::string repeated(const std::string& element, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += element;
    return out;
}

} // namespace

TEST(FuzzFindings, AnSmsNumberWithAZeroByteIsCountedAsTheStoreWritesIt) {
    // A station's memory may hold an SMS number record with a zero byte inside. The store writes only
    // what comes before it, so the size it checks against the 223 bytes must count no more.
    Editor_fixture f;
    f.open_image("01 05 2B 34 00 37 39");
    // The number is a zero-terminated text: the edit shows what comes before the zero byte, what the store
    // writes and what the length limit counts.
    ASSERT_EQ(f.text("ed_sms"), "+4");
    EXPECT_EQ(f.editor.form.longest_text(f.control("ed_sms")), 15);
    const int needed = f.editor.bytes_needed();
    const Store_result r = f.editor.store();
    ASSERT_TRUE(r.stored);
    EXPECT_EQ(r.bytes_needed, needed);
    EXPECT_EQ(f.station.configuration.cursor(), needed);
    EXPECT_EQ(f.station.configuration.get_sms_number(), "+4");
}

TEST(FuzzFindings, AThresholdBeyondSinglePrecisionIsSavedAsANumberThatReadsBack) {
    // 1e39 is read as an infinite float; it was saved as "inf", which reads back as no threshold.
    for (const char* text : {"1e39", "-1e999"}) {
        const Saved_twice s =
            saved_twice(std::string("<ACQUISITION_SEQUENCE value='0'><ACQ_FLUO port='4' channel='2' "
                                    "threshold='") +
                        text + "' compare='lt'/></ACQUISITION_SEQUENCE>");
        EXPECT_EQ(s.first, s.second) << text;
        EXPECT_NE(s.first.find(text[0] == '-' ? "threshold=\"-1e39\" compare=\"lt\""
                                              : "threshold=\"1e39\" compare=\"lt\""),
                  std::string::npos)
            << s.first;
        EXPECT_EQ(image_hex(s.image, 0, 9),
                  text[0] == '-' ? "08 07 C4 C2 FF 80 00 00 00" : "08 07 C4 C2 7F 80 00 00 00");
    }
}

TEST(FuzzFindings, AThresholdThatIsNoNumberIsSavedAsNoThreshold) {
    // 0e999 reads as 0 times an infinite power of ten: not a number, which no text can say.
    const Saved_twice s =
        saved_twice("<ACQUISITION_SEQUENCE value='0'><ACQ_FLUO port='4' channel='2' threshold='0e999'/>"
                    "</ACQUISITION_SEQUENCE>");
    EXPECT_EQ(s.first, s.second);
    EXPECT_NE(s.first.find("<ACQ_FLUO type=\"0\" port=\"4\" channel=\"2\"/>"), std::string::npos) << s.first;
}

TEST(FuzzFindings, ARecordCutByTheFullImageIsNotSavedWithAnInventedValue) {
    // 44 intervals fill 220 bytes; the 45th keeps its tag only, and an SMS number after it its tag only.
    // The value of the 45th was saved from the bytes behind the image's end (and from the next tag).
    const Saved_twice s = saved_twice(repeated("<ACQ_INTERVAL0 value='1'/>", 44) +
                                      "<ACQ_INTERVAL1 value='2'/><SMS_NUMBER value='+41'/>");
    EXPECT_EQ(s.first, s.second);
    EXPECT_EQ(s.first.find("ACQ_INTERVAL1"), std::string::npos);
    EXPECT_EQ(s.first.find("SMS_NUMBER"), std::string::npos);
    EXPECT_EQ(s.image.cursor(), 221); // 44 records and the end marker
}

TEST(FuzzFindings, ACommandCutByTheFullImageIsNotSavedWithAnInventedThreshold) {
    // The threshold of the last ACQ_FLUO did not fit; its 4 bytes were taken from the NOP and END after it.
    const Saved_twice s =
        saved_twice("<ACQUISITION_SEQUENCE value='1'>" + repeated("<NOP/>", 217) +
                    "<ACQ_FLUO port='4' channel='1' threshold='1.5'/><NOP/></ACQUISITION_SEQUENCE>");
    EXPECT_EQ(s.first, s.second);
    EXPECT_EQ(s.first.find("ACQ_FLUO"), std::string::npos);
}

TEST(FuzzFindings, ATextCutByTheFullImageIsSavedWithTheCharactersItHolds) {
    // The characters behind the image's end were saved as 0xFF bytes and, past byte 255, as the bytes at
    // its start, which a reload could change.
    const Saved_twice s =
        saved_twice("<PIN_CODE value='12'/><SMS_TEXT_ACQ value='" + std::string(250, 't') + "'/>");
    EXPECT_EQ(s.first, s.second);
    EXPECT_NE(s.first.find("<SMS_TEXT_ACQ    value=\"" + std::string(216, 't') + "\"/>"), std::string::npos)
        << s.first;
}
