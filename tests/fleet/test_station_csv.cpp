// Stations as a spreadsheet: the unchanged file changes nothing, texts of every byte come back as they
// were, each malformed file is refused with its line, column and reason, and an import is one undo step.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "Document_commands.h"
#include "Document_history.h"
#include "Lib_trace.h"
#include "Setup.h"
#include "Station_csv.h"
#include "example_document.h"
#include "random_documents.h"

namespace {

std::vector<int> all_positions(const Tsetup& setup) {
    std::vector<int> out;
    for (int i = 0; i < setup.stations.list.count(); ++i)
        out.push_back(i);
    return out;
}

std::string exported(const Tsetup& setup, Csv_encoding encoding = Csv_encoding::UTF8) {
    std::ostringstream out;
    write_stations_csv(setup, all_positions(setup), encoding, out);
    return out.str();
}

Tstation& station_at(Tsetup& setup, int position) {
    return *static_cast<Tstation*>(setup.stations.list.node_at(position)->item);
}

std::string problems_text(const Csv_import_plan& plan) {
    std::string text;
    for (const Csv_problem& p : plan.problems)
        text += csv_problem_text("s.csv", p) + "\n";
    return text;
}

// Applies the plan as one step; false when it was refused.
bool import(Tsetup& setup, const std::string& csv, const Csv_import_options& options = Csv_import_options()) {
    Csv_import_plan plan = plan_csv_import(setup, csv, options);
    if (plan.refused()) return false;
    const auto step = csv_import_command(setup, std::move(plan));
    return step == nullptr || step->apply(setup);
}

const std::string header = "id,description\r\n";

} // namespace

TEST(StationCsv, TheUnchangedFileChangesNothingOnGeneratedDocuments) {
    std::mt19937 rng(20240611);
    int stations = 0;
    for (int round = 0; round < 60; ++round) {
        Tsetup setup;
        random_document(rng, setup);
        stations += setup.stations.list.count();
        for (const Csv_encoding encoding : {Csv_encoding::UTF8, Csv_encoding::LATIN1})
            for (const Csv_match match : {Csv_match::ID, Csv_match::POSITION}) {
                Csv_import_options options;
                options.match = match;
                Csv_import_plan plan = plan_csv_import(setup, exported(setup, encoding), options);
                ASSERT_FALSE(plan.refused()) << round << "\n" << problems_text(plan);
                EXPECT_EQ(plan.rows, static_cast<size_t>(setup.stations.list.count()));
                EXPECT_EQ(plan.changes(), 0u) << round;
                EXPECT_EQ(csv_import_command(setup, std::move(plan)), nullptr);
            }
    }
    EXPECT_GT(stations, 100);
}

TEST(StationCsv, EveryTextAStationCanHoldComesBackAsItWas) {
    std::mt19937 rng(7);
    Tsetup setup;
    read_example(setup);
    // Commas, quotes, line ends, bytes above 127 and texts that look like formulas.
    std::vector<std::string> texts = {"=1+2",          "+41 79", "-x",   "@SUM(A1)",
                                      "'quoted",       "''two",  "a,b",  "say \"hi\"",
                                      "line\r\nbreak", "\ttab",  "\rcr", "Prés \xFF\x80"};
    for (int i = 0; i < 40; ++i) {
        std::string t = random_text(rng, 255);
        if (!t.empty()) texts.push_back(t);
    }
    for (const Csv_encoding encoding : {Csv_encoding::UTF8, Csv_encoding::LATIN1})
        for (const std::string& text : texts) {
            Tsetup changed;
            read_example(changed);
            copy_text(station_at(changed, 2).description, text.c_str(), sizeof Tstation::description);
            copy_text(station_at(changed, 2).phone_nbr, text.substr(0, 31).c_str(),
                      sizeof Tstation::phone_nbr);
            // The file that the changed document exports sets the texts on the example's station.
            ASSERT_TRUE(import(setup, exported(changed, encoding))) << text;
            EXPECT_EQ(std::string(station_at(setup, 2).description), text);
            EXPECT_EQ(std::string(station_at(setup, 2).phone_nbr), text.substr(0, 31));
        }
}

