// Stations as a spreadsheet (CSV, comma separated, CR LF line ends, cells quoted as RFC 4180 quotes
// them): one row per station with its position, ID, phone number, PIN, description and memory used, then
// every control of the station editor but the identity fields, in the form's order, each as `form`
// prints it; a control the editor shows disabled is an empty cell.
//
// Read back, a row updates its station through the station editor's own logic: a non-empty cell sets its
// control as `edit NAME=VALUE` sets it, an empty cell leaves it as it is, and a row that changes nothing
// leaves its station untouched, so that the unchanged file gives the document back byte for byte.
//
// Free texts (phone, pin, description and the SMS number) that a spreadsheet would take for a formula
// (beginning with = + - @, a tab or a carriage return) are written behind an apostrophe, and a text that
// begins with an apostrophe gets a second one; reading takes exactly one leading apostrophe away from
// these cells. Nothing a spreadsheet opens runs, and every text comes back as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Bulk_edit.h"

class Tsetup;
class Tstation;
class Document_command;

// UTF-8 with a byte order mark (what spreadsheets recognise), or the station's own 8-bit text (Latin-1).
enum class Csv_encoding { UTF8, LATIN1 };

// The header's names, in the order the export writes them: "position", "id", "phone", "pin",
// "description", "bytes_used", then the controls ("ed_sms", "ed_gsm_interval", ..., "cbb_r2_o0").
const std::vector<std::string>& station_csv_columns();

// Writes the header and one row per station at the given positions (from 0, in the order given; a
// position past the list is left out). The stations are only read.
void write_stations_csv(const Tsetup& setup, const std::vector<int>& positions, Csv_encoding encoding,
                        std::ostream& out);

// What is wrong with a file, and where: its line (from 1; the line on which the cell begins), its column
// (the cell's number in the row, from 1, as a spreadsheet counts columns; 0 for a whole row) and the
// column's name from the header, when it has one.
struct Csv_problem {
    int line = 0;
    int column = 0;
    std::string name;
    std::string text;
    bool refusal = false; // a station refused its row (a value, its memory), not a malformed file
};

// "stations.csv: line 17, column 42 (cbb_s_1): \"3\" is not a list index from -1 to 2".
std::string csv_problem_text(const std::string& file, const Csv_problem& problem);

enum class Csv_match { ID, POSITION };

struct Csv_import_options {
    Csv_match match = Csv_match::ID;
    bool add_missing = false; // rows whose ID no station has become new stations, appended in their order
    // Without it, a file that begins with the byte order mark of UTF-8 is UTF-8, and one without is UTF-8
    // when it is valid UTF-8 as a whole and Latin-1 otherwise.
    bool encoding_given = false;
    Csv_encoding encoding = Csv_encoding::UTF8;
};

// A row whose ID no station has, not added.
struct Csv_unknown {
    int line = 0;
    int32_t id = 0;
};

struct Csv_import_plan {
    // A malformed file or a refused row: each problem; nothing of the plan may be applied then.
    std::vector<Csv_problem> problems;
    std::vector<Csv_unknown> unknown;
    Bulk_plan edits;             // the rows that name a station of the document
    std::vector<Tstation> added; // --add-missing: the new stations, in the file's order
    size_t rows = 0;             // the rows read, empty lines not counted

    bool refused() const { return !problems.empty(); }
    // Stations changed or added.
    size_t changes() const { return edits.positions.size() + added.size(); }
};

// Reads the file's bytes against the document, which is only read. Stops at the first malformed cell; a
// file read whole collects every row that a station refuses.
Csv_import_plan plan_csv_import(const Tsetup& setup, const std::string& bytes,
                                const Csv_import_options& options = Csv_import_options());

// The plan as one step of the history: "Edit 3 stations (...)", "Add station 405", or "Update 5 stations
// from CSV (101, 102, 203, ...)" when it both edits and adds. nullptr when refused or nothing changes.
std::unique_ptr<Document_command> csv_import_command(const Tsetup& setup, Csv_import_plan&& plan);
