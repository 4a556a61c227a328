// Reading CONFIGURATION elements: one record per child, in document order, then the end marker.
#include <gtest/gtest.h>

#include "Lib_trace.h"
#include "image_bytes.h"
#include "xml_fixture.h"

TEST(ReadConfiguration, EmptyElementGivesTheEndMarkerAlone) {
    const Teeprom_configurer image = read_config("");
    EXPECT_EQ(image_hex(image), "FF");
    EXPECT_EQ(image.cursor(), 1);
}

TEST(ReadConfiguration, RecordsInDocumentOrder) {
    EXPECT_EQ(image_hex(read_config("<ACQ_INTERVAL0 value='900'/><SMS_NUMBER value='+41'/>")),
              "85 00 00 03 84 01 03 2B 34 31 FF");
}

TEST(ReadConfiguration, ClearsWhatTheImageHeldAndNoElementDoesNothing) {
    Xml_fixture f("<CONFIGURATION><NOP_NOT_HERE/></CONFIGURATION>");
    Teeprom_configurer image = image_of("85 00 00 03 84");
    read_configuration(image, Xml_element(), {});
    EXPECT_EQ(image_hex(image), "85 00 00 03 84");
    Trace_capture capture;
    read_configuration(image, f.root, {});
    EXPECT_EQ(image_hex(image), "FF");
    EXPECT_EQ(capture.text(), "ERROR : Teeprom_configurer, unknown element \"NOP_NOT_HERE\"\n");
}

TEST(ReadSequence, CommandsAndTheBackPatchedLength) {
    EXPECT_EQ(image_hex(read_config("<ACQUISITION_SEQUENCE value='1'><PROBES_POWER state='3'/>"
                                    "<ACQ_VBAT channel='0' threshold='3.6'/><WAIT timeout='3'/>"
                                    "</ACQUISITION_SEQUENCE>")),
              "09 05 93 82 24 A3 00 FF");
    EXPECT_EQ(image_hex(read_config("<ACQUISITION_SEQUENCE/>")), "08 01 00 FF");
}

TEST(ReadSequence, ErroneousNumbersAreSkippedAndReadingGoesOn) {
    Trace_capture capture;
    EXPECT_EQ(image_hex(read_config("<ACQUISITION_SEQUENCE value='3'><NOP/></ACQUISITION_SEQUENCE>"
                                    "<ACQUISITION_SEQUENCE value='2x'/>")),
              "0A 01 00 FF");
    EXPECT_EQ(capture.text(), "ERROR : Erroneous acquisition sequence number 3\n");
}

TEST(ReadSequence, EveryCommandWithItsAttributes) {
    const Teeprom_configurer image =
        read_config("<ACQUISITION_SEQUENCE value='0'>"
                    "<SIMPLE_SENSOR_1 channel_map='300'/><SIMPLE_SENSOR_2 channel_map='7'/><CONDITIONAL_SMS/>"
                    "<CONDITIONAL_ACTION port='5' and='12' or='2'/><CONDITIONAL_ACTION/><NOP/><WAIT/>"
                    "<ACQ_FLUO type='0' port='4' channel='2' threshold='1.5'/><ACQ_FLUO compare='lt'/>"
                    "<ACQ_INSTRUMENT type='1' port='3' channel='2' threshold='2' compare='LT'/>"
                    "<ACQ header='161' port='2' channel='1' timeout='7' threshold='4.0' compare='lt'/>"
                    "<ACQ header='172' port='5x' channel='12' timeout='7' threshold='1000'/>"
                    "<ACQ_FLUO port='4' threshold='2.5V'/><ACQ_FLUO type='2' port='4' channel='9'/>"
                    "</ACQUISITION_SEQUENCE>");
    EXPECT_EQ(image_hex(image),
              "08 2E 01 2C 02 07 81 0D 0C 02 08 00 00 84 A0 C4 82 3F C0 00 00 C0 40 "
              "DB C6 40 00 00 00 D2 E1 71 40 80 00 00 D5 AC 7C 00 00 03 E8 C4 00 C4 29 00 FF");
}

TEST(ReadSequence, UnknownCommandsAreReportedAndSkipped) {
    Trace_capture capture;
    EXPECT_EQ(image_hex(read_config("<ACQUISITION_SEQUENCE><BEEP/><NOP/></ACQUISITION_SEQUENCE>")),
              "08 02 84 00 FF");
    EXPECT_EQ(capture.text(), "ERROR : Teeprom_configurer, unknown element \"BEEP\"\n");
}

