// vemora-cli edit on several stations: the selectors, spares, all or nothing, the dry run, and the same
// file as editing the stations one after the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli_fixture.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

// The positions whose slow mode interval an edit set to 7 minutes (no station of the example has it).
std::vector<int> edited_positions(const std::string& file) {
    const Cli_result r = cli({"list", file, "--where", "ed_acq_interval1=7", "--columns", "id"});
    std::vector<int> positions;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        positions.push_back(std::stoi(line.substr(0, line.find('\t'))));
    return positions;
}

// The example with station 2 (id 102) holding an SMS number the station cannot keep.
std::string example_with_long_sms_number(const Temp_dir& dir) {
    std::string text = read_bytes(example);
    const size_t station = text.find("id=\"102\"");
    const size_t sms = text.find("+41797654321", station);
    text.replace(sms, 12, "+41797654321000000");
    return dir.write("long-sms.xml", text);
}

} // namespace

TEST(CliBulkEdit, EachSelectorEditsTheStationsItNames) {
    Temp_dir dir;
    const std::string out = dir.file("out.xml");
    ASSERT_TRUE(edited_positions(example).empty());
    const struct {
        std::vector<std::string> selector;
        std::vector<int> edited;
    } cases[] = {
        {{"1,3"}, {1, 3}},
        {{"2-4"}, {2, 3, 4}},
        {{"1,3-4,3"}, {1, 3, 4}}, // a station named twice is edited once
        {{"4-4"}, {4}},
        {{"id=101,304"}, {1, 4}},
        {{"id=304,101"}, {1, 4}},
        {{"all"}, {1, 2, 3, 4}}, // station 5 is a spare
        {{"all", "--include-spares"}, {1, 2, 3, 4, 5}},
        {{"1,5"}, {1}},
        {{"--where", "uses:uranine"}, {1}},
        {{"--where", "uses:161 OR uses:turbidity"}, {1, 2, 3}},
        {{"--where", "id>200 OR spare"}, {3, 4}},
        {{"--where", "id>200 OR spare", "--include-spares"}, {3, 4, 5}},
        {{"2"}, {2}}, // one station, as before
        {{"id=203"}, {3}},
        {{"5"}, {5}}, // a spare named alone is edited, as before
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"edit", example};
        args.insert(args.end(), c.selector.begin(), c.selector.end());
        args.push_back(out);
        args.push_back("ed_acq_interval1=7");
        const Cli_result r = cli(args);
        ASSERT_EQ(r.code, 0) << c.selector[0] << ": " << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(edited_positions(out), c.edited) << c.selector[0];
    }
}

