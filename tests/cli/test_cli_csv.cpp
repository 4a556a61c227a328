// vemora-cli export-csv and import-csv: the unchanged spreadsheet writes what normalize writes, a changed
// column writes what edit writes, and a file that is refused writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "Lib_trace.h"
#include "Setup.h"
#include "cli_fixture.h"
#include "random_documents.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

// The cells of a CSV line without quotes, as the example's exports hold them where it matters.
std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted)
            cells.emplace_back();
        else
            cells.back() += c;
    }
    return cells;
}

std::string joined(const std::vector<std::string>& cells) {
    std::string out;
    for (size_t i = 0; i < cells.size(); ++i)
        out += (i > 0 ? "," : "") + cells[i];
    return out;
}

// The export with the cell of `column` set to value on the rows given (from 1).
std::string with_cell(const std::string& csv, const std::string& column, const std::string& value,
                      const std::vector<int>& rows) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t end = csv.find("\r\n"); end != std::string::npos; end = csv.find("\r\n", from)) {
        lines.push_back(csv.substr(from, end - from));
        from = end + 2;
    }
    const std::vector<std::string> names = split(lines[0]);
    const size_t at = static_cast<size_t>(std::find(names.begin(), names.end(), column) - names.begin());
    for (const int r : rows) {
        std::vector<std::string> cells = split(lines[static_cast<size_t>(r)]);
        cells.at(at) = value;
        lines[static_cast<size_t>(r)] = joined(cells);
    }
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

} // namespace

TEST(CliCsv, TheUnchangedSpreadsheetWritesWhatNormalizeWrites) {
    Temp_dir dir;
    std::mt19937 rng(99);
    std::vector<std::string> inputs = {example};
    for (int i = 0; i < 12; ++i) {
        Tsetup setup;
        random_document(rng, setup);
        std::string reason;
        Trace_capture quiet;
        const std::string path = dir.file("random-" + std::to_string(i) + ".xml");
        ASSERT_EQ(setup.write_file(path.c_str(), &reason), 0) << reason;
        inputs.push_back(path);
    }
    for (const std::string& in : inputs) {
        ASSERT_EQ(cli({"normalize", in, dir.file("n.xml")}).code, 0);
        for (const char* encoding : {"utf8", "latin1"}) {
            const Cli_result e = cli({"export-csv", in, "--encoding", encoding});
            ASSERT_EQ(e.code, 0) << e.err;
            const std::string csv = dir.write("s.csv", e.out);
            for (const char* match : {"id", "position"}) {
                std::filesystem::remove(dir.file("out.xml"));
                const Cli_result r = cli({"import-csv", in, csv, dir.file("out.xml"), "--match", match});
                ASSERT_EQ(r.code, 0) << in << " " << encoding << " " << match << ": " << r.err;
                EXPECT_EQ(read_bytes(dir.file("out.xml")), read_bytes(dir.file("n.xml"))) << in;
            }
        }
    }
}

TEST(CliCsv, OneChangedColumnWritesWhatEditWritesStationByStation) {
    Temp_dir dir;
    const std::string csv = cli({"export-csv", example}).out;
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBFposition,id,phone,pin,description,bytes_used,ed_sms,", 0), 0u);
    const struct {
        std::string column, value;
        std::vector<int> rows;
    } changes[] = {
        {"ed_acq_interval0", "30", {1, 2, 4}},         {"cb_s_0", "0", {1, 2}},
        {"ed_sms", "+41797654399", {1, 2, 3, 4, 5}},   {"cbb_s_1", "0", {1}},
        {"description", "\"Lac, \"\"neuf\"\"\"", {3}}, {"cb_r_5", "1", {5}}, // the spare, named by its row
    };
    for (const auto& c : changes) {
        const std::string changed = dir.write("changed.csv", with_cell(csv, c.column, c.value, c.rows));
        const Cli_result r = cli({"import-csv", example, changed, dir.file("import.xml")});
        ASSERT_EQ(r.code, 0) << c.column << ": " << r.err;
        std::string file = example;
        const std::string control = c.column == "description" ? "ed_description" : c.column;
        const std::string value = c.column == "description" ? "Lac, \"neuf\"" : c.value;
        for (const int row : c.rows) {
            const std::string next = dir.file("edit-" + std::to_string(row) + ".xml");
            ASSERT_EQ(cli({"edit", file, std::to_string(row), next, control + "=" + value}).code, 0);
            file = next;
        }
        EXPECT_EQ(read_bytes(dir.file("import.xml")), read_bytes(file)) << c.column;
        EXPECT_NE(read_bytes(dir.file("import.xml")), read_bytes(example)) << c.column;
    }
}

