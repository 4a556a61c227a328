// vemora-cli check on bad input: numbers that are no numbers, texts too long for their fields, elements the
// reader ignores, included files; each warning is held against what the reader really did (dump).
#include <gtest/gtest.h>

#include <random>

#include "cli_fixture.h"
#include "temp_dir.h"

namespace {

std::string setup_with(const std::string& station_content, const std::string& station_attributes = "id='5'") {
    return "<SETUP><STATIONS><STATION " + station_attributes + ">" + station_content +
           "</STATION></STATIONS></SETUP>";
}

std::string configuration(const std::string& children) {
    return "<CONFIGURATION>" + children + "</CONFIGURATION>";
}

// The image of station n (from 1) as dump prints it, in hex, up to its cursor.
std::string image_of(const std::string& path, int n = 1) {
    const Cli_result r = cli({"dump", path});
    size_t start = 0;
    for (int i = 1; i < n; ++i)
        start = r.out.find('\n', start) + 1;
    const std::string line = r.out.substr(start, r.out.find('\n', start) - start);
    const size_t cursor_at = line.find(" cursor=") + 8;
    const int cursor = std::stoi(line.substr(cursor_at));
    return line.substr(line.find("image=") + 6, static_cast<size_t>(cursor) * 2);
}

const std::string w = "WARNING : station 1 (id 5): ";

} // namespace

TEST(CliCheckNumbers, EachNumberThatIsNoNumberSaysWhatTheReaderDid) {
    Temp_dir dir;
    const std::string in = dir.write(
        "in.xml", setup_with(configuration("<ACQ_INTERVAL0 value='15 min'/><GSM_SMS_DURATION value='9'/>"
                                           "<STATION_ID value='7x'/><SYSCTRL acq_enabled='on' address='x'/>"
                                           "<SYSTEM_CONFIG data0='1' data1='2x' data2='3'/>"
                                           "<ACQUISITION_SEQUENCE value='1x'><WAIT timeout='5s'/>"
                                           "<ACQ_FLUO port='p' type='1' threshold='2.5V'/>"
                                           "<ACQ_VBAT channel='1' threshold='3.6V'/><ACQ_VBAT threshold='V'/>"
                                           "<ACQ header='12a' port='3' channel='&#x0a;' timeout='1'/>"
                                           "<CONDITIONAL_ACTION port='2' and='0x0f' or='o'/>"
                                           "<SIMPLE_SENSOR_2 channel_map='3;'/><PROBES_POWER state='on'/>"
                                           "<ACQ_INSTRUMENT channel='1' threshold='1,5'/>"
                                           "</ACQUISITION_SEQUENCE>"),
                             "id='5'"));
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(
        r.out,
        w + "ACQ_INTERVAL0 value \"15 min\" is not a clean number; the record was dropped\n" + w +
            "STATION_ID value \"7x\" is not a clean number; the station's id 5 was used\n" + w +
            "SYSCTRL address \"x\" is not a clean number; 0 was used\n" + w +
            "SYSTEM_CONFIG data1 \"2x\" is not a clean number; the record ends before it, so data1 and the "
            "data after it were dropped\n" +
            w + "ACQUISITION_SEQUENCE value \"1x\" is not a clean number; 1 was used\n" + w +
            "WAIT timeout \"5s\" in the fast sequence is not a clean number; 5 was used\n" + w +
            "ACQ_FLUO port \"p\" in the fast sequence is not a clean number; 0 was used\n" + w +
            "ACQ_FLUO threshold \"2.5V\" in the fast sequence is not a clean number; the command has no "
            "threshold\n" +
            w + "ACQ_VBAT threshold \"3.6V\" in the fast sequence is not a clean number; 3.6 was used\n" + w +
            "ACQ_VBAT threshold \"V\" in the fast sequence is not a clean number; the command has no "
            "threshold\n" +
            w + "ACQ header \"12a\" in the fast sequence is not a clean number; 12 was used\n" + w +
            "ACQ header 12 in the fast sequence is outside what the station keeps (128 to 191); 140 was "
            "used\n" +
            w + "ACQ channel \"\\x0a\" in the fast sequence is not a clean number; 0 was used\n" + w +
            "CONDITIONAL_ACTION and \"0x0f\" in the fast sequence is not a clean number; 0 was used\n" + w +
            "CONDITIONAL_ACTION or \"o\" in the fast sequence is not a clean number; 0 was used\n" + w +
            "SIMPLE_SENSOR_2 channel_map \"3;\" in the fast sequence is not a clean number; 3 was used\n" +
            w + "PROBES_POWER state \"on\" in the fast sequence is not a clean number; 0 was used\n" + w +
            "ACQ_INSTRUMENT threshold \"1,5\" in the fast sequence is not a clean number; the command has no "
            "threshold\n");
    // What the reader made of it, record by record: no ACQ_INTERVAL0; GSM_SMS_DURATION 9; STATION_ID 5;
    // SYSCTRL with address 0; SYSTEM_CONFIG with data0 only; the fast sequence with WAIT 5, ACQ_FLUO port 0
    // without threshold, ACQ_VBAT 3.6 V (36), ACQ_VBAT without threshold, ACQ header 12 (0x0c), port 3,
    // timeout 1, channel 0, CONDITIONAL_ACTION port 2 with masks 0, SIMPLE_SENSOR_2 map 3, PROBES_POWER 0,
    // ACQ_INSTRUMENT without threshold.
    EXPECT_EQ(image_of(in), "8a00000009"
                            "8200000005"
                            "8401000000"
                            "070101"
                            "0913"
                            "a5"
                            "c010"
                            "8324"
                            "8200"
                            "d30c10"
                            "0a0000"
                            "0203"
                            "90"
                            "d801"
                            "00"
                            "ff");
}

