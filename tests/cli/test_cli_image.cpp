// vemora-cli image: the listing of a station's image, its exit codes, and its place in --help.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

const std::string one_station = "<SETUP><STATIONS><STATION id='7'><CONFIGURATION>"
                                "<SMS_NUMBER value='+41'/><ACQ_INTERVAL0 value='900'/>"
                                "<ACQUISITION_SEQUENCE value='0'><PROBES_POWER state='3'/>"
                                "<ACQ_FLUO port='4' channel='0' threshold='12.5'/></ACQUISITION_SEQUENCE>"
                                "</CONFIGURATION></STATION></STATIONS></SETUP>";

} // namespace

TEST(CliImage, ListsOneLinePerRecordAndCommandThenTheCursor) {
    Temp_dir dir;
    const Cli_result r = cli({"image", dir.write("in.xml", one_station), "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "  0  0x01 SMS_NUMBER             5  01 03 2B 34 31        \"+41\"\n"
                     "  5  0x85 ACQ_INTERVAL0          5  85 00 00 03 84        900 s = 15.00 min\n"
                     " 10  0x08 SEQUENCE_SLOW          2  08 08                 8 bytes of commands\n"
                     " 12  0x93   PROBES_POWER         1  93                    state 3\n"
                     " 13  0xC4   ACQ_FLUO             6  C4 80 41 48 00 00     port 4, type 0, channel 0: "
                     "Temperature, >= 12.50 [\xC2\xB0"
                     "C]\n"
                     " 19  0x00   END                  1  00                    end of sequence\n"
                     " 20  0xFF END                    1  FF                    end of the image\n"
                     "cursor 21, 202 bytes free\n");
}

TEST(CliImage, EveryStationOfTheExampleAddsUpToItsCursor) {
    for (int n = 1; n <= 5; ++n) {
        const Cli_result r = cli({"image", example, std::to_string(n)});
        ASSERT_EQ(r.code, 0) << n << r.err;
        int lengths = 0;
        std::string last;
        size_t start = 0;
        for (size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
            last = r.out.substr(start, end - start);
            if (last.rfind("cursor ", 0) == 0) break;
            lengths += std::stoi(last.substr(31, 3)); // the length column
            EXPECT_EQ(last.find("not a record"), std::string::npos) << last;
        }
        EXPECT_EQ(last,
                  "cursor " + std::to_string(lengths) + ", " + std::to_string(223 - lengths) + " bytes free");
    }
}

TEST(CliImage, ExitCodesAsForTheOtherCommands) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", one_station);
    struct Case {
        std::vector<std::string> arguments;
        int code;
        const char* err;
    } cases[] = {
        {{"image", in, "2"}, 2, "vemora-cli: there is no station 2 in"},
        {{"image", in, "0"}, 2, "vemora-cli: \"0\" is no station number (the first station is 1)"},
        {{"image", in, "-1"}, 2, "is no station number"},
        {{"image", in, "1x"}, 2, "vemora-cli: \"1x\" is no station number"},
        {{"image", in, "99999999999"}, 2, "is no station number"},
        {{"image", in}, 2, "vemora-cli: usage: vemora-cli image IN N"},
        {{"image", in, "1", "2"}, 2, "vemora-cli: usage: vemora-cli image IN N"},
        {{"image", dir.file("missing.xml"), "1"}, 1, "vemora-cli: cannot read"},
        {{"image", dir.write("broken.xml", "<SETUP><STATIONS>"), "1"}, 1, "vemora-cli: cannot read"},
    };
    for (const Case& c : cases) {
        const Cli_result r = cli(c.arguments);
        EXPECT_EQ(r.code, c.code) << c.arguments.back() << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.arguments.back();
    }
    EXPECT_NE(cli({"--help"}).out.find("\n  image IN N "), std::string::npos);
}
