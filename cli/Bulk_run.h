// What `edit` on several stations and `template apply` share: choosing the stations, planning the changes
// through the station editor's logic all or nothing, saying what was refused or left alone, and writing the
// file once or, with --dry-run, printing its diff.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "Control_change.h"
#include "Station_editor.h"
#include "Station_number.h"
#include "Station_query.h"

class Tsetup;
class Template_library;

struct Bulk_request {
    std::string in, out;
    bool where = false;         // the stations are those the query matches
    Station_query query;        // with where
    Stations_selector stations; // without where
    bool include_spares = false;
    bool dry_run = false;
    // The library a query's template: and drift ask about; without one they match no station.
    const Template_library* library = nullptr;
};

// Reads IN, chooses the stations, plans the changes on them and writes OUT, or prints the diff OUT would
// have with IN. The exit code, with the messages on err: 1 IN unreadable or OUT unwritable, 2 a change no
// station can take or a selector that names no station, 3 a station refused (nothing written), 5 the dry
// run would change the file, 6 no station to edit.
int run_bulk_edit(const Bulk_request& r, const std::vector<Control_change>& changes, std::ostream& out,
                  std::ostream& err);

// A copy of the document, to compare the edited one with.
void copy_document(Tsetup& from, Tsetup& to);
// The dry run's end: the diff between the document as read and as edited; EXIT_DIFFER when they differ.
int print_dry_run(Tsetup& before, Tsetup& after, const std::string& in, const std::string& out_name,
                  std::ostream& out);
// Writes the document as File > Save does; EXIT_FILE with the message on err when it cannot.
int save_document(Tsetup& setup, const std::string& path, std::ostream& err);
// What the store cannot write back, one line per command, said before it is dropped.
void warn_dropped(int position, const std::vector<Dropped_command>& dropped, std::ostream& err);
