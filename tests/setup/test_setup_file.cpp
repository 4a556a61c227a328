// The setup file: exact layout on writing, lenient rules on reading.
#include <gtest/gtest.h>

#include <cstring>

#include "Lib_text.h"
#include "Lib_trace.h"
#include "setup_fixture.h"

namespace {
const std::string banner =
    "\t\t<!-- ++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++ -->\r\n";
}

TEST(SetupWrite, DefaultDocumentLayout) {
    Tsetup setup;
    setup.set_defaults();
    EXPECT_EQ(
        written(setup),
        "<?xml version='1.0' encoding='utf-8' ?>\r\n<SETUP>\r\n"
        "\t<PATH_DATA_BIN   path=\"c:\\korvandel\\data_bin\"/>\r\n"
        "\t<PATH_DATA_XML   path=\"c:\\korvandel\\data_xml\"/>\r\n"
        "\t<COMPORTS>\r\n"
        "\t\t<COMPORT  port=\"COM1\" rate=\"38400\" type=\"direct\" description=\"direct connection\"/>\r\n"
        "\t\t<COMPORT  port=\"COM2\" rate=\"9600\" type=\"modem\" description=\"standard analog modem\"/>\r\n"
        "\t</COMPORTS>\r\n\t<STATIONS>\r\n" +
            banner + "\t</STATIONS>\r\n</SETUP>\r\n");
}

TEST(SetupWrite, EmptyDocumentAndAStation) {
    Tsetup setup;
    EXPECT_NE(written(setup).find("\t<COMPORTS>\r\n\t</COMPORTS>\r\n\t<STATIONS>\r\n" + banner +
                                  "\t</STATIONS>\r\n"),
              std::string::npos);
    Tstation* s = new_station(-7, "a \"b\" & <c>");
    copy_text(s->phone_nbr, "+41", sizeof s->phone_nbr);
    copy_text(s->display_type, "zevo-4k", sizeof s->display_type);
    setup.stations.append(s);
    EXPECT_NE(
        written(setup).find(banner +
                            "\t\t<STATION id=\"-7\" phone_nbr=\"+41\" pin=\"\" description=\"a &quot;b&quot; "
                            "&amp; &lt;c&gt;\" display_type=\"zevo-4k\">\r\n\t\t\t<CONFIGURATION>\r\n"
                            "\t\t\t</CONFIGURATION>\r\n\t\t</STATION>\r\n" +
                            banner + "\t</STATIONS>\r\n"),
        std::string::npos);
}

TEST(SetupRead, AnyRootNameAndTraceLines) {
    Tsetup setup;
    Trace_capture capture;
    ASSERT_EQ(read_text(setup,
                        "<WHATEVER><PATH_DATA_BIN path='b'/><path_data_xml path='x'/><stations><STATION/>"
                        "</stations></WHATEVER>"),
              0);
    EXPECT_STREQ(setup.path_data_bin, "b");
    EXPECT_STREQ(setup.path_data_xml, "x");
    EXPECT_TRUE(stations_of(setup).empty()); // lower-case stations is not STATIONS
    EXPECT_NE(capture.text().find("      : reading setup file \""), std::string::npos);
    EXPECT_NE(capture.text().find("PATH_DATA_BIN = \"b\"\nPATH_DATA_XML = \"x\"\n"), std::string::npos);
}

TEST(SetupRead, AFailedReadLeavesTheDocumentAsItWas) {
    Tsetup setup;
    setup.set_defaults();
    setup.stations.append(new_station(5));
    Trace_capture capture;
    std::string reason;
    EXPECT_EQ(read_text(setup, "<SETUP><STATIONS>", &reason), 1);
    EXPECT_NE(reason.find("line 1"), std::string::npos) << reason;
    EXPECT_STREQ(setup.path_data_bin, "c:\\korvandel\\data_bin");
    EXPECT_EQ(stations_of(setup).size(), 1u);
    EXPECT_EQ(capture.text().rfind("ERROR : unable to read \"", 0), 0u);
    EXPECT_EQ(setup.read_file(nullptr), 1);
}

TEST(SetupRead, ReadingStartsByClearing) {
    Tsetup setup;
    setup.set_defaults();
    ASSERT_EQ(read_text(setup, "<SETUP/>"), 0);
    EXPECT_STREQ(setup.path_data_bin, "");
    EXPECT_TRUE(comports_of(setup).empty());
}

TEST(SetupRead, ComportTypesAndTheLastComportsElement) {
    Tsetup setup;
    ASSERT_EQ(read_text(setup,
                        "<SETUP><COMPORTS><COMPORT port='X'/></COMPORTS><COMPORTS>"
                        "<COMPORT type='MODEM' port='COM3' rate='9600x'/><COMPORT type='serial'/><NOTPORT/>"
                        "<COMPORT type='Direct' description='d'/></COMPORTS></SETUP>"),
              0);
    const auto ports = comports_of(setup);
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0]->type, COMPORT_MODEM);
    EXPECT_STREQ(ports[0]->port, "COM3");
    EXPECT_EQ(ports[0]->rate, 9600);
    EXPECT_EQ(ports[1]->type, COMPORT_DIRECT);
    EXPECT_EQ(ports[2]->type, COMPORT_DIRECT);
    EXPECT_STREQ(ports[2]->description, "d");
    EXPECT_EQ(setup.comports.find_by_type(COMPORT_MODEM), ports[0]);
    EXPECT_EQ(setup.comports.find_by_type(COMPORT_DIRECT), ports[1]);
}

