// Comparing stations and setup documents in the editor's words: which settings differ, which record lines
// the settings do not explain, which stations are only on one side. The verdict "equal" holds exactly when
// the two sides write the same bytes on File > Save (the same text from Tsetup::write or Tstation::write).
//
// Two uses:
// - two stations side by side (the Compare window, `vemora-cli diff --stations N,M`): compare_stations;
//   with all_rows every stored setting of either side is a row, the differing ones marked, so a window can
//   show only the differences and, on a switch, everything;
// - two documents (Compare with File: the open document with its unsaved changes against a file read from
//   disk; `vemora-cli diff A B`): compare_documents, stations matched by id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Tsetup;
class Tstation;
struct Setting;

struct Compare_options {
    bool ignore_identity = false; // ID, phone number, PIN and description count as equal and are not rows
    bool all_rows = false;        // compare_stations: every setting of either side, not only the differing
};

// One setting on both sides. A side that does not store it (a threshold edit the display conditions
// disable there) has in_a or in_b false and an empty value.
struct Setting_row {
    int group = 0;     // a Setting_group (Station_settings.h): "Identity", "Slow Sequence" ...
    std::string label; // "Slow Sequence / Uranine delta (on-off) / threshold"
    std::string name;  // "ed_s_1"
    bool in_a = false, in_b = false;
    std::string a, b; // the values as a user reads them, 8-bit
    bool differs = false;
};

// A line of the station as Save writes it (tabs and line end taken off), present on one side only.
struct Raw_line {
    char side; // 'a': only in A, 'b': only in B
    std::string text;
};

struct Station_comparison {
    bool equal = true;             // the two stations write the same bytes (identity aside when ignored)
    std::vector<Setting_row> rows; // in tab order: the differing settings, or all with all_rows
    // The lines that differ, given only when the settings do not explain every difference (a record no
    // setting shows, the order of records, a threshold's bits behind the same shown text, the display type),
    // so that two stations that differ are never shown as equal.
    std::vector<Raw_line> raw;
};

Station_comparison compare_stations(const Tstation& a, const Tstation& b,
                                    const Compare_options& options = Compare_options());

// The number of settings that differ between two stations' settings (Settings_reader::read), counted as
// compare_stations makes its rows; identity settings left out with ignore_identity.
int differing_settings(const std::vector<Setting>& a, const std::vector<Setting>& b,
                       const Compare_options& options);

// A station of a document: its position from 1 and its id.
struct Station_ref {
    int position = 0;
    int32_t id = 0;
};

struct Station_pair {
    Station_ref a, b;
    bool by_position = false; // the id occurs more than once on a side: matched by position among them
    Station_comparison comparison;
};

// A document field that differs: "data directory (binary)", "COM port (modem)".
struct Field_change {
    std::string label; // "Data directory (binary)", "COM port direct"
    std::string name;  // "PATH_DATA_BIN", "COMPORT direct"
    std::string a, b;  // as Save writes them, 8-bit; empty on a side that has none
};

struct Document_comparison {
    bool equal = true;                // both documents write the same bytes on Save
    std::vector<Field_change> fields; // paths and COM ports that differ
    std::vector<Station_pair> pairs;  // matched stations that differ, in A's order
    std::vector<Station_ref> only_a, only_b;
    bool ids_repeat = false;    // some id occurs more than once on a side (those matched by position)
    bool order_differs = false; // the matched stations stand in another order in B
    int matched = 0;            // stations matched, equal ones included
};

// Compares the documents as they are in memory; neither is changed.
Document_comparison compare_documents(const Tsetup& a, const Tsetup& b,
                                      const Compare_options& options = Compare_options());