TEST(ReadConfiguration, StationIdAndPinDefaultToTheStationRecord) {
    const Station_defaults station{42, "1234"};
    EXPECT_EQ(image_hex(read_config("<STATION_ID/>", station)), "82 00 00 00 2A FF");
    EXPECT_EQ(image_hex(read_config("<STATION_ID value='7'/>", station)), "82 00 00 00 07 FF");
    EXPECT_EQ(image_hex(read_config("<STATION_ID value='7x'/>", station)), "82 00 00 00 2A FF");
    EXPECT_EQ(image_hex(read_config("<PIN_CODE/>", station)), "83 31 32 33 34 FF");
    EXPECT_EQ(image_hex(read_config("<PIN_CODE value='98765'/>", station)), "83 31 32 33 34 FF");
    EXPECT_EQ(image_hex(read_config("<PIN_CODE value='98'/>", station)), "83 39 38 00 00 FF");
    EXPECT_EQ(image_hex(read_config("<PIN_CODE/>", Station_defaults{0, "12345"})), "83 00 00 00 00 FF");
}

TEST(ReadConfiguration, SysctrlKeywordsIgnoreCase) {
    EXPECT_EQ(image_hex(read_config("<SYSCTRL acq_enabled='ON' gsm_enabled='on' address='300'/>")),
              "84 01 01 2C 00 FF");
    EXPECT_EQ(
        image_hex(read_config("<SYSCTRL acq_enabled='off' acq_automatic='on' gsm_call='on' address='x'/>")),
        "84 02 02 00 00 FF");
}

TEST(ReadConfiguration, SystemConfigReadsEveryDataByteInOrder) {
    EXPECT_EQ(image_hex(read_config("<SYSTEM_CONFIG data0='5' data1='6'/>")), "07 02 05 06 FF");
    EXPECT_EQ(image_hex(read_config("<SYSTEM_CONFIG/>")), "07 00 FF");
    // The first absent or unclean index ends the payload.
    EXPECT_EQ(image_hex(read_config("<SYSTEM_CONFIG data0='1' data1='2' data3='4'/>")), "07 02 01 02 FF");
    EXPECT_EQ(image_hex(read_config("<SYSTEM_CONFIG data0='257' data1='x' data2='3'/>")), "07 01 01 FF");
}

TEST(ReadConfiguration, FixedValuesNeedACleanInteger) {
    EXPECT_EQ(
        image_hex(read_config("<ACQ_INTERVAL1 value='60'/><GSM_INTERVAL value='-1'/>"
                              "<GSM_DURATION value='1x'/><GSM_SMS_DURATION value='5'/><ACQ_INTERVAL0/>")),
        "88 00 00 00 3C 86 FF FF FF FF 8A 00 00 00 05 FF");
}

TEST(ReadConfiguration, LocationIsReadBackLikeTheOtherValues) {
    Trace_capture capture;
    EXPECT_EQ(image_hex(read_config("<LOCATION value='12345'/>")), "89 00 00 30 39 FF");
    EXPECT_EQ(capture.text(), "");
}

TEST(ReadConfiguration, TextRecords) {
    EXPECT_EQ(image_hex(read_config("<SMS_NUMBER value='1'/><SMS_NUMBER value='2'/><PHONE_NUMBER value=''/>"
                                    "<SMS_TEXT_EOL value='a&amp;b'/><SMS_TEXT_ACQ/>")),
              "01 01 31 01 01 32 02 00 04 03 61 26 62 FF");
    const Teeprom_configurer long_text = read_config("<SMS_TEXT_ACQ value='" + std::string(255, 'x') + "'/>");
    EXPECT_EQ(long_text.get_byte(1), 255);
    EXPECT_EQ(long_text.cursor(), 223); // as far as the image has room
    EXPECT_GT(long_text.refused(), 0);
    EXPECT_EQ(image_hex(read_config("<SMS_TEXT_ACQ value='" + std::string(256, 'x') + "'/>")), "FF");
}

TEST(ReadConfiguration, AText254LongDoesNotHangLaterWalks) {
    const Teeprom_configurer image = read_config("<SMS_TEXT_ACQ value='" + std::string(254, 't') + "'/>");
    EXPECT_EQ(image.get_byte(1), 254);
    EXPECT_EQ(image.find_tag(tag::ACQ_INTERVAL0), 0xFF);
}

