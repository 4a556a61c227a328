// vemora-cli form and edit: the editor logic driven from a script, with exact output and exit codes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "cli_fixture.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string line_for(const std::string& form, const std::string& name) {
    for (const std::string& line : lines_of(form))
        if (line.rfind(name + "=", 0) == 0) return line;
    return "";
}

const std::string two_stations =
    "<SETUP><STATIONS><STATION id='-1' description='first'><CONFIGURATION>"
    "<ACQUISITION_SEQUENCE value='0'><ACQ_FLUO port='4' channel='9' threshold='2.5' "
    "compare='lt'/></ACQUISITION_SEQUENCE><ACQ_INTERVAL0 value='900'/>"
    "</CONFIGURATION></STATION><STATION id='2'/></STATIONS></SETUP>";

} // namespace

TEST(CliForm, Prints148ControlsSortedByName) {
    Temp_dir dir;
    const Cli_result r = cli({"form", dir.write("in.xml", two_stations), "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 148u);
    std::vector<std::string> names;
    for (const std::string& line : lines)
        names.push_back(line.substr(0, line.find('=')));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end())); // by name in byte order: cb_s_1 before cb_s_161
    EXPECT_EQ(lines.front(), "cb_f2_out=0");
    EXPECT_EQ(line_for(r.out, "cb_s_9"), "cb_s_9=1");
    EXPECT_EQ(line_for(r.out, "cbb_s_9"), "cbb_s_9=2");
    EXPECT_EQ(line_for(r.out, "ed_s_9"), "ed_s_9=2.50");
    EXPECT_EQ(line_for(r.out, "ed_f_9"), "ed_f_9=0.6 disabled");
    EXPECT_EQ(line_for(r.out, "cbb_f_9"), "cbb_f_9=0 disabled");
    EXPECT_EQ(line_for(r.out, "ed_ID"), "ed_ID=4294967295");
    EXPECT_EQ(line_for(r.out, "ed_description"), "ed_description=first");
    EXPECT_EQ(line_for(r.out, "ed_acq_interval0"), "ed_acq_interval0=15.00");
    EXPECT_EQ(line_for(r.out, "cbb_s_o0"), "cbb_s_o0=0 disabled");
}

TEST(CliForm, ANewStationAndNumbersOutOfRange) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", two_stations);
    const Cli_result fresh = cli({"form", in, "0"});
    EXPECT_EQ(fresh.code, 0);
    EXPECT_EQ(line_for(fresh.out, "ed_ID"), "ed_ID=0");
    EXPECT_EQ(line_for(fresh.out, "ed_sms"), "ed_sms=");
    EXPECT_EQ(line_for(fresh.out, "ed_gsm_interval"), "ed_gsm_interval=24");
    EXPECT_EQ(cli({"form", in, "3"}).code, 2);
    EXPECT_EQ(cli({"form", in, "-1"}).code, 2);
    // Numbers beyond the int range never wrap onto a station (2^32 + 1 would be station 1).
    for (const char* n : {"2147483648", "4294967297", "4294967298"}) {
        const Cli_result r = cli({"form", in, n});
        EXPECT_EQ(r.code, 2) << n;
        EXPECT_EQ(r.out, "") << n;
        EXPECT_EQ(cli({"edit", in, n, dir.file("out.xml"), "ed_description=changed"}).code, 2) << n;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.xml")));
    EXPECT_EQ(cli({"form", in, "x"}).code, 2);
    EXPECT_EQ(cli({"form", in}).code, 2);
    EXPECT_EQ(cli({"form", dir.file("absent.xml"), "1"}).code, 1);
}