TEST(StationCsv, AFormulaIsWrittenBehindAnApostropheAndNumbersAsTheyAre) {
    Tsetup setup;
    read_example(setup);
    copy_text(station_at(setup, 0).description, "=HYPERLINK(\"x\")", sizeof Tstation::description);
    copy_text(station_at(setup, 1).description, "'kept", sizeof Tstation::description);
    const std::string csv = exported(setup);
    EXPECT_NE(csv.find("\r\n1,101,'+41791110101,1234,\"'=HYPERLINK(\"\"x\"\")\",105,'+41797654321,6.000,"),
              std::string::npos);
    EXPECT_NE(csv.find(",''kept,"), std::string::npos);
    // Thresholds and indexes are no formulas: a negative number stays a number.
    EXPECT_EQ(csv.find(",'-"), std::string::npos);
}

TEST(StationCsv, EachMalformedFileIsRefusedWithItsLineColumnAndReason) {
    Tsetup setup;
    read_example(setup);
    const struct {
        std::string csv;
        std::string message;
        Csv_match match;
    } cases[] = {
        {"", "s.csv: line 1: the file has no header row naming its columns", Csv_match::ID},
        {"id,cbb_s_1\r\n101,1\r\n102,3\r\n",
         "s.csv: line 3, column 2 (cbb_s_1): \"3\" is not a list index from -1 to 2", Csv_match::ID},
        {"id,cb_s_0\r\n101,yes\r\n", "s.csv: line 2, column 2 (cb_s_0): \"yes\" is not a check box's 0 or 1",
         Csv_match::ID},
        {"id,cb_x\r\n",
         "s.csv: line 1, column 2: \"cb_x\" is no column of a station (the editor has no such control)",
         Csv_match::ID},
        {"id,ed_ID\r\n",
         "s.csv: line 1, column 2: \"ed_ID\" is no column of a station (the identity fields are the columns "
         "id, "
         "phone, pin and description)",
         Csv_match::ID},
        {"id,pin,pin\r\n", "s.csv: line 1, column 3 (pin): the column is named twice (first in column 2)",
         Csv_match::ID},
        {"pin\r\n1\r\n",
         "s.csv: line 1: the header has no id column, which names each row's station (or match by a position "
         "column)",
         Csv_match::ID},
        {"id,pin\r\n1\r\n", "s.csv: line 2, column 2 (pin): the row has 1 cells; the header names 2 columns",
         Csv_match::ID},
        {"id,pin\r\n101,1,2\r\n", "s.csv: line 2, column 3: the row has 3 cells; the header names 2 columns",
         Csv_match::ID},
        {"id,pin\r\n\"101,1\r\n",
         "s.csv: line 2, column 1 (id): the quoted cell that begins here has no closing quote",
         Csv_match::ID},
        {"id,pin\r\n101,\"1\"2\r\n",
         "s.csv: line 2, column 2 (pin): a character after the closing quote (a quote inside a quoted cell "
         "is "
         "written twice)",
         Csv_match::ID},
        {"id,pin\r\n101,1\"2\r\n",
         "s.csv: line 2, column 2 (pin): a quote inside a cell that does not begin with one (write the cell "
         "in "
         "quotes and the quote twice)",
         Csv_match::ID},
        {"id,pin\r\n101,1\r102,2\r\n", "s.csv: line 2, column 2 (pin): a carriage return that ends no line",
         Csv_match::ID},
        {"id,pin\r\n101x,1\r\n", "s.csv: line 2, column 1 (id): \"101x\" is no station ID", Csv_match::ID},
        {"id,pin\r\n,1\r\n", "s.csv: line 2, column 1 (id): the row has no ID", Csv_match::ID},
        {"id,pin\r\n2147483648,1\r\n", "s.csv: line 2, column 1 (id): \"2147483648\" is no station ID",
         Csv_match::ID},
        {"pin,id\r\n1,101\r\n\"2\r\n\",101\r\n",
         "s.csv: line 4, column 2 (id): the id 101 is given twice (first on line 2); match the rows by their "
         "position",
         Csv_match::ID},
        {"position,pin\r\n6,1\r\n",
         "s.csv: line 2, column 1 (position): \"6\" is no station position from 1 to 5", Csv_match::POSITION},
        {"position,pin\r\n2,1\r\n2,1\r\n",
         "s.csv: line 3, column 1 (position): station 2 is given twice (first on line 2)",
         Csv_match::POSITION},
        {"position,id\r\n2,x\r\n", "s.csv: line 2, column 2 (id): \"x\" is no station ID",
         Csv_match::POSITION},
        {"id,description\r\n101,\"Pr\xE2\x82\xACs\"\r\n",
         "s.csv: line 2, column 2 (description): \"\xE2\x82\xAC\" (U+20AC) is a character that 8-bit text "
         "cannot "
         "hold; a station's texts are Latin-1",
         Csv_match::ID},
        {"\xEF\xBB\xBFid,description\r\n101,Pr\xE9s\r\n",
         "s.csv: line 2, column 2 (description): the byte 0xE9 is no UTF-8 (the file is read as UTF-8)",
         Csv_match::ID},
        // A value that the station refuses is a refusal of its row, at its cell.
        {"id,pin\r\n101,1234567890123456789012345678901234\r\n",
         "s.csv: line 2, column 2 (pin): ed_pin holds at most 31 characters; "
         "\"1234567890123456789012345678901234\" has 34",
         Csv_match::ID},
    };
    for (const auto& c : cases) {
        Csv_import_options options;
        options.match = c.match;
        const Csv_import_plan plan = plan_csv_import(setup, c.csv, options);
        ASSERT_EQ(plan.problems.size(), 1u) << c.message;
        EXPECT_EQ(csv_problem_text("s.csv", plan.problems[0]), c.message);
    }
}