TEST(ReadConfiguration, StopsReadingWhenTheImageIsFull) {
    std::string children;
    for (int i = 0; i < 60; ++i)
        children += "<ACQ_INTERVAL0 value='1'/>";
    const Teeprom_configurer image = read_config(children);
    EXPECT_EQ(image.cursor(), 223);
    // From the 45th record on only the tags fit; the end marker found no room.
    EXPECT_EQ(image_hex(image, 215, 9), "85 00 00 00 01 85 85 85 FF");
    EXPECT_GT(image.refused(), 0);
}

TEST(ReadConfigurationFile, AnIncludedFileReplacesTheElementsOwnChildren) {
    Temp_dir dir;
    const std::string included = dir.write("inc.xml", "<ANY><ACQ_INTERVAL0 value='900'/></ANY>");
    Xml_fixture f("<CONFIGURATION file='" + included + "'><ACQ_INTERVAL1 value='60'/></CONFIGURATION>");
    Teeprom_configurer with_file;
    read_configuration(with_file, f.root, {});
    EXPECT_EQ(with_file.find_tag(tag::ACQ_INTERVAL0), 0);
    EXPECT_EQ(with_file.find_tag(tag::ACQ_INTERVAL1), 0xFF); // behind the file's end marker, unseen
    EXPECT_EQ(read_configuration_file(with_file, included.c_str(), {}), 0);
    EXPECT_EQ(read_configuration_file(with_file, dir.file("none.xml").c_str(), {}), 1);
}

TEST(ReadConfigurationFile, AMissingFileLeavesTheOwnChildren) {
    Xml_fixture f("<CONFIGURATION file='/nonexistent/x.xml'><ACQ_INTERVAL1 value='60'/></CONFIGURATION>");
    Teeprom_configurer image;
    Trace_capture capture;
    read_configuration(image, f.root, {});
    EXPECT_EQ(image_hex(image), "88 00 00 00 3C FF");
    EXPECT_EQ(capture.text(), "");
}

TEST(ReadConfigurationFile, ASelfIncludingFileStopsAtEightLevels) {
    Temp_dir dir;
    const std::string self = dir.file("self.xml");
    dir.write("self.xml", "<C file='" + self + "'><ACQ_INTERVAL0 value='1'/></C>");
    Xml_fixture f("<CONFIGURATION file='" + self + "'/>");
    Teeprom_configurer image;
    Trace_capture capture;
    read_configuration(image, f.root, {});
    EXPECT_EQ(capture.text(),
              "ERROR : Teeprom_configurer, configuration file \"" + self + "\" nested too deeply\n");
    EXPECT_EQ(image_hex(image, 0, 6), "85 00 00 00 01 FF");
}

TEST(ReadConfigurationFile, AChainOfEightFilesIsReadWhole) {
    Temp_dir dir;
    // file8 holds the configuration; file1 .. file7 each include the next one.
    dir.write("f8.xml", "<C><ACQ_INTERVAL0 value='8'/></C>");
    for (int i = 7; i >= 1; --i)
        dir.write("f" + std::to_string(i) + ".xml",
                  "<C file='" + dir.file("f" + std::to_string(i + 1) + ".xml") + "'/>");
    Xml_fixture f("<CONFIGURATION file='" + dir.file("f1.xml") + "'/>");
    Teeprom_configurer image;
    Trace_capture capture;
    read_configuration(image, f.root, {});
    EXPECT_EQ(capture.text(), "");
    int32_t value = 0;
    EXPECT_TRUE(image.get_tag_long(tag::ACQ_INTERVAL0, &value));
    EXPECT_EQ(value, 8);
    // A ninth file is one too many.
    dir.write("f8.xml", "<C file='" + dir.file("f9.xml") + "'><ACQ_INTERVAL0 value='8'/></C>");
    dir.write("f9.xml", "<C><ACQ_INTERVAL0 value='9'/></C>");
    read_configuration(image, f.root, {});
    EXPECT_TRUE(image.get_tag_long(tag::ACQ_INTERVAL0, &value));
    EXPECT_EQ(value, 8);
    EXPECT_NE(capture.text().find("nested too deeply"), std::string::npos);
}

TEST(ReadConfigurationFile, ARingOfFilesEnds) {
    Temp_dir dir;
    dir.write("a.xml", "<C file='" + dir.file("b.xml") + "'/>");
    dir.write("b.xml", "<C file='" + dir.file("a.xml") + "'/>");
    Xml_fixture f("<CONFIGURATION file='" + dir.file("a.xml") + "'/>");
    Teeprom_configurer image;
    Trace_capture capture;
    read_configuration(image, f.root, {});
    EXPECT_NE(capture.text().find("nested too deeply"), std::string::npos);
    EXPECT_EQ(image.get_byte(0), 0xFF);
}
