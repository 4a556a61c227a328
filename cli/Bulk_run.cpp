// Editing several stations from the command line: the stations chosen, the plan, its refusals and spares,
// and the one write of the file.
#include "Bulk_run.h"

#include <memory>

#include "Bulk_edit.h"
#include "Cli_files.h"
#include "Command.h"
#include "Compare.h"
#include "Diff_output.h"
#include "Document_history.h"
#include "Lib_trace.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_facts.h"

void copy_document(Tsetup& from, Tsetup& to) {
    to.clear();
    std::copy(std::begin(from.path_data_bin), std::end(from.path_data_bin), to.path_data_bin);
    std::copy(std::begin(from.path_data_xml), std::end(from.path_data_xml), to.path_data_xml);
    for_each_item<Tcomport>(from.comports.list, [&](Tcomport& c) { to.comports.append(new Tcomport(c)); });
    for_each_item<Tstation>(from.stations.list, [&](Tstation& s) { to.stations.append(new Tstation(s)); });
}

int print_dry_run(Tsetup& before, Tsetup& after, const std::string& in, const std::string& out_name,
                  std::ostream& out) {
    const Document_comparison d = compare_documents(before, after);
    print_document_comparison(d, in, out_name, false, out);
    return d.equal ? EXIT_OK : EXIT_DIFFER;
}

int save_document(Tsetup& setup, const std::string& path, std::ostream& err) {
    return write_setup(setup, path, err) ? EXIT_OK : EXIT_FILE;
}

namespace {

const char* const page_names[PAGE_COUNT] = {"Slow Sequence", "Fast Sequence", "Remote sequence"};

} // namespace

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

namespace {

// The stations the request names, positions from 0; false with the message and *code.
bool choose(Tsetup& setup, const Reading_collector& notes, const Bulk_request& r, std::vector<int>* positions,
            std::ostream& err, int* code) {
    *code = EXIT_USAGE;
    if (r.where) {
        Fleet_facts facts;
        facts.build(setup, &notes, r.query.controls(), r.library);
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

} // namespace

int run_bulk_edit(const Bulk_request& r, const std::vector<Control_change>& changes, std::ostream& out,
                  std::ostream& err) {
    Tsetup setup;
    Reading_collector notes; // the query's "problem" counts them
    {
        Trace_capture discard;
        std::string reason;
        const File_identity before = identify_file(r.in);
        if (setup.read_file(r.in.c_str(), &reason, r.where ? &notes : nullptr) != 0) {
            err << "vemora-cli: cannot read \"" << shown_text(r.in) << "\": " << reason << "\n";
            return EXIT_FILE;
        }
        remember_read(r.in, before, setup);
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
    if (r.dry_run) return print_dry_run(before, setup, r.in, r.out, out);
    return save_document(setup, r.out, err);
}