TEST(StationCsv, AStoreThatARowWouldBreakIsRefusedForTheWholeRow) {
    Tsetup setup;
    read_example(setup);
    std::string csv = "id";
    std::string row = "\r\n101";
    for (const char* p : {"s", "f"})
        for (const char* n : {"0", "1", "2", "3", "4", "9", "161", "162", "169", "170", "172", "173"}) {
            csv += std::string(",cb_") + p + "_" + n + ",cbb_" + p + "_" + n;
            row += ",1,1";
        }
    const Csv_import_plan plan = plan_csv_import(setup, csv + row + "\r\n");
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_TRUE(plan.problems[0].refusal);
    EXPECT_EQ(csv_problem_text("s.csv", plan.problems[0])
                  .rfind("s.csv: line 2: station 1 (id 101): This configuration needs ", 0),
              0u)
        << csv_problem_text("s.csv", plan.problems[0]);
}

TEST(StationCsv, EncodingsByByteOrderMarkByContentOrAsAsked) {
    Tsetup setup;
    read_example(setup);
    const auto description_after = [&](const std::string& csv, const Csv_import_options& options) {
        Tsetup copy;
        read_example(copy);
        EXPECT_TRUE(import(copy, csv, options)) << problems_text(plan_csv_import(copy, csv, options));
        return std::string(station_at(copy, 0).description);
    };
    Csv_import_options guess, latin1, utf8;
    latin1.encoding_given = utf8.encoding_given = true;
    latin1.encoding = Csv_encoding::LATIN1;
    EXPECT_EQ(description_after(header + "101,Pr\xC3\xA9s\r\n", guess), "Pr\xE9s");      // valid UTF-8
    EXPECT_EQ(description_after(header + "101,Pr\xE9s\r\n", guess), "Pr\xE9s");          // no UTF-8: Latin-1
    EXPECT_EQ(description_after(header + "101,Pr\xC3\xA9s\r\n", latin1), "Pr\xC3\xA9s"); // as asked
    EXPECT_EQ(description_after("\xEF\xBB\xBF" + header + "101,\xC3\xBF\r\n", guess), "\xFF");
    const Csv_import_plan plan = plan_csv_import(setup, "\xEF\xBB\xBF" + header, latin1);
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_EQ(
        csv_problem_text("s.csv", plan.problems[0]),
        "s.csv: line 1, column 1: the file begins with UTF-8's byte order mark, but Latin-1 was asked for");
    EXPECT_TRUE(plan_csv_import(setup, header + "101,Pr\xE9s\r\n", utf8).refused());
}