TEST(CliCheckNumbers, StationIdAndComPortRateKeepWhatWasReadSoFar) {
    Temp_dir dir;
    const std::string in =
        dir.write("in.xml", "<SETUP><COMPORTS><COMPORT port='COM1' rate='96OO'/>"
                            "<COMPORT rate='fast'/></COMPORTS><STATIONS><STATION id='12x'/>"
                            "</STATIONS></SETUP>");
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out, "WARNING : COM port 1: rate \"96OO\" is not a clean number; 96 was used\n"
                     "WARNING : COM port 2: rate \"fast\" is not a clean number; 0 was used\n"
                     "WARNING : station 1 (id 12): id \"12x\" is not a clean number; 12 was used\n");
    const std::string out = dir.file("out.xml");
    ASSERT_EQ(cli({"normalize", in, out}).code, 0);
    const std::string saved = read_bytes(out);
    EXPECT_NE(saved.find("port=\"COM1\" rate=\"96\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("rate=\"0\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("<STATION id=\"12\""), std::string::npos) << saved;
}

TEST(CliCheckNumbers, CleanNumbersAndMissingAttributesAreNoFinding) {
    Temp_dir dir;
    // Blanks and signs are part of a clean number; an absent attribute is the reader's default.
    const std::string in = dir.write(
        "in.xml",
        "<SETUP><COMPORTS><COMPORT rate=' 9600 '/><COMPORT/></COMPORTS><STATIONS><STATION id='-7'>" +
            configuration("<ACQ_INTERVAL0 value='+900'/><STATION_ID value='1 2'/>"
                          "<SYSCTRL address='255'/><SYSTEM_CONFIG data0='1' data1='+2'/>"
                          "<ACQUISITION_SEQUENCE value='2'><ACQ header='163' threshold='-1.5e2'/>"
                          "<ACQ_VBAT threshold='3.6'/><ACQ_FLUO/><WAIT timeout='\t3'/>"
                          "</ACQUISITION_SEQUENCE><ACQUISITION_SEQUENCE/>") +
            "</STATION></STATIONS></SETUP>");
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, "");
}