TEST(CliCsv, ARefusedFileWritesNothingAndSaysWhereWithTheExitOfEdit) {
    Temp_dir dir;
    const std::string csv = cli({"export-csv", example}).out, out = dir.file("out.xml");
    const std::string bad = dir.file("bad.csv");
    const struct {
        std::string csv;
        int code;
        std::string err;
    } cases[] = {
        {with_cell(csv, "cbb_s_1", "3", {1}), 2,
         "vemora-cli: " + bad + ": line 2, column 19 (cbb_s_1): \"3\" is not a list index from -1 to 2\n"},
        {with_cell(csv, "pin", "12345678901234567890123456789012", {2}), 3,
         "vemora-cli: " + bad +
             ": line 3, column 4 (pin): ed_pin holds at most 31 characters; "
             "\"12345678901234567890123456789012\" has 32\n"},
        {"id,pin\r\n\"101,1\r\n", 2,
         "vemora-cli: " + bad +
             ": line 2, column 1 (id): the quoted cell that begins here has no closing quote\n"},
    };
    for (const auto& c : cases) {
        dir.write("bad.csv", c.csv);
        Cli_result r = cli({"import-csv", example, bad, out});
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err + "vemora-cli: " + out + " was not written\n");
        EXPECT_FALSE(std::filesystem::exists(out));
        r = cli({"import-csv", example, bad, out, "--dry-run"});
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(cli({"import-csv", example, dir.file("none.csv"), out}).code, 1);
    EXPECT_EQ(cli({"import-csv", example, dir.path().string(), out}).err,
              "vemora-cli: cannot read \"" + dir.path().string() + "\": it is a folder, not a file\n");
    EXPECT_EQ(cli({"import-csv", example, dir.write("n.csv", "id\r\n999\r\n"), out}).code, 6);
    EXPECT_EQ(cli({"import-csv", example, dir.write("n.csv", "id\r\n"), out, "--match", "id", "--add-missing",
                   "--match", "position"})
                  .err,
              "vemora-cli: --add-missing adds the rows whose ID no station has: it goes with --match id\n");
    EXPECT_EQ(cli({"import-csv", example, "a.csv", out, "--match", "name"}).err,
              "vemora-cli: --match is id or position, not \"name\"\n");
    EXPECT_EQ(cli({"export-csv", example, "--encoding", "ascii"}).err,
              "vemora-cli: --encoding is utf8 or latin1, not \"ascii\"\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliCsv, UnknownIdsAreListedAndAddedWithAddMissing) {
    Temp_dir dir;
    const std::string csv = dir.write("new.csv", "id,description,cb_r_vbat\r\n101,,\r\n405,Lac neuf,1\r\n");
    Cli_result r = cli({"import-csv", example, csv, dir.file("out.xml")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "vemora-cli: " + csv +
                         ": line 3: no station has the id 405; the row is left out "
                         "(--add-missing adds it)\n");
    ASSERT_EQ(cli({"normalize", example, dir.file("n.xml")}).code, 0);
    EXPECT_EQ(read_bytes(dir.file("out.xml")), read_bytes(dir.file("n.xml")));
    r = cli({"import-csv", example, csv, dir.file("added.xml"), "--add-missing"});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(cli({"edit", example, "0", dir.file("edit.xml"), "ed_ID=405", "ed_description=Lac neuf",
                   "cb_r_vbat=1"})
                  .code,
              0);
    EXPECT_EQ(read_bytes(dir.file("added.xml")), read_bytes(dir.file("edit.xml")));
}

TEST(CliCsv, ADryRunPrintsWhatEditsDryRunPrints) {
    Temp_dir dir;
    const std::string csv = cli({"export-csv", example, "1,3"}).out;
    const std::string changed = dir.write("c.csv", with_cell(csv, "ed_gsm_interval", "12", {1, 2}));
    const Cli_result r = cli({"import-csv", example, changed, dir.file("out.xml"), "--dry-run"});
    EXPECT_EQ(r.code, 5);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.xml")));
    const Cli_result e =
        cli({"edit", example, "1,3", dir.file("out.xml"), "ed_gsm_interval=12", "--dry-run"});
    EXPECT_EQ(r.out, e.out);
    EXPECT_NE(r.out, "");
    // The unchanged selection: nothing would change.
    EXPECT_EQ(cli({"import-csv", example, dir.write("u.csv", csv), dir.file("out.xml"), "--dry-run"}).code,
              0);
}

TEST(CliCsv, ExportToAFileAndBySelector) {
    Temp_dir dir;
    ASSERT_EQ(cli({"export-csv", example, "id=203", "-o", dir.file("s.csv"), "--encoding", "latin1"}).code,
              0);
    const std::string csv = read_bytes(dir.file("s.csv"));
    EXPECT_EQ(csv.rfind("position,id,", 0), 0u);
    EXPECT_NE(csv.find("\r\n3,203,'+41791110203,0000,\"Piezometer P3 \"\"Les Pr\xE9s\"\" (4-20 mA)\",106,"),
              std::string::npos);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
    EXPECT_EQ(cli({"export-csv", example, "--where", "uses:uranine"}).out,
              cli({"export-csv", example, "1"}).out);
    EXPECT_EQ(cli({"export-csv", example, "9"}).code, 2);
    EXPECT_EQ(cli({"export-csv", example, "0"}).code, 2);
    EXPECT_EQ(cli({"export-csv", example, "1,9"}).code, 2);
}