TEST(CliBulkEdit, AWrongSelectorOrChangeIsAUsageErrorThatSaysWhatIsWrong) {
    Temp_dir dir;
    const std::string out = dir.file("out.xml");
    const std::string identity =
        " is one station's own (its ID, phone number, PIN or description); edit it station by station";
    const struct {
        std::vector<std::string> args; // between IN and OUT, then after OUT
        std::vector<std::string> after;
        std::string message;
    } cases[] = {
        {{"1,,3"}, {}, "\"1,,3\" has an empty item"},
        {{"1,"}, {}, "\"1,\" has an empty item"},
        {{"1,x"}, {}, "\"x\" in \"1,x\" is no station number nor range (N or N-M, from 1)"},
        {{"1,2-"}, {}, "\"2-\" in \"1,2-\" is no station number nor range (N or N-M, from 1)"},
        {{"1,-2"}, {}, "\"-2\" in \"1,-2\" is no station number nor range (N or N-M, from 1)"},
        {{"4-2"}, {}, "the range 4-2 in \"4-2\" runs backwards: write 2-4"},
        {{"0,1"}, {}, "station 0 in \"0,1\" is a new station, which is edited alone: N is 0"},
        {{"1,9"}, {}, "there is no station 9 in \"" + example + "\" (it has 5)"},
        {{"2-99999999999"},
         {},
         "\"2-99999999999\" in \"2-99999999999\" is no station number nor range (N or N-M, from 1)"},
        {{"1-2147483647"}, {}, "there is no station 2147483647 in \"" + example + "\" (it has 5)"},
        {{"id=101,999"}, {}, "no station has the id 999 in \"" + example + "\""},
        {{"id=101,x"}, {}, "\"x\" in \"id=101,x\" is no station ID"},
        {{"id=101,2147483648"}, {}, "\"2147483648\" in \"id=101,2147483648\" is no station ID"},
        {{"every"}, {}, "\"every\" is no station number"},
        {{"id="}, {}, "\"id=\" is no station number"},
        {{"id=5,"}, {}, "\"id=5,\" has an empty item"},
        {{"1,\n2"}, {}, "\"\\x0a2\" in \"1,\\x0a2\" is no station number nor range (N or N-M, from 1)"},
        {{"--where", "uses:("}, {}, "the query \"uses:(\" is wrong: "},
        {{"1,2"}, {"ed_ID=5"}, "ed_ID" + identity},
        {{"all"}, {"ed_phone_nbr=+41"}, "ed_phone_nbr" + identity},
        {{"1,2"}, {"cb_s_0=2"}, "cb_s_0 is a check box: 0 or 1, not \"2\""},
        {{"1,2"}, {"cbb_s_1=3"}, "cbb_s_1 is a choice list: an index from -1 to 2, not \"3\""},
        {{"1,2"}, {"cb_nothing=1"}, "the editor has no control \"cb_nothing\""},
        {{"1,2"}, {"ed_pin"}, "\"ed_pin\" is not NAME=VALUE"},
        {{"1,2", "--bogus"}, {}, "edit has no option \"--bogus\""},
        {{"1", "--dryrun"}, {}, "edit has no option \"--dryrun\""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"edit", example};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(out);
        args.insert(args.end(), c.after.begin(), c.after.end());
        const Cli_result r = cli(args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_EQ(r.err.rfind("vemora-cli: " + c.message, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
    EXPECT_EQ(cli({"edit", example, out, "--where"}).err, "vemora-cli: --where needs a query\n");
    EXPECT_EQ(cli({"edit", example, "--where", "spare", out}).code, 6) << "no changes, the spare left alone";
    EXPECT_EQ(cli({"edit", example, "--where", "id:1", "out.xml"}).code, 6);
    EXPECT_EQ(cli({"edit", example, "--where", "id:1"}).err,
              "vemora-cli: usage: vemora-cli edit IN N OUT [NAME=VALUE ...]\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliBulkEdit, SparesAreSkippedWithALineThatSaysSo) {
    Temp_dir dir;
    const std::string out = dir.file("out.xml");
    Cli_result r = cli({"edit", example, "all", out, "cb_r_0=1"});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(
        r.err,
        "vemora-cli: 1 station with nothing configured left as it is (--include-spares edits it too)\n");
    EXPECT_NE(cli({"dump", out}).out.find("\n5 id=-1 cursor=1 image=ffff"), std::string::npos);
    EXPECT_EQ(cli({"list", out, "--where", "remote:0", "--columns", "id"}).out,
              "1\t101\n2\t102\n3\t203\n4\t304\n");

    r = cli({"edit", example, "5,5", out + "2", "cb_r_0=1"});
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.err, "vemora-cli: the station selected has nothing configured (--include-spares edits it); " +
                         out + "2 was not written\n");
    EXPECT_FALSE(std::filesystem::exists(out + "2"));
    r = cli({"edit", example, "--where", "spare", out + "2", "cb_r_0=1", "--include-spares"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(cli({"list", out + "2", "--where", "remote:0"}).out, "5\t-1\t\tSpare logger, not configured\n");

    const std::string spares = dir.write("spares.xml", "<SETUP><STATIONS><STATION id='1'/><STATION id='2'/>"
                                                       "</STATIONS></SETUP>");
    r = cli({"edit", spares, "all", out + "3", "cb_r_0=1"});
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.err,
              "vemora-cli: the 2 stations selected have nothing configured (--include-spares edits them); " +
                  out + "3 was not written\n");
    EXPECT_FALSE(std::filesystem::exists(out + "3"));
}

TEST(CliBulkEdit, OneStationRefusedAndNoneIsEditedNorOutWritten) {
    Temp_dir dir;
    const std::string in = example_with_long_sms_number(dir), out = dir.file("out.xml");
    const std::string in_bytes = read_bytes(in);
    Cli_result r = cli({"edit", in, "all", out, "ed_acq_interval0=30"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "vemora-cli: station 2 (id 102): The SMS number has 18 characters, but the station keeps at "
              "most 15.\n"
              "vemora-cli: 1 of 4 stations refused; " +
                  out + " was not written\n");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(read_bytes(in), in_bytes);
    // Shortened on every station with the change, all of them take it.
    r = cli({"edit", in, "all", out, "ed_acq_interval0=30", "ed_sms=+41797654399"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(cli({"list", out, "--where", "sms:+41797654399 ed_acq_interval0=30", "--columns", "id"}).out,
              "1\t101\n2\t102\n3\t203\n4\t304\n");

    // Too much for two stations' memory: each is named with its figure.
    std::vector<std::string> args = {"edit", example, "1-4", out + "2"};
    for (const char* p : {"s", "f"})
        for (const char* n : {"0", "1", "2", "3", "4", "9", "161", "162", "169", "170", "172", "173"}) {
            args.push_back(std::string("cb_") + p + "_" + n + "=1");
            args.push_back(std::string("cbb_") + p + "_" + n + "=1");
        }
    r = cli(args);
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("vemora-cli: station 1 (id 101): This configuration needs "), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(" of 4 stations refused; " + out + "2 was not written\n"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(out + "2"));
}

TEST(CliBulkEdit, TheSameFileAsEditingTheStationsOneAfterTheOther) {
    Temp_dir dir;
    const std::vector<std::string> changes = {"cb_s_9=0",    "cb_f_sms=1",  "ed_gsm_interval=12",
                                              "ed_s_1=6.25", "cbb_s_162=2", "ed_s_162=3.5",
                                              "cb_r_vbat=0"};
    std::vector<std::string> together = {"edit", example, "1,2,4", dir.file("together.xml")};
    together.insert(together.end(), changes.begin(), changes.end());
    ASSERT_EQ(cli(together).code, 0);
    std::string file = example;
    for (const char* n : {"1", "2", "4"}) {
        const std::string next = dir.file(std::string("alone-") + n + ".xml");
        std::vector<std::string> alone = {"edit", file, n, next};
        alone.insert(alone.end(), changes.begin(), changes.end());
        ASSERT_EQ(cli(alone).code, 0) << n;
        file = next;
    }
    EXPECT_EQ(read_bytes(dir.file("together.xml")), read_bytes(file));
    EXPECT_NE(read_bytes(file), read_bytes(example));
}

TEST(CliBulkEdit, ADryRunPrintsTheDiffThatWouldResultAndWritesNothing) {
    Temp_dir dir;
    const std::string out = dir.file("out.xml"), real = dir.file("real.xml");
    const struct {
        std::vector<std::string> selector, changes;
    } edits[] = {
        {{"all"}, {"ed_sms=+41797654399"}},
        {{"--where", "uses:uranine"}, {"ed_acq_interval0=60", "cb_s_0=0"}},
        {{"3"}, {"ed_acq_interval1=7"}},
        {{"0"}, {"ed_ID=77", "cb_r_5=1"}}, // a new station: only in B
    };
    for (const auto& e : edits) {
        const auto command = [&](const std::string& target) {
            std::vector<std::string> args = {"edit", example};
            args.insert(args.end(), e.selector.begin(), e.selector.end());
            args.push_back(target);
            args.insert(args.end(), e.changes.begin(), e.changes.end());
            return args;
        };
        std::vector<std::string> dry = command(out);
        dry.push_back("--dry-run");
        const Cli_result r = cli(dry);
        EXPECT_EQ(r.code, 5) << e.selector[0] << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
        // What the edit writes, as diff prints it against the input, B named as the dry run's OUT.
        ASSERT_EQ(cli(command(real)).code, 0) << e.selector[0];
        const Cli_result d = cli({"diff", example, real});
        ASSERT_EQ(d.code, 5);
        const std::string heading = "A: " + example + "\nB: " + real + "\n";
        ASSERT_EQ(d.out.rfind(heading, 0), 0u);
        EXPECT_EQ(r.out, "A: " + example + "\nB: " + out + "\n" + d.out.substr(heading.size()))
            << e.selector[0];
    }
    // Nothing would change: exit 0 and no line.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"edit", example, "all", out, "ed_sms=+41797654321", "--dry-run"},
             {"edit", example, "1", out, "--dry-run"},
             // Temperature is measured on both: unticked and ticked again, as a user may.
             {"edit", example, "--dry-run", "--where", "id:101-102", out, "cb_s_0=0", "cb_s_0=1"}}) {
        const Cli_result r = cli(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, "");
    }
    // A refusal is said as without --dry-run; a station the changes leave as it is stores nothing and
    // so refuses nothing, as when edited alone.
    const std::string in = example_with_long_sms_number(dir);
    EXPECT_EQ(cli({"edit", in, "all", out, "ed_acq_interval1=7", "--dry-run"}).code, 3);
    EXPECT_EQ(cli({"edit", in, "all", out, "cb_s_0=1", "--dry-run"}).code, 5);
    EXPECT_FALSE(std::filesystem::exists(out));
}