TEST(CliEdit, WithoutChangesStoresNothingAndWithOneStoresTheStation) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", two_stations), out = dir.file("out.xml");
    // Open and OK without a change: the station stays as read, so the file is what normalize writes.
    ASSERT_EQ(cli({"edit", in, "1", out}).code, 0);
    ASSERT_EQ(cli({"normalize", in, dir.file("normalized.xml")}).code, 0);
    EXPECT_EQ(read_bytes(out), read_bytes(dir.file("normalized.xml")));
    const Cli_result r = cli({"edit", in, "1", out, "ed_description=changed"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Cli_result dump = cli({"dump", out});
    // Read back from the file, so the end marker counts: 59 bytes stored, cursor 60. The stored slow
    // sequence: probes on, wait, conductivity "< Less Than" 2.5, probes off, end.
    EXPECT_EQ(dump.out.substr(0, 60), "1 id=-1 cursor=60 image=080a93a3c4c9402000009000090493a39000");
    EXPECT_NE(read_bytes(out).find("display_type=\"zevo-4k\""), std::string::npos);
}

TEST(CliEdit, AppliesValuesInOrderAsAUserWould) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", two_stations), out = dir.file("out.xml");
    const Cli_result r =
        cli({"edit", in, "2", out, "cb_s_vbat=1", "cb_s_vbat_eol=1", "ed_s_vbat_threshold=3.6",
             "ed_description=a & b", "ed_sms=+41", "cbb_s_o0=2", "ed_ID=  42x"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Cli_result form = cli({"form", out, "2"});
    EXPECT_EQ(line_for(form.out, "cb_s_vbat_eol"), "cb_s_vbat_eol=1");
    EXPECT_EQ(line_for(form.out, "ed_s_vbat_threshold"), "ed_s_vbat_threshold=3.6");
    EXPECT_EQ(line_for(form.out, "ed_description"), "ed_description=a & b");
    EXPECT_EQ(line_for(form.out, "ed_sms"), "ed_sms=+41");
    EXPECT_EQ(line_for(form.out, "ed_ID"), "ed_ID=42");
    // The output action list keeps no value without its action ticked: nothing of it is stored.
    EXPECT_EQ(line_for(form.out, "cbb_s_o0"), "cbb_s_o0=0 disabled");
    // The first station is untouched.
    EXPECT_EQ(cli({"dump", out}).out.substr(0, 30), cli({"dump", in}).out.substr(0, 30));
}

TEST(CliEdit, StationZeroAppendsANewStation) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", two_stations), out = dir.file("out.xml");
    ASSERT_EQ(cli({"edit", in, "0", out, "ed_ID=77", "cb_r_5=1"}).code, 0);
    const auto lines = lines_of(cli({"dump", out}).out);
    ASSERT_EQ(lines.size(), 3u);
    // Slow and fast records of 6 bytes, the remote one of 8 with its channel, 35 fixed, the end marker.
    EXPECT_EQ(lines[2].rfind("3 id=77 cursor=56 image=080493a3900009", 0), 0u) << lines[2];
}

TEST(CliEdit, UsageErrorsWriteNothing) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", two_stations), out = dir.file("out.xml");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"edit", in, "1", out, "cb_nothing=1"},
             {"edit", in, "1", out, "cb_s_0=2"},
             {"edit", in, "1", out, "cbb_s_0=3"},
             {"edit", in, "1", out, "cbb_s_0=one"},
             {"edit", in, "1", out, "ed_sms=+4179123456789012"},
             {"edit", in, "1", out, "ed_pin"},
             {"edit", in, "9", out},
             {"edit", in, "1"},
         }) {
        const Cli_result r = cli(args);
        EXPECT_EQ(r.code, 2) << args.back();
        EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(std::filesystem::exists(out)) << args.back();
    }
    EXPECT_EQ(cli({"edit", in, "1", out, "cbb_s_0=-1"}).code, 0);
}

