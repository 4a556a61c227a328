// Editing many stations at once through the station editor's own logic: each station is opened, only the
// controls changed are set, in order, as a user would set them, and OK is pressed, so that the result is
// byte for byte what editing the stations one after the other gives. Stations with nothing configured
// (spares) are left out unless included. All or nothing: when one station refuses, none is changed.
//
// Three views of one selection, none of which changes the document:
// - together_view: each control equal on every station (and its value) or mixed (how many values), for a
//   form that edits them together;
// - plan_bulk_edit: what the changes do to each station (changed, unchanged, refused and why, the memory
//   it needs), the station that needs the most, and the records before and after;
// - bulk_review: each changed setting in the editor's words, old values to new, on how many stations.
// bulk_edit_command makes the plan one step of the document's history.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Control_change.h"
#include "Form_model.h"
#include "Station_editor.h"
#include "Together_view.h"

class Tsetup;
class Document_command;

struct Bulk_options {
    bool include_spares = false; // stations with nothing configured are edited too
};

// Whether the station has nothing configured: its configuration takes no byte of the station's memory.
bool is_spare(const Tstation& station);

// The General page's fields: ID, phone number, PIN and description belong to one station each and are not
// edited together.
bool is_identity_control(const Form_model& form, int control);

// Whether every change is one that stations can take together: a control of the form, a value of its kind,
// no identity field. False with *problem: "the editor has no control \"cb_x\"", "ed_ID is one station's
// own (its ID, phone number, PIN or description); edit it station by station".
bool check_bulk_changes(const std::vector<Control_change>& changes, std::string* problem);

// --- Together ---

// Opens each selected station once (positions from 0; one past the list is ignored).
Together_view together_view(const Tsetup& setup, const std::vector<int>& positions,
                            const Bulk_options& options = Bulk_options());

// --- Plan ---

enum class Bulk_outcome {
    CHANGED,   // OK stores something that Save writes differently
    UNCHANGED, // the changes leave it as it was
    SPARE,     // nothing configured, and spares were not included: left alone
    REFUSED, // a value its control refuses, a configuration past 223 bytes, an SMS number past 15 characters
};

struct Bulk_station {
    int position = 0; // from 0 in the list
    int32_t id = 0;
    Bulk_outcome outcome = Bulk_outcome::UNCHANGED;
    int bytes_needed = 0;    // with the changes, as the editor's memory meter counts it
    std::string refusal;     // REFUSED: why, in one sentence
    int refused_change = -1; // REFUSED by a value: the index of the change refused; -1 for the store
    std::vector<Dropped_command> dropped; // CHANGED: the commands the store drops
};

struct Bulk_plan {
    // A change no station can take (no such control, a value not of its kind, an identity field): the
    // plan holds no station then.
    std::string problem;
    std::vector<Bulk_station> stations; // the selected stations, in file order
    int worst = -1; // the index in stations of the one that needs the most bytes (the first of equals)
    // The changed stations: their positions and their records before and after.
    std::vector<int> positions;
    std::vector<Tstation> before, after;

    size_t count(Bulk_outcome outcome) const;
    bool refused() const { return !problem.empty() || count(Bulk_outcome::REFUSED) > 0; }
};

// Opens each selected station (positions from 0, in any order; one past the list or given twice counts
// once or not at all) on a copy, sets the changes in order and presses OK. The document is only read.
Bulk_plan plan_bulk_edit(const Tsetup& setup, std::vector<int> positions,
                         const std::vector<Control_change>& changes,
                         const Bulk_options& options = Bulk_options());

// One station planned and appended to the plan: opened on a copy in the editor given (reused from one
// station to the next), the changes set in order, OK pressed. Each station may get changes of its own,
// as rows of a spreadsheet give them, its own fields (ID, phone number, PIN, description) among them.
// The caller gives each position once.
void plan_station_edit(Station_editor& editor, int position, const Tstation& record,
                       const std::vector<Control_change>& changes, const Bulk_options& options,
                       Bulk_plan& plan);

// The plan as one step of the history ("Edit 312 stations (101, 102, 203, ...)", "Edit station 203" for
// one), taking the plan's records. nullptr when the plan was refused or changes nothing.
std::unique_ptr<Document_command> bulk_edit_command(const Tsetup& setup, Bulk_plan&& plan);

// --- Review ---

struct Review_line {
    std::string label;                            // "GSM timing / Phone number where to send the SMS"
    std::vector<std::pair<std::string, int>> was; // the old values, each with its number of stations
    std::string value;                            // the new value
    int stations = 0;
    std::string text; // "GSM timing / Phone number where to send the SMS: \"+41797654321\" ->
                      // \"+41797654399\" on 312 stations"
};

// Each changed setting of the plan's changed stations, in the order the settings stand in the editor,
// then the commands the store drops and the changes that no setting shows.
std::vector<Review_line> bulk_review(const Bulk_plan& plan);
