// vemora-cli edit: open one station as Edit Selected does, or many at once, set the controls named as a
// user would, press OK and save the whole document once; or, with --dry-run, print what would change.
#include <memory>
#include <string>
#include <vector>

#include "Bulk_edit.h"
#include "Command.h"
#include "Compare.h"
#include "Diff_output.h"
#include "Document_history.h"
#include "Lib_trace.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_facts.h"
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

// A copy of the document, to compare the edited one with.
void copy_document(Tsetup& from, Tsetup& to) {
    to.clear();
    std::copy(std::begin(from.path_data_bin), std::end(from.path_data_bin), to.path_data_bin);
    std::copy(std::begin(from.path_data_xml), std::end(from.path_data_xml), to.path_data_xml);
    for_each_item<Tcomport>(from.comports.list, [&](Tcomport& c) { to.comports.append(new Tcomport(c)); });
    for_each_item<Tstation>(from.stations.list, [&](Tstation& s) { to.stations.append(new Tstation(s)); });
}

// The dry run's end: the diff between the document as read and as edited, exit 5 when they differ.
int print_diff(Tsetup& before, Tsetup& after, const Edit_request& r, std::ostream& out) {
    const Document_comparison d = compare_documents(before, after);
    print_document_comparison(d, r.in, r.out, false, out);
    return d.equal ? EXIT_OK : EXIT_DIFFER;
}

int save(Tsetup& setup, const std::string& path, std::ostream& err) {
    std::string reason;
    if (setup.write_file(path.c_str(), &reason) != 0) {
        err << "vemora-cli: cannot write \"" << shown_text(path) << "\": " << reason << "\n";
        return EXIT_FILE;
    }
    return EXIT_OK;
}

const char* const page_names[PAGE_COUNT] = {"Slow Sequence", "Fast Sequence", "Remote sequence"};

// What the store cannot write back, one line per command, said before it is dropped.
void warn_dropped(int position, const std::vector<Dropped_command>& dropped, std::ostream& err) {
    for (const Dropped_command& d : dropped) {
        if (d.page < 0)
            err << "WARNING : station " << position << ": OK drops " << d.name
                << ", which the editor shows once\n";
        else
            err << "WARNING : station " << position << ": OK drops " << d.name << " of the "
                << page_names[d.page] << ", which the editor does not show\n";
    }
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
    if (r.dry_run) return print_diff(before, opened.setup, r, out);
    return save(opened.setup, r.out, err);
}

// The stations the request names, positions from 0; false with the message and *code.
bool choose(Tsetup& setup, const Reading_collector& notes, const Edit_request& r, std::vector<int>* positions,
            std::ostream& err, int* code) {
    *code = EXIT_USAGE;
    if (r.where) {
        Fleet_facts facts;
        facts.build(setup, &notes, r.query.controls());
        for (const size_t i : filter_stations(r.query, facts))
            positions->push_back(static_cast<int>(i));
        if (positions->empty()) {
            err << "vemora-cli: no station matches the query; " << shown_text(r.out) << " was not written\n";
            *code = EXIT_NO_MATCH;
            return false;
        }
        return true;
    }
    std::string problem;
    if (!select_stations(setup, r.stations, r.in, positions, &problem)) {
        usage_error(err, problem);
        return false;
    }
    if (positions->empty()) {
        err << "vemora-cli: \"" << shown_text(r.in) << "\" has no station; " << shown_text(r.out)
            << " was not written\n";
        *code = EXIT_NO_MATCH;
        return false;
    }
    return true;
}

std::string stations_text(size_t n) {
    return std::to_string(n) + (n == 1 ? " station" : " stations");
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
    Tsetup setup;
    Reading_collector notes; // the query's "problem" counts them
    {
        Trace_capture discard;
        std::string reason;
        if (setup.read_file(r.in.c_str(), &reason, r.where ? &notes : nullptr) != 0) {
            err << "vemora-cli: cannot read \"" << shown_text(r.in) << "\": " << reason << "\n";
            return EXIT_FILE;
        }
    }
    std::vector<int> positions;
    int code = EXIT_OK;
    if (!choose(setup, notes, r, &positions, err, &code)) return code;

    Bulk_options options;
    options.include_spares = r.include_spares;
    Bulk_plan plan = plan_bulk_edit(setup, positions, changes, options);
    if (!plan.problem.empty()) return usage_error(err, plan.problem);
    const size_t spares = plan.count(Bulk_outcome::SPARE);
    if (spares == plan.stations.size()) {
        err << "vemora-cli: "
            << (spares == 1 ? "the station selected has nothing configured (--include-spares edits it)"
                            : "the " + stations_text(spares) +
                                  " selected have nothing configured (--include-spares edits them)")
            << "; " << shown_text(r.out) << " was not written\n";
        return EXIT_NO_MATCH;
    }
    if (plan.refused()) {
        for (const Bulk_station& s : plan.stations)
            if (s.outcome == Bulk_outcome::REFUSED)
                err << "vemora-cli: station " << s.position + 1 << " (id " << s.id << "): " << s.refusal
                    << "\n";
        err << "vemora-cli: " << plan.count(Bulk_outcome::REFUSED) << " of "
            << stations_text(plan.stations.size() - spares) << " refused; " << shown_text(r.out)
            << " was not written\n";
        return EXIT_REFUSED;
    }
    for (const Bulk_station& s : plan.stations)
        warn_dropped(s.position + 1, s.dropped, err);
    if (spares > 0)
        err << "vemora-cli: " << stations_text(spares) << " with nothing configured left as "
            << (spares == 1 ? "it is (--include-spares edits it too)\n"
                            : "they are (--include-spares edits them too)\n");

    Tsetup before;
    if (r.dry_run) copy_document(setup, before);
    const std::unique_ptr<Document_command> step = bulk_edit_command(setup, std::move(plan));
    if (step != nullptr && !step->apply(setup)) {
        err << "vemora-cli: not enough memory to edit the stations; " << shown_text(r.out)
            << " was not written\n";
        return EXIT_FILE;
    }
    if (r.dry_run) return print_diff(before, setup, r, out);
    return save(setup, r.out, err);
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