// Numbers that are clean but wider than the field that keeps them: the station gets their low bits.
TEST(CliCheckNumbers, ValuesOutsideTheirFieldSayWhatTheStationGets) {
    Temp_dir dir;
    const std::string in = dir.write(
        "in.xml",
        setup_with(configuration("<ACQ_INTERVAL1/><SYSCTRL address='300' gsm_call='yes'/>"
                                 "<SYSTEM_CONFIG data0='-2'/>"
                                 "<ACQUISITION_SEQUENCE><WAIT timeout='60'/>"
                                 "<ACQ_VBAT threshold='25.6'/><ACQ_FLUO port='9' compare='le'/>"
                                 "<ACQ header='163' threshold='2.5'/><PROBES_POWER state='3' state='4'/>"
                                 "</ACQUISITION_SEQUENCE>")));
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(
        r.out,
        w + "ACQ_INTERVAL1 has no value; no record was made\n" + w +
            "SYSCTRL gsm_call \"yes\" is not a known value; it counts as off\n" + w +
            "SYSCTRL address 300 is outside what the station keeps (0 to 255); 44 was used\n" + w +
            "SYSTEM_CONFIG data0 -2 is outside what the station keeps (0 to 255); 254 was used\n" + w +
            "WAIT timeout 60 in the slow sequence is outside what the station keeps (0 to 31); 28 was "
            "used\n" +
            w +
            "ACQ_VBAT threshold 25.6 in the slow sequence is outside what the station keeps (0.1 to 25.5); "
            "the command has no threshold\n" +
            w +
            "ACQ_FLUO port 9 in the slow sequence is outside what the station keeps (0 to 7); 1 was used\n" +
            w + "ACQ_FLUO compare \"le\" in the slow sequence is not a known value; it counts as ge\n" + w +
            "ACQ threshold 2.5 in the slow sequence is outside what the station keeps (whole numbers); 2 "
            "was used\n" +
            w + "PROBES_POWER state in the slow sequence is given more than once; the first one counts\n");
    // What the notes say is what the image holds.
    EXPECT_EQ(image_of(in), "8400002c00" // SYSCTRL: gsm_call off, address 44
                            "0701fe"     // SYSTEM_CONFIG 254
                            "080e"
                            "bc"
                            "8200"
                            "c100"
                            "d0a30000000002" // WAIT 28, no threshold, port 1, 2
                            "93"
                            "00" // the first state, 3
                            "ff");
}

TEST(CliCheckNumbers, ABadSequenceNumberReadsNoCommandSoTheyAreNotJudged) {
    Temp_dir dir;
    const std::string in =
        dir.write("in.xml", setup_with(configuration("<ACQUISITION_SEQUENCE value='7'>"
                                                     "<WAIT timeout='x'/></ACQUISITION_SEQUENCE>"
                                                     "<ACQUISITION_SEQUENCE value='x'>"
                                                     "<WAIT timeout='y'/></ACQUISITION_SEQUENCE>")));
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.out, "ERROR : Erroneous acquisition sequence number 7\n" + w +
                         "ACQUISITION_SEQUENCE value \"x\" is not a clean number; 0 was used\n" + w +
                         "WAIT timeout \"y\" in the slow sequence is not a clean number; 0 was used\n");
    EXPECT_EQ(image_of(in), "0802a000ff");
}

TEST(CliCheckTexts, TextRecordsLongerThanTheirFieldAreDropped) {
    Temp_dir dir;
    const std::string t256(256, 't');
    std::string amps; // 255 references that resolve to 255 characters: they fit
    for (int i = 0; i < 255; ++i)
        amps += "&amp;";
    // The third text fills the image, so the reader never reaches the fourth, too long as it is.
    const std::string in = dir.write(
        "in.xml", setup_with(configuration("<PHONE_NUMBER value='" + t256 + "'/><SMS_TEXT_EOL value='" +
                                           std::string(300, 'e') + "'/><SMS_TEXT_EOL value='" + amps +
                                           "'/><SMS_TEXT_ACQ value='" + t256 + "'/>")));
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(
        r.out,
        w + "PHONE_NUMBER value of 256 characters is longer than its field of 255; the record was dropped\n" +
            w +
            "SMS_TEXT_EOL value of 300 characters is longer than its field of 255; the record was "
            "dropped\n" +
            w +
            "the configuration does not fit the station's 223 bytes; what did not fit was dropped, from "
            "\"SMS_TEXT_EOL\" on\n");
    EXPECT_EQ(image_of(in).substr(0, 6), "04ff26"); // the first record is the 255 ampersands
}