TEST(StationCsv, ColumnsInAnyOrderAndEmptyCellsLeaveTheirControls) {
    Tsetup setup, edited;
    read_example(setup);
    read_example(edited);
    // LF line ends, empty lines, the columns out of order, and an empty cell for each control not set.
    ASSERT_TRUE(import(setup, "ed_acq_interval0,cb_s_0,id,pin\n\n60,,102,\n,0,101,9999\n"));
    Station_editor editor;
    editor.open(&station_at(edited, 1));
    ASSERT_TRUE(editor.set_text(editor.form.find("ed_acq_interval0"), "60"));
    editor.ok();
    editor.open(&station_at(edited, 0));
    ASSERT_TRUE(editor.set_checked(editor.form.find("cb_s_0"), false));
    ASSERT_TRUE(editor.set_text(editor.form.general().pin, "9999"));
    editor.ok();
    EXPECT_EQ(written(setup), written(edited));
}

TEST(StationCsv, UnknownIdsAreListedAndAddedOnlyWhenAsked) {
    Tsetup setup;
    read_example(setup);
    const std::string before = written(setup);
    const std::string csv = "id,description,cb_r_vbat\r\n101,Changed,\r\n777,New one,1\r\n778,,\r\n";
    Csv_import_plan plan = plan_csv_import(setup, csv);
    ASSERT_FALSE(plan.refused());
    ASSERT_EQ(plan.unknown.size(), 2u);
    EXPECT_EQ(plan.unknown[1].line, 4);
    EXPECT_EQ(plan.unknown[1].id, 778);
    EXPECT_EQ(plan.changes(), 1u);

    Csv_import_options add;
    add.add_missing = true;
    plan = plan_csv_import(setup, csv, add);
    ASSERT_FALSE(plan.refused());
    EXPECT_TRUE(plan.unknown.empty());
    ASSERT_EQ(plan.added.size(), 2u);
    Document_history history(setup);
    ASSERT_TRUE(history.push(csv_import_command(setup, std::move(plan))));
    EXPECT_EQ(history.undo_name(), "Update 3 stations from CSV (101, 777, 778)");
    const std::string after = written(setup);
    ASSERT_EQ(setup.stations.list.count(), 7);
    EXPECT_EQ(station_at(setup, 5).id, 777);
    EXPECT_STREQ(station_at(setup, 5).description, "New one");
    EXPECT_STREQ(station_at(setup, 0).description, "Changed");

    // Added as `edit IN 0 OUT ed_ID=777 ...` adds it.
    Tstation alone;
    Station_editor editor;
    editor.open(&alone, true);
    ASSERT_TRUE(editor.set_text(editor.form.general().id, "777"));
    ASSERT_TRUE(editor.set_text(editor.form.general().description, "New one"));
    ASSERT_TRUE(editor.set_checked(editor.form.find("cb_r_vbat"), true));
    ASSERT_TRUE(editor.ok().stored);
    EXPECT_TRUE(same_station(alone, station_at(setup, 5)));

    ASSERT_TRUE(history.undo());
    EXPECT_EQ(written(setup), before);
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(written(setup), after);
}
