// vemora-cli form and edit: open a station as Edit Selected does, change controls as a user would, OK.
#include "Command.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "Lib_trace.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_editor.h"
#include "Station_number.h"

namespace {

struct Opened {
    Tsetup setup;
    Tstation* station = nullptr;
    int position = 0; // from 1; 0 for a new station
    std::unique_ptr<Tstation> new_station;
    Station_editor editor;
};

// Reads IN and opens station N in the editor; returns an exit code other than EXIT_OK on failure.
int open_station(const char* in, const char* n_text, Opened& opened, std::ostream& err) {
    Station_selector selector;
    if (!parse_station_selector(n_text, &selector)) {
        err << "vemora-cli: \"" << shown_text(n_text) << "\" is no station number\n";
        return EXIT_USAGE;
    }
    {
        Trace_capture discard; // the reader's lines are check's business
        std::string reason;
        if (opened.setup.read_file(in, &reason) != 0) {
            err << "vemora-cli: cannot read \"" << shown_text(in) << "\": " << reason << "\n";
            return EXIT_FILE;
        }
    }
    std::string problem;
    if (!find_station(opened.setup, selector, in, &opened.station, &opened.position, &problem)) {
        err << "vemora-cli: " << problem << "\n";
        return EXIT_USAGE;
    }
    if (opened.station == nullptr) {
        opened.new_station = std::make_unique<Tstation>();
        opened.station = opened.new_station.get();
    }
    opened.editor.open(opened.station, opened.new_station != nullptr);
    return EXIT_OK;
}

// Applies NAME=VALUE as a user would; false with a message for what a control cannot take.
bool apply(Station_editor& editor, const std::string& assignment, std::ostream& err) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        err << "vemora-cli: \"" << shown_text(assignment) << "\" is not NAME=VALUE\n";
        return false;
    }
    const std::string name = assignment.substr(0, equals), value = assignment.substr(equals + 1);
    const int control = editor.form.find(name);
    if (control < 0) {
        err << "vemora-cli: the editor has no control \"" << shown_text(name) << "\"\n";
        return false;
    }
    const Control& c = editor.form.at(control);
    long number = 0;
    switch (c.kind) {
    case Control_kind::CHECK_BOX:
        if (value == "0" || value == "1") return editor.set_checked(control, value == "1");
        err << "vemora-cli: " << name << " is a check box: 0 or 1, not \"" << shown_text(value) << "\"\n";
        return false;
    case Control_kind::CHOICE_LIST:
        if (strict_int(value, &number) && number >= -1 && number <= 2)
            return editor.set_index(control, static_cast<int>(number));
        err << "vemora-cli: " << name << " is a choice list: an index from -1 to 2, not \""
            << shown_text(value) << "\"\n";
        return false;
    default:
        if (editor.set_text(control, value)) return true;
        err << "vemora-cli: " << name << " holds at most " << editor.form.longest_text(control)
            << " characters; \"" << shown_text(value) << "\" has " << value.size() << "\n";
        return false;
    }
}

int form(const Arguments& a, std::ostream& out, std::ostream& err) {
    Opened opened;
    if (const int code = open_station(a[0].c_str(), a[1].c_str(), opened, err)) return code;
    std::vector<const Control*> controls;
    for (const Control& c : opened.editor.form.controls())
        controls.push_back(&c);
    std::sort(controls.begin(), controls.end(),
              [](const Control* a, const Control* b) { return a->name < b->name; });
    for (const Control* c : controls)
        out << c->name << '=' << control_value_text(*c) << (c->enabled ? "\n" : " disabled\n");
    return EXIT_OK;
}

int edit(const Arguments& a, std::ostream&, std::ostream& err) {
    const char* const n = a[1].c_str();
    const char* const out_path = a[2].c_str();
    Opened opened;
    if (const int code = open_station(a[0].c_str(), n, opened, err)) return code;
    for (size_t i = 3; i < a.size(); ++i)
        if (!apply(opened.editor, a[i], err)) return EXIT_USAGE;
    // What the store cannot write back is said, one line per command, before it is dropped; a station
    // left unchanged is not stored at all.
    const Station_editor& editor = opened.editor;
    if (editor.adding || !editor.unchanged()) {
        static const char* const page_names[PAGE_COUNT] = {"Slow Sequence", "Fast Sequence",
                                                           "Remote sequence"};
        for (const Dropped_command& d : editor.dropped) {
            if (d.page < 0)
                err << "WARNING : station " << opened.position << ": OK drops " << d.name
                    << ", which the editor shows once\n";
            else
                err << "WARNING : station " << opened.position << ": OK drops " << d.name << " of the "
                    << page_names[d.page] << ", which the editor does not show\n";
        }
    }
    const Store_result result = opened.editor.ok();
    if (result.refusal == Store_refusal::TOO_LARGE) {
        err << "vemora-cli: the configuration needs " << result.bytes_needed << " bytes; the station holds "
            << IMAGE_USABLE << ". " << shown_text(out_path) << " was not written\n";
        return EXIT_REFUSED;
    }
    if (!result.stored) {
        err << "vemora-cli: "
            << refusal_text(result, opened.editor.form.text(opened.editor.form.general().sms)) << " "
            << shown_text(out_path) << " was not written\n";
        return EXIT_REFUSED;
    }
    if (opened.new_station) opened.setup.stations.append(opened.new_station.release());
    std::string reason;
    if (opened.setup.write_file(out_path, &reason) != 0) {
        err << "vemora-cli: cannot write \"" << shown_text(out_path) << "\": " << reason << "\n";
        return EXIT_FILE;
    }
    return EXIT_OK;
}

} // namespace

extern const Command form_command = {
    "form",
    "IN N",
    "open station N (from 1; 0 a new one; id=101 by its ID) in the editor and print\nits 148 controls",
    2,
    2,
    form};
extern const Command edit_command = {
    "edit",
    "IN N OUT [NAME=VALUE ...]",
    "open station N (or id=101), set each control as a user would, press OK and save as OUT",
    3,
    -1,
    edit};