TEST(CliCheckTexts, PinCodeAndSmsNumberLongerThanTheStationKeeps) {
    Temp_dir dir;
    const std::string in = dir.write(
        "in.xml", "<SETUP><STATIONS>"
                  "<STATION id='1' pin='1234'>" +
                      configuration("<PIN_CODE value='12345'/><SMS_NUMBER value='+41791234567890'/>") +
                      "</STATION><STATION id='2' pin='123456'>" +
                      configuration("<PIN_CODE value='9999x'/><SMS_NUMBER value='+417912345678901'/>"
                                    "<SMS_NUMBER value='+417912345678902'/>") +
                      "</STATION><STATION id='3'>" + configuration("<PIN_CODE value='&lt;&gt;&amp;x'/>") +
                      "</STATION></STATIONS></SETUP>");
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out,
              "WARNING : station 1 (id 1): PIN_CODE value of 5 characters is longer than the 4 the station "
              "keeps; it was ignored and the station's pin \"1234\" was used\n"
              "WARNING : station 2 (id 2): PIN_CODE value of 5 characters is longer than the 4 the station "
              "keeps; it was ignored and the PIN code was left empty\n"
              "WARNING : station 2 (id 2): SMS_NUMBER of 16 characters is longer than the 15 the station "
              "keeps; the station editor refuses to store it until it is shortened\n"
              "WARNING : station 2 (id 2): SMS_NUMBER of 16 characters is longer than the 15 the station "
              "keeps\n");
    EXPECT_EQ(image_of(in, 1).substr(0, 10), "8331323334");
    EXPECT_EQ(image_of(in, 2).substr(0, 10), "8300000000");
    EXPECT_EQ(image_of(in, 3).substr(0, 10), "833c3e2678");
    // What the warning promises: the station editor refuses to store station 2 until the number is shorter.
    EXPECT_EQ(cli({"edit", in, "2", dir.file("out.xml"), "ed_description=moved"}).code, 3);
    EXPECT_EQ(cli({"edit", in, "2", dir.file("out.xml"), "ed_sms=+41791234567"}).code, 0);
}

TEST(CliCheckElements, ElementsTheReaderIgnoresAreNamedWhereTheyStand) {
    Temp_dir dir;
    const std::string in = dir.write(
        "in.xml", "<SETUP><PATHDATA_BIN path='x'/><path_data_bin path='c:\\bin'><X/></path_data_bin>"
                  "<COMPORTS><COMPORTT/><COMPORT port='COM1'><RATE/></COMPORT><!-- a comment -->"
                  "<COMPORT/><comport/></COMPORTS>"
                  "<STATIONS><STATON id='4'/><STATION id='5'><CONFIG/>" +
                      configuration("") +
                      "</STATION>text<STATION id='6'/><STATIONS/></STATIONS><stations/></SETUP>");
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out, "WARNING : SETUP: unknown element \"PATHDATA_BIN\" is ignored\n"
                     "WARNING : path_data_bin: unknown element \"X\" is ignored\n"
                     "WARNING : COMPORTS: unknown element \"COMPORTT\" before any COM port is ignored\n"
                     "WARNING : COM port 1: unknown element \"RATE\" is ignored\n"
                     "WARNING : COMPORTS: unknown element \"comport\" after COM port 2 is ignored\n"
                     "WARNING : STATIONS: unknown element \"STATON\" before any station is ignored\n"
                     "WARNING : station 1 (id 5): unknown element \"CONFIG\" is ignored\n"
                     "WARNING : STATIONS: unknown element \"STATIONS\" after station 2 (id 6) is ignored\n"
                     "WARNING : SETUP: unknown element \"stations\" is ignored\n");
}