TEST(CliEdit, AConfigurationThatDoesNotFitIsRefused) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", two_stations), out = dir.file("out.xml");
    std::vector<std::string> args = {"edit", in, "1", out};
    for (const char* p : {"s", "f"})
        for (const char* n :
             {"0", "1", "2", "3", "4", "9", "161", "162", "169", "170", "172", "173", "174", "175"}) {
            args.push_back(std::string("cb_") + p + "_" + n + "=1");
            args.push_back(std::string("cbb_") + p + "_" + n + "=1");
        }
    // Each page record: 98 bytes (14 commands with thresholds); with the bare remote record and the
    // fixed records, 98 + 98 + 6 + 35 = 237.
    const Cli_result r = cli(args);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "vemora-cli: the configuration needs 237 bytes; the station holds 223. " + out +
                         " was not written\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliEdit, AnUnwritableOutputIsAFileError) {
    Temp_dir dir;
    const Cli_result r = cli({"edit", example, "1", dir.file("no/such/out.xml")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST(CliForm, AControlCharacterInATextKeepsTheControlOnItsLine) {
    Temp_dir dir;
    const std::string in =
        dir.write("in.xml", "<SETUP><STATIONS><STATION id='7' description='a&#x0a;ed_ID=99&#x0d;\\b'/>"
                            "</STATIONS></SETUP>");
    const Cli_result r = cli({"form", in, "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(lines_of(r.out).size(), 148u);
    EXPECT_EQ(line_for(r.out, "ed_description"), "ed_description=a\\x0aed_ID=99\\x0d\\b");
    EXPECT_EQ(line_for(r.out, "ed_ID"), "ed_ID=7");
}

TEST(CliEdit, AnSmsNumberLongerThanTheStationKeepsIsRefusedUntilShortened) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS><STATION id='7'><CONFIGURATION>"
                                               "<SMS_NUMBER value='+41791234567890123'/></CONFIGURATION>"
                                               "</STATION></STATIONS></SETUP>");
    const std::string out = dir.file("out.xml");
    EXPECT_EQ(line_for(cli({"form", in, "1"}).out, "ed_sms"), "ed_sms=+41791234567890123");
    const Cli_result refused = cli({"edit", in, "1", out, "ed_description=moved"});
    EXPECT_EQ(refused.code, 3);
    EXPECT_EQ(refused.err,
              "vemora-cli: The SMS number has 18 characters, but the station keeps at most 15. " + out +
                  " was not written\n");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(cli({"edit", in, "1", out, "ed_sms=+417912345678901234"}).code,
              2); // longer still: refused as typed
    ASSERT_EQ(cli({"edit", in, "1", out, "ed_sms=+41791234567890"}).code, 0);
    EXPECT_EQ(line_for(cli({"form", out, "1"}).out, "ed_sms"), "ed_sms=+41791234567890");
}

TEST(CliEdit, SaysEachCommandTheStoreDropsAndStores) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS><STATION id='7'><CONFIGURATION>"
                                               "<ACQUISITION_SEQUENCE><NOP/><ACQ_INSTRUMENT port='1'/>"
                                               "</ACQUISITION_SEQUENCE><SMS_TEXT_ACQ value='flood'/>"
                                               "</CONFIGURATION></STATION></STATIONS></SETUP>");
    const std::string out = dir.file("out.xml");
    const Cli_result r = cli({"edit", in, "1", out, "cb_s_0=1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "WARNING : station 1: OK drops NOP of the Slow Sequence, which the editor does not show\n"
              "WARNING : station 1: OK drops ACQ_INSTRUMENT of the Slow Sequence, which the editor does not "
              "show\n");
    const std::string saved = read_bytes(out);
    EXPECT_EQ(saved.find("NOP"), std::string::npos);
    EXPECT_NE(saved.find("SMS_TEXT_ACQ    value=\"flood\""), std::string::npos) << saved; // kept as read
    // Without a change nothing is dropped and nothing said.
    const Cli_result same = cli({"edit", in, "1", out});
    EXPECT_EQ(same.err, "");
    EXPECT_NE(read_bytes(out).find("<NOP/>"), std::string::npos);
}

TEST(CliEdit, ALineBreakInANameOrValueCannotSplitOrForgeAMessage) {
    // Every name and value a message quotes is written with its control characters as \xHH: each message
    // stays one line, whatever the file names hold.
    Temp_dir dir;
    const std::string in = dir.write("in.xml", two_stations);
    const std::string forged = "\nvemora-cli: all saved\n";
    const std::string absent = dir.file("absent" + forged + ".xml");
    const std::string shown_forged = "\\x0avemora-cli: all saved\\x0a";
    const std::string out = dir.file("out" + forged + ".xml");
    const std::string shown_out = dir.file("out" + shown_forged + ".xml");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"edit", absent, "1", out},
         1,
         "cannot read \"" + dir.file("absent" + shown_forged + ".xml") + "\": No such file or directory"},
        {{"form", in, "9"}, 2, "there is no station 9 in \"" + in + "\""},
        {{"edit", in, "1\n2", out}, 2, "\"1\\x0a2\" is no station number"},
        {{"edit", in, "1", out, "cb_s_0=1\r"}, 2, "cb_s_0 is a check box: 0 or 1, not \"1\\x0d\""},
        {{"edit", in, "1", out, "cb_\n=1"}, 2, "the editor has no control \"cb_\\x0a\""},
        {{"edit", in, "1", dir.file("no/folder" + forged + ".xml")},
         1,
         "cannot write \"" + dir.file("no/folder" + shown_forged + ".xml") + "\": No such file or directory"},
    };
    for (const auto& c : cases) {
        const Cli_result r = cli(c.args);
        EXPECT_EQ(r.code, c.code) << c.message;
        EXPECT_EQ(r.err, "vemora-cli: " + c.message + "\n");
    }
    // A refused save names the output escaped too; the named pipe under that name stays one.
    ASSERT_EQ(mkfifo(out.c_str(), 0644), 0);
    const Cli_result r = cli({"edit", in, "1", out, "ed_ID=5"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "vemora-cli: cannot write \"" + shown_out +
                  "\": it is a named pipe, not a regular file; use Save As to save to a file of its own\n");
    EXPECT_TRUE(std::filesystem::is_fifo(out));
    EXPECT_EQ(cli({"nor\nmalize"}).err,
              "vemora-cli: unknown command \"nor\\x0amalize\" (vemora-cli --help lists the commands)\n");
}