TEST(SetupRead, LongValuesAreCutToTheirFields) {
    Tsetup setup;
    ASSERT_EQ(read_text(setup, "<SETUP><PATH_DATA_BIN path='" + std::string(600, 'p') +
                                   "'/><COMPORTS><COMPORT description='" + std::string(300, 'c') +
                                   "'/></COMPORTS><STATIONS><STATION description='" + std::string(300, 'd') +
                                   "' phone_nbr='" + std::string(40, '1') + "'/></STATIONS></SETUP>"),
              0);
    EXPECT_EQ(std::string(setup.path_data_bin), std::string(511, 'p'));
    // The COM port description keeps its whole field of 255 characters.
    EXPECT_EQ(std::string(comports_of(setup)[0]->description), std::string(255, 'c'));
    EXPECT_EQ(std::string(stations_of(setup)[0]->description), std::string(255, 'd'));
    EXPECT_EQ(std::string(stations_of(setup)[0]->phone_nbr), std::string(31, '1'));
}

TEST(SetupRead, StationIdsAndConfigurationDefaults) {
    Tsetup setup;
    ASSERT_EQ(read_text(setup,
                        "<SETUP><STATIONS><STATION/><STATION id='-7' pin='1234'><CONFIGURATION>"
                        "<ACQ_INTERVAL0 value='1'/></CONFIGURATION><CONFIGURATION><STATION_ID/><PIN_CODE/>"
                        "</CONFIGURATION></STATION><STATION id='12x'/></STATIONS></SETUP>"),
              0);
    const auto stations = stations_of(setup);
    ASSERT_EQ(stations.size(), 3u);
    EXPECT_EQ(stations[0]->id, 0);
    EXPECT_EQ(stations[1]->id, -7);
    EXPECT_EQ(stations[2]->id, 12);
    // The last CONFIGURATION wins; its STATION_ID and PIN_CODE come from the station's attributes.
    int32_t id = 0;
    EXPECT_TRUE(stations[1]->configuration.get_tag_long(tag::STATION_ID, &id));
    EXPECT_EQ(id, -7);
    EXPECT_EQ(stations[1]->configuration.find_tag(tag::ACQ_INTERVAL0), 0xFF);
    EXPECT_EQ(stations[1]->configuration.get_long_at(6), 0x31323334);
}

TEST(SetPortByType, StoresAllOrNothingInEveryPortOfThatType) {
    Tsetup setup;
    setup.set_defaults();
    setup.comports.set_port_by_type(COMPORT_DIRECT, std::string(31, 'x').c_str());
    EXPECT_EQ(std::string(setup.comports.find_by_type(COMPORT_DIRECT)->port), std::string(31, 'x'));
    setup.comports.set_port_by_type(COMPORT_DIRECT, std::string(32, 'x').c_str());
    EXPECT_STREQ(setup.comports.find_by_type(COMPORT_DIRECT)->port, "");
    EXPECT_STREQ(setup.comports.find_by_type(COMPORT_MODEM)->port, "COM2");
    setup.comports.set_port_by_type(COMPORT_MODEM, nullptr);
    EXPECT_STREQ(setup.comports.find_by_type(COMPORT_MODEM)->port, "COM2");
}

TEST(Stations, RemoveDestroysOnlyMembers) {
    Tsetup setup;
    Tstation* a = new_station(1);
    Tstation* b = new_station(2);
    setup.stations.append(a);
    setup.stations.append(b);
    Tstation outsider;
    setup.stations.remove(&outsider); // not in the list: nothing happens, and it is not destroyed
    EXPECT_EQ(stations_of(setup).size(), 2u);
    setup.stations.remove(a);
    const auto left = stations_of(setup);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], b);
    EXPECT_EQ(setup.stations.list.head()->item, b);
}

TEST(SetupRead, TextsWithEveryKindOfCharacterComeBack) {
    Tsetup setup;
    Tstation* s = new_station(3);
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    copy_text(s->description, all.c_str(), sizeof s->description);
    copy_text(s->pin, "'\"<>&", sizeof s->pin);
    setup.stations.append(s);
    Temp_dir dir;
    const std::string path = dir.file("all.xml");
    ASSERT_EQ(setup.write_file(path.c_str()), 0);
    Tsetup back;
    ASSERT_EQ(back.read_file(path.c_str()), 0);
    ASSERT_EQ(stations_of(back).size(), 1u);
    EXPECT_EQ(std::string(stations_of(back)[0]->description), all);
    EXPECT_STREQ(stations_of(back)[0]->pin, "'\"<>&");
}