TEST(CliCheckElements, OnlyTheLastOfRepeatedElementsCounts) {
    Temp_dir dir;
    const std::string in = dir.write(
        "in.xml", "<ROOT><PATH_DATA_BIN path='a'/><PATH_DATA_BIN/><COMPORTS><X/></COMPORTS><COMPORTS/>"
                  "<STATIONS><STATION id='1'/><STATION id='2'/><Y/></STATIONS>"
                  "<STATIONS><STATION id='3'>" +
                      configuration("<ACQ_INTERVAL0 value='x'/>") +
                      configuration("<ACQ_INTERVAL1 value='y'/>") + "</STATION></STATIONS></ROOT>");
    const Cli_result r = cli({"check", in});
    EXPECT_EQ(r.out,
              "WARNING : station 1 (id 3): ACQ_INTERVAL1 value \"y\" is not a clean number; the record was "
              "dropped\n"
              "WARNING : station 1 (id 3): 2 CONFIGURATION elements; only the last one counts\n"
              "WARNING : ROOT: 2 PATH_DATA_BIN elements; only the last one counts\n"
              "WARNING : ROOT: 2 COMPORTS elements; only the last one counts\n"
              "WARNING : ROOT: 2 STATIONS elements; only the last one counts\n");
    EXPECT_EQ(cli({"dump", in}).out.rfind("1 id=3 cursor=1 image=ff", 0), 0u);
}

TEST(CliCheckFiles, TheIncludedFileThatMakesTheImageIsChecked) {
    Temp_dir dir;
    const std::string inner =
        dir.write("inner.xml", "<C><GSM_INTERVAL value='6O'/><PIN_CODE value='abcde'/></C>");
    // The outer file includes the inner one: only the inner one's children make the image.
    const std::string outer =
        dir.write("outer.xml", "<C file='" + inner + "'><GSM_DURATION value='?'/><SYSCTRL address='z'/></C>");
    const std::string broken =
        dir.write("broken.xml", "<C file='" + dir.file("missing.xml") + "'><GSM_DURATION value='y'/></C>");
    const std::string in = dir.write(
        "in.xml", "<SETUP><STATIONS><STATION id='1'><CONFIGURATION file='" + outer +
                      "'><ACQ_INTERVAL0 value='x'/></CONFIGURATION></STATION>"
                      "<STATION id='2'><CONFIGURATION file='" +
                      broken + "'><ACQ_INTERVAL0 value='x'/></CONFIGURATION></STATION></STATIONS></SETUP>");
    const Cli_result r = cli({"check", in});
    const std::string one = "WARNING : station 1 (id 1): ", two = "WARNING : station 2 (id 2): ";
    EXPECT_EQ(r.out,
              one + "the configuration comes from the file \"" + outer +
                  "\"; the element's own 1 element is not used\n" + one + "configuration file \"" + outer +
                  "\": the configuration comes from the file \"" + inner +
                  "\"; the element's own 2 elements are not used\n" + one + "configuration file \"" + inner +
                  "\": GSM_INTERVAL value \"6O\" is not a clean number; the record was dropped\n" + one +
                  "configuration file \"" + inner +
                  "\": PIN_CODE value of 5 characters is longer than the 4 the station keeps; it was "
                  "ignored and the PIN code was left empty\n" +
                  two + "the configuration comes from the file \"" + broken +
                  "\"; the element's own 1 element is not used\n" + two + "configuration file \"" + broken +
                  "\": configuration file \"" + dir.file("missing.xml") +
                  "\" could not be read (No such file or directory); the element's own configuration was "
                  "used\n" +
                  two + "configuration file \"" + broken +
                  "\": GSM_DURATION value \"y\" is not a clean number; the record was dropped\n");
    // Behind the inner file's end marker lie what the outer file and the element add, where no one looks.
    EXPECT_EQ(image_of(in, 1), "8300000000ff8400000000ffff");
    EXPECT_EQ(image_of(in, 2), "ffff");
}
