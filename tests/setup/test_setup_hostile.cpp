// Hostile setup files: deep nesting, huge element counts, self-inclusion and nonsense values read safely.
#include <gtest/gtest.h>

#include "Lib_trace.h"
#include "setup_fixture.h"

TEST(SetupHostile, DeepNestingInsideAStationReadsWithoutHarm) {
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<ACQ_VBAT>";
    for (int i = 0; i < 200000; ++i)
        deep += "</ACQ_VBAT>";
    Tsetup setup;
    ASSERT_EQ(read_text(setup, "<SETUP><STATIONS><STATION id='1'><CONFIGURATION><ACQUISITION_SEQUENCE>" +
                                   deep +
                                   "</ACQUISITION_SEQUENCE></CONFIGURATION></STATION></STATIONS></SETUP>"),
              0);
    // Only the outermost command counts; children of a command are never read.
    EXPECT_EQ(stations_of(setup)[0]->configuration.get_byte(2), 0x82);
    EXPECT_EQ(stations_of(setup)[0]->configuration.get_byte(4), 0x00);
}

TEST(SetupHostile, TenThousandChildrenStopAtTheFullImage) {
    std::string children;
    for (int i = 0; i < 10000; ++i)
        children += "<NOP/>";
    Tsetup setup;
    Trace_capture capture;
    ASSERT_EQ(read_text(setup, "<SETUP><STATIONS><STATION><CONFIGURATION><ACQUISITION_SEQUENCE>" + children +
                                   "</ACQUISITION_SEQUENCE>" + children +
                                   "</CONFIGURATION></STATION></STATIONS></SETUP>"),
              0);
    const Teeprom_configurer& image = stations_of(setup)[0]->configuration;
    EXPECT_EQ(image.cursor(), 223);
    EXPECT_EQ(image.get_byte(1), 221); // the back-patched length counts what was really stored
    EXPECT_EQ(capture.text().find("ERROR"), std::string::npos);
}

TEST(SetupHostile, EverySequenceNumberFromMinusOneTo300) {
    std::string sequences;
    for (int v = -1; v <= 300; ++v)
        sequences += "<ACQUISITION_SEQUENCE value='" + std::to_string(v) + "'/>";
    Tsetup setup;
    Trace_capture capture;
    ASSERT_EQ(read_text(setup, "<SETUP><STATIONS><STATION><CONFIGURATION>" + sequences +
                                   "</CONFIGURATION></STATION></STATIONS></SETUP>"),
              0);
    EXPECT_EQ(image_hex_prefix(stations_of(setup)[0]->configuration), "08 01 00 09 01 00 0A 01 00 FF");
    size_t errors = 0;
    for (size_t p = capture.text().find("Erroneous"); p != std::string::npos;
         p = capture.text().find("Erroneous", p + 1))
        ++errors;
    EXPECT_EQ(errors, 302u - 3u);
}

TEST(SetupHostile, NumbersThatAreNoNumbers) {
    Tsetup setup;
    ASSERT_EQ(read_text(setup,
                        "<SETUP><COMPORTS><COMPORT rate='fast'/></COMPORTS><STATIONS><STATION id='0x1F'>"
                        "<CONFIGURATION><ACQ_INTERVAL0 value='15 min'/><ACQUISITION_SEQUENCE value='one'>"
                        "<ACQ_FLUO port='IV' threshold='1e999999'/><ACQ header='172' threshold='-1e400'/>"
                        "</ACQUISITION_SEQUENCE></CONFIGURATION></STATION></STATIONS></SETUP>"),
              0);
    EXPECT_EQ(comports_of(setup)[0]->rate, 0);
    EXPECT_EQ(stations_of(setup)[0]->id, 0); // the 0 before the x
    const Teeprom_configurer& image = stations_of(setup)[0]->configuration;
    // 'one' reads as sequence 0; the interval was no clean integer and gives no record.
    EXPECT_EQ(image_hex_prefix(image), "08 0E C0 80 7F 80 00 00 D0 AC 00 80 00 00 00 00 FF");
}
