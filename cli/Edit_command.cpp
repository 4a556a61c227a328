// vemora-cli edit: open one station as Edit Selected does, or many at once, set the controls named as a
// user would, press OK and save the whole document once; or, with --dry-run, print what would change.
#include <memory>
#include <string>
#include <vector>

#include "Bulk_edit.h"
#include "Bulk_run.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_number.h"
#include "Station_open.h"
#include "Station_query.h"
#include "Text_output.h"

extern const Command edit_command;

namespace {

struct Edit_request {
    std::string in, selector, out;
    bool where = false; // the stations are those the query matches
    Station_query query;
    Stations_selector stations;           // several stations named by the selector
    std::vector<std::string> assignments; // NAME=VALUE, in order
    bool include_spares = false;
    bool dry_run = false;
};

// Options anywhere; then IN, SELECTOR (unless --where names the stations), OUT and the assignments. False
// with a usage error written.
bool parse(const Arguments& a, Edit_request& r, std::ostream& err) {
    std::vector<std::string> words;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--include-spares") {
            r.include_spares = true;
        } else if (a[i] == "--dry-run") {
            r.dry_run = true;
        } else if (a[i] == "--where") {
            if (i + 1 == a.size()) {
                usage_error(err, "--where needs a query");
                return false;
            }
            const std::string& text = a[++i];
            std::string problem;
            if (r.where || !r.query.parse(latin1_of(text), &problem)) {
                usage_error(err, r.where ? "edit takes one --where"
                                         : "the query \"" + shown_text(text) + "\" is wrong: " + problem);
                return false;
            }
            r.where = true;
        } else if (a[i].compare(0, 2, "--") == 0) {
            usage_error(err, "edit has no option \"" + shown_text(a[i]) + "\"");
            return false;
        } else {
            words.push_back(a[i]);
        }
    }
    const size_t fixed = r.where ? 2 : 3;
    if (words.size() < fixed) {
        usage_of(edit_command, err);
        return false;
    }
    r.in = words[0];
    if (!r.where) r.selector = words[1];
    r.out = words[fixed - 1];
    r.assignments.assign(words.begin() + static_cast<long>(fixed), words.end());
    return true;
}

// One station, named by its position or id=N (0: a new one), edited as Edit Selected edits it.
int edit_one(const Edit_request& r, std::ostream& out, std::ostream& err) {
    Opened opened;
    if (const int code = open_station(r.in.c_str(), r.selector.c_str(), opened, err)) return code;
    Tsetup before;
    if (r.dry_run) copy_document(opened.setup, before);
    for (const std::string& assignment : r.assignments) {
        Control_change change;
        std::string problem;
        if (!parse_control_change(assignment, &change)) {
            err << "vemora-cli: \"" << shown_text(assignment) << "\" is not NAME=VALUE\n";
            return EXIT_USAGE;
        }
        if (!apply_control_change(opened.editor, change, &problem)) {
            err << "vemora-cli: " << problem << "\n";
            return EXIT_USAGE;
        }
    }
    // A station left unchanged is not stored at all.
    const Station_editor& editor = opened.editor;
    if (editor.adding || !editor.unchanged()) warn_dropped(opened.position, editor.dropped, err);
    const Store_result result = opened.editor.ok();
    if (result.refusal == Store_refusal::TOO_LARGE) {
        err << "vemora-cli: the configuration needs " << result.bytes_needed << " bytes; the station holds "
            << IMAGE_USABLE << ". " << shown_text(r.out) << " was not written\n";
        return EXIT_REFUSED;
    }
    if (!result.stored) {
        err << "vemora-cli: " << refusal_text(result, editor.form.text(editor.form.general().sms)) << " "
            << shown_text(r.out) << " was not written\n";
        return EXIT_REFUSED;
    }
    if (opened.new_station) opened.setup.stations.append(opened.new_station.release());
    if (r.dry_run) return print_dry_run(before, opened.setup, r.in, r.out, out);
    return save_document(opened.setup, r.out, err);
}

// Several stations (a list, ranges, IDs, all, a query), each edited as edit_one edits one, all or none,
// the file read once and written once.
int edit_many(const Edit_request& r, std::ostream& out, std::ostream& err) {
    std::vector<Control_change> changes(r.assignments.size());
    for (size_t i = 0; i < r.assignments.size(); ++i)
        if (!parse_control_change(r.assignments[i], &changes[i]))
            return usage_error(err, "\"" + shown_text(r.assignments[i]) + "\" is not NAME=VALUE");
    std::string problem;
    if (!check_bulk_changes(changes, &problem)) return usage_error(err, problem);
    Bulk_request bulk;
    bulk.in = r.in;
    bulk.out = r.out;
    bulk.where = r.where;
    bulk.query = r.query;
    bulk.stations = r.stations;
    bulk.include_spares = r.include_spares;
    bulk.dry_run = r.dry_run;
    return run_bulk_edit(bulk, changes, out, err);
}

// One station when the selector names one (N or id=N) and no query does.
int edit(const Arguments& a, std::ostream& out, std::ostream& err) {
    Edit_request r;
    if (!parse(a, r, err)) return EXIT_USAGE;
    Station_selector one;
    if (!r.where && parse_station_selector(r.selector, &one)) return edit_one(r, out, err);
    std::string problem;
    if (!r.where && !parse_stations_selector(r.selector, &r.stations, &problem))
        return usage_error(err, problem);
    return edit_many(r, out, err);
}

} // namespace

extern const Command edit_command = {
    "edit",
    "IN N OUT [NAME=VALUE ...]",
    "open station N (or id=101), set each control as a user would, press OK and save as OUT.\n"
    "Several stations: N as 1,3,7-9, id=101,203 or all, or --where QUERY in its place (IN --where\n"
    "QUERY OUT ...); stations with nothing configured are left alone unless --include-spares; all\n"
    "or nothing: one station refused (exit 3) and OUT is not written. --dry-run: print the diff\n"
    "OUT would have with IN and write nothing (exit 5 when it differs)",
    3,
    -1,
    edit};
