// vemora-cli list and duplicate, and stations named by id=N in every command that takes a station.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "Lib_trace.h"
#include "cli_fixture.h"
#include "query_reference.h"
#include "random_documents.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

// The positions that list printed, from the first field of each line.
std::vector<int> positions_of(const std::string& out) {
    std::vector<int> positions;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        positions.push_back(std::stoi(line.substr(0, line.find('\t'))));
    return positions;
}

} // namespace

TEST(CliList, EveryStationByDefaultWithIdPhoneAndDescription) {
    const Cli_result r = cli({"list", example});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "1\t101\t+41791110101\tAreuse at Boudry, uranine tracing\n"
              "2\t102\t+41791110102\tSource de l'Orbe, fluorescence & turbidity\n"
              "3\t203\t+41791110203\tPiezometer P3 \"Les Pr\xc3\xa9s\" (4-20 mA)\n" // UTF-8 for the terminal
              "4\t304\t+41791110304\tRain gauge, pulse counters\n"
              "5\t-1\t\tSpare logger, not configured\n");
    EXPECT_EQ(r.err, "");
}

TEST(CliList, WhereColumnsAndSort) {
    Cli_result r =
        cli({"list", example, "--where", "uses:162 -uses:161", "--columns", "bytes,id,sms,problems"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(positions_of(r.out), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "1\t105\t101\t+41797654321\t0");
    r = cli({"list", example, "--sort", "-bytes", "--columns", "bytes"});
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<int> bytes;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        bytes.push_back(std::stoi(line.substr(line.find('\t') + 1)));
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_TRUE(std::is_sorted(bytes.rbegin(), bytes.rend()));
    EXPECT_EQ(bytes.back(), 0);
    r = cli({"list", example, "--sort", "id", "--columns", "id"});
    EXPECT_EQ(r.out, "5\t-1\n1\t101\n2\t102\n3\t203\n4\t304\n");
    // A word typed in UTF-8 finds the Latin-1 text of the file.
    r = cli({"list", example, "--where", "PR\xc3\x89S", "--columns", "id"});
    EXPECT_EQ(r.out, "3\t203\n");
    r = cli({"list", example, "--where", "desc:\"areuse boudry\" OR ed_acq_interval0=60", "--columns", "id"});
    EXPECT_EQ(r.out, "1\t101\n4\t304\n");
}

TEST(CliList, NoMatchExitsSixAndBadArgumentsAreUsageErrors) {
    Cli_result r = cli({"list", example, "--where", "slow:162"});
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"list", example, "--where", "uses:161 spare)"},
         "the query \"uses:161 spare)\" is wrong: unexpected ')' at character 15"},
        {{"list", example, "--where", "uses:163"},
         "the query \"uses:163\" is wrong: there is no channel 163 at character 6"},
        {{"list", example, "--where"}, "--where needs a value"},
        {{"list", example, "--columns", "id,colour"},
         "--columns takes names from id, phone, desc, bytes, sms, problems, template separated by commas, "
         "not \"id,colour\""},
        {{"list", example, "--columns", ""},
         "--columns takes names from id, phone, desc, bytes, sms, problems, template separated by commas, "
         "not \"\""},
        {{"list", example, "--sort", "name"},
         "--sort takes one of id, phone, desc, bytes, sms, problems (-bytes for the largest first), not "
         "\"name\""},
        {{"list", example, "--limit", "3"}, "list has no option \"--limit\""},
        {{"list", example, example},
         "usage: vemora-cli list IN [--where QUERY] [--columns id,phone,desc,bytes,sms,problems,template] "
         "[--sort COLUMN] [--library LIB]"},
    };
    for (const auto& c : cases) {
        r = cli(c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_EQ(r.err, "vemora-cli: " + c.message + "\n");
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(cli({"list", "/nonexistent/setup.xml"}).code, 1);
}

TEST(CliList, AControlCharacterInATextCannotSplitALine) {
    Temp_dir dir;
    const std::string in =
        dir.write("in.xml", "<SETUP><STATIONS><STATION id='1' description='a&#x9;b&#xa;c'/>"
                            "</STATIONS></SETUP>");
    const Cli_result r = cli({"list", in, "--columns", "desc,id"});
    EXPECT_EQ(r.out, "1\ta\\x09b\\x0ac\t1\n");
}

TEST(CliList, GeneratedFilesGiveTheReferencesStations) {
    std::mt19937 rng(615);
    Temp_dir dir;
    int compared = 0;
    for (int round = 0; round < 40; ++round) {
        Tsetup generated;
        random_document(rng, generated);
        Tlist::Tnode* first = generated.stations.list.head();
        for (Tlist::Tnode* n = first ? first->next : nullptr; n != nullptr; n = n->next)
            if (rng() % 3 == 0) static_cast<Tstation*>(n->item)->id = static_cast<Tstation*>(first->item)->id;
        const std::string path = dir.file("random.xml");
        ASSERT_EQ(generated.write_file(path.c_str()), 0);
        Tsetup setup;
        Reading_collector notes;
        {
            Trace_capture quiet;
            ASSERT_EQ(setup.read_file(path.c_str(), nullptr, &notes), 0);
        }
        const std::vector<Reference_station> stations = reference_stations(setup, &notes);
        for (int k = 0; k < 8; ++k) {
            const Reference_query q = random_query(rng, stations);
            const std::vector<int> expected = reference_positions(q, stations);
            const Cli_result r = cli({"list", path, "--where", q.text, "--columns", "id"});
            EXPECT_EQ(r.code, expected.empty() ? 6 : 0) << q.text << "\n" << r.err;
            EXPECT_EQ(positions_of(r.out), expected) << q.text;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 320);
}

TEST(CliStationById, EveryCommandTakesIdEqualsN) {
    EXPECT_EQ(cli({"form", example, "id=203"}).out, cli({"form", example, "3"}).out);
    EXPECT_EQ(cli({"image", example, "id=-1"}).out, cli({"image", example, "5"}).out);
    const Cli_result report = cli({"report", example, "id=304", "id=101"});
    EXPECT_EQ(report.code, 0) << report.err;
    EXPECT_EQ(report.out, cli({"report", example, "4", "1"}).out);
    Temp_dir dir;
    const std::string by_id = dir.file("by-id.xml"), by_position = dir.file("by-position.xml");
    EXPECT_EQ(cli({"edit", example, "id=102", by_id, "ed_s_2=9.5"}).code, 0);
    EXPECT_EQ(cli({"edit", example, "2", by_position, "ed_s_2=9.5"}).code, 0);
    EXPECT_EQ(read_bytes(by_id), read_bytes(by_position));
}

TEST(CliStationById, AnIdNoStationOrSeveralHaveIsRefused) {
    Temp_dir dir;
    const std::string in =
        dir.write("in.xml", "<SETUP><STATIONS><STATION id='7'/><STATION id='8'/><STATION id='7'/>"
                            "</STATIONS></SETUP>");
    const std::string out = dir.file("out.xml");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"form", in, "id=7"},
         "the id 7 belongs to stations 1 and 3 in \"" + in + "\"; name one by its position"},
        {{"image", in, "id=7"},
         "the id 7 belongs to stations 1 and 3 in \"" + in + "\"; name one by its position"},
        {{"report", in, "id=7"},
         "the id 7 belongs to stations 1 and 3 in \"" + in + "\"; name one by its position"},
        {{"edit", in, "id=7", out},
         "the id 7 belongs to stations 1 and 3 in \"" + in + "\"; name one by its position"},
        {{"duplicate", in, "id=7", out},
         "the id 7 belongs to stations 1 and 3 in \"" + in + "\"; name one by its position"},
        {{"form", in, "id=9"}, "no station has the id 9 in \"" + in + "\""},
        {{"form", in, "id="}, "\"id=\" is no station number"},
        {{"form", in, "id=2147483648"}, "\"id=2147483648\" is no station number"},
        {{"image", in, "ID=7"}, "\"ID=7\" is no station number (the first station is 1)"},
    };
    for (const auto& c : cases) {
        const Cli_result r = cli(c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_EQ(r.err, "vemora-cli: " + c.message + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliDuplicate, ACopyBehindItsSourceWithTheSmallestFreeIdAbove) {
    Temp_dir dir;
    const std::string out = dir.file("out.xml");
    Cli_result r = cli({"duplicate", example, "1", out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "station 2 (id 103) is a copy of station 1 (id 101)\n"); // 102 is in use
    r = cli({"list", out, "--columns", "id,phone,desc"});
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1),
              "1\t101\t+41791110101\tAreuse at Boudry, uranine tracing\n"
              "2\t103\t\tAreuse at Boudry, uranine tracing (copy)\n");
    EXPECT_EQ(positions_of(r.out).size(), 6u);
    // Apart from its identity the copy is its source, as Save writes it.
    EXPECT_EQ(cli({"diff", out, out, "--stations", "1,2", "--ignore-identity"}).code, 0);
    EXPECT_EQ(cli({"diff", out, out, "--stations", "1,2"}).code, 5);
    // The rest of the file is as it was: removing the copy gives the example back.
    EXPECT_EQ(cli({"diff", example, out}).code, 5);

    r = cli({"duplicate", example, "id=-1", out, "--id", "5000"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "station 6 (id 5000) is a copy of station 5 (id -1)\n");
    r = cli({"duplicate", example, "id=-1", out});
    EXPECT_EQ(r.out, "station 6 (id 0) is a copy of station 5 (id -1)\n");
}

TEST(CliDuplicate, AnIdInUseAndBadArgumentsAreUsageErrorsThatWriteNothing) {
    Temp_dir dir;
    const std::string out = dir.file("out.xml");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"duplicate", example, "1", out, "--id", "102"},
         "the id 102 is in use in \"" + example + "\"; a copy needs an id of its own"},
        {{"duplicate", example, "1", out, "--id", "x"},
         "--id takes an ID from -2147483648 to 2147483647, not \"x\""},
        {{"duplicate", example, "1", out, "--id", "2147483648"},
         "--id takes an ID from -2147483648 to 2147483647, not \"2147483648\""},
        {{"duplicate", example, "1", out, "--id"},
         "--id takes an ID from -2147483648 to 2147483647, not \"\""},
        {{"duplicate", example, "0", out}, "\"0\" is no station number (the first station is 1)"},
        {{"duplicate", example, "9", out}, "there is no station 9 in \"" + example + "\""},
        {{"duplicate", example, "1", out, "--all"}, "duplicate has no option \"--all\""},
        {{"duplicate", example, "1", out, "extra"}, "usage: vemora-cli duplicate IN N OUT [--id NEW]"},
    };
    for (const auto& c : cases) {
        const Cli_result r = cli(c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_EQ(r.err, "vemora-cli: " + c.message + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    const std::string top =
        dir.write("top.xml", "<SETUP><STATIONS><STATION id='2147483647'/></STATIONS></SETUP>");
    const Cli_result r = cli({"duplicate", top, "1", out});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "vemora-cli: every id above 2147483647 is in use; give the copy's with --id\n");
}

TEST(CliDuplicate, ADescriptionTooLongForTheMarkIsShortenedAndSaid) {
    Temp_dir dir;
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS><STATION id='1' description='" +
                                                   std::string(255, 'd') + "'/></STATIONS></SETUP>");
    const std::string out = dir.file("out.xml");
    const Cli_result r = cli({"duplicate", in, "1", out});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err,
              "WARNING : the copy's description is the first 248 characters of station 1's and \"(copy)\": "
              "the field holds 255\n");
    EXPECT_EQ(cli({"list", out, "--where", "id:2", "--columns", "desc"}).out,
              "2\t" + std::string(248, 'd') + " (copy)\n");
}
