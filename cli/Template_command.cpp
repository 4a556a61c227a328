// vemora-cli template: list the templates of a library, save a station as one, apply one to stations (the
// same edit as `edit` with the template's values), and say which stations drifted from their template.
#include <string>
#include <vector>

#include "Bulk_edit.h"
#include "Bulk_run.h"
#include "Cli_files.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_number.h"
#include "Template_library.h"
#include "Text_output.h"

extern const Command template_command;

namespace {

// A name as the terminal gives it, as the 8-bit description it is compared with.
std::string typed_name(const std::string& text) {
    return latin1_of(text);
}

// A name for the terminal, control characters as \xHH.
std::string shown_name(const std::string& name) {
    return utf8_of(shown_text(name));
}

// Reads the library; a missing file is an error unless allowed. False with the message on err and *code.
bool read_library(Template_library& library, const std::string& path, bool missing_allowed, std::ostream& err,
                  int* code, bool* missing = nullptr) {
    std::string problem;
    bool absent = false;
    Reading_collector notes;
    if (!library.read(path, &problem, &absent, &notes)) {
        err << "vemora-cli: " << problem << "\n";
        *code = EXIT_FILE;
        return false;
    }
    if (absent && !missing_allowed) {
        err << "vemora-cli: there is no template library \"" << shown_text(path) << "\"\n";
        *code = EXIT_FILE;
        return false;
    }
    for (const Reading_note& note : notes.ordered())
        if (note_told_by_every_command(note)) err << note_line(note) << '\n';
    if (missing != nullptr) *missing = absent;
    return true;
}

// A selector of stations as edit takes it, one position ("3") included.
bool parse_selector(const std::string& text, Stations_selector* selector, std::string* problem) {
    long n = 0;
    if (!text.empty() && text[0] != '-' && strict_int(text, &n)) {
        if (n < 1) {
            *problem = "\"" + shown_text(text) + "\" is no station number (1 is the first)";
            return false;
        }
        selector->kind = Stations_selector::Kind::POSITIONS;
        selector->ranges = {{n, n}};
        return true;
    }
    return parse_stations_selector(text, selector, problem);
}

// template list [LIB]: position, name and bytes used of each template.
int list(const Arguments& a, std::ostream& out, std::ostream& err) {
    if (a.size() > 2) return usage_error(err, "usage: vemora-cli template list [LIB]");
    const std::string path = a.size() == 2 ? a[1] : default_library_path();
    if (path.empty())
        return usage_error(err, "no LIB given, and neither XDG_CONFIG_HOME nor HOME says where the default "
                                "library is");
    Template_library library;
    int code = EXIT_OK;
    bool missing = false;
    if (!read_library(library, path, true, err, &code, &missing)) return code;
    if (missing) err << "vemora-cli: \"" << shown_text(path) << "\" does not exist yet: no templates\n";
    std::vector<bool> told(library.size(), false);
    for (size_t i = 0; i < library.size(); ++i) {
        out << i + 1 << '\t' << shown_name(library.name(i)) << '\t' << bytes_used(library.at(i).configuration)
            << '\n';
        std::string problem;
        if (!told[i] && library.find(library.name(i), &problem) < 0) {
            // A name borne twice cannot be applied by name: said once, with every position.
            for (size_t k = i; k < library.size(); ++k)
                told[k] = told[k] || library.name(k) == library.name(i);
            err << "vemora-cli: " << utf8_of(problem) << "\n";
        }
    }
    return EXIT_OK;
}

// template save IN N LIB NAME: station N of IN as the template NAME, added or in place of the one so named.
int save(const Arguments& a, std::ostream& out, std::ostream& err) {
    if (a.size() != 5) return usage_error(err, "usage: vemora-cli template save IN N LIB NAME");
    const std::string& in = a[1];
    const std::string& lib = a[3];
    const std::string name = typed_name(a[4]);
    Station_selector selector;
    if (!parse_station_selector(a[2], &selector) || (!selector.by_id && selector.number == 0))
        return usage_error(err,
                           "\"" + shown_text(a[2]) + "\" is no station number (1 is the first, or id=101)");
    Tsetup setup;
    if (!read_setup(setup, in, err)) return EXIT_FILE;
    Tstation* station = nullptr;
    int position = 0;
    std::string problem;
    if (!find_station(setup, selector, in, &station, &position, &problem)) return usage_error(err, problem);
    if (is_spare(*station))
        return usage_error(err, "station " + std::to_string(position) +
                                    " has nothing configured: a template of it would set nothing");
    Template_library library;
    int code = EXIT_OK;
    if (!read_library(library, lib, true, err, &code)) return code;
    bool replaced = false;
    if (!library.put(*station, name, &problem, &replaced)) {
        err << "vemora-cli: " << utf8_of(problem) << "; \"" << shown_text(lib) << "\" was not written\n";
        return EXIT_USAGE;
    }
    if (!library.write(lib, &problem)) {
        err << "vemora-cli: " << problem << "\n";
        return EXIT_FILE;
    }
    std::string ignored;
    out << (replaced ? "replaced" : "added") << " template " << library.find(name, &ignored) + 1 << " \""
        << shown_name(name) << "\"\n";
    return EXIT_OK;
}

// template apply IN SELECTOR LIB NAME OUT [options], or IN --where QUERY LIB NAME OUT.
int apply(const Arguments& a, std::ostream& out, std::ostream& err) {
    Bulk_request r;
    unsigned pages = ALL_TEMPLATE_PAGES;
    std::vector<std::string> words;
    std::string where_text;
    for (size_t i = 1; i < a.size(); ++i) {
        const bool valued = a[i] == "--pages" || a[i] == "--where";
        if (valued && i + 1 == a.size()) return usage_error(err, a[i] + " needs a value");
        std::string problem;
        if (a[i] == "--include-spares") {
            r.include_spares = true;
        } else if (a[i] == "--dry-run") {
            r.dry_run = true;
        } else if (a[i] == "--pages") {
            if (!parse_template_pages(a[++i], &pages, &problem))
                return usage_error(err, "--pages: " + problem);
        } else if (a[i] == "--where") {
            where_text = a[++i];
            if (r.where) return usage_error(err, "template apply takes one --where");
            if (!r.query.parse(latin1_of(where_text), &problem))
                return usage_error(err, "the query \"" + shown_text(where_text) + "\" is wrong: " + problem);
            r.where = true;
        } else if (a[i].compare(0, 2, "--") == 0) {
            return usage_error(err, "template apply has no option \"" + shown_text(a[i]) + "\"");
        } else {
            words.push_back(a[i]);
        }
    }
    if (words.size() != (r.where ? 4u : 5u))
        return usage_error(err, "usage: vemora-cli template apply IN SELECTOR LIB NAME OUT "
                                "[--pages gsm,acq,slow,fast,remote,sms] [--include-spares] [--dry-run]");
    size_t w = 0;
    r.in = words[w++];
    std::string problem;
    if (!r.where && !parse_selector(words[w++], &r.stations, &problem)) return usage_error(err, problem);
    const std::string lib = words[w++];
    const std::string name = typed_name(words[w++]);
    r.out = words[w];

    Template_library library;
    int code = EXIT_OK;
    if (!read_library(library, lib, false, err, &code)) return code;
    const int found = library.find(name, &problem);
    if (found < 0) return usage_error(err, utf8_of(problem));
    const Tstation& chosen = library.at(static_cast<size_t>(found));
    if (is_spare(chosen))
        return usage_error(err, "the template \"" + shown_name(name) + "\" has nothing configured");
    r.library = &library;
    return run_bulk_edit(r, template_changes(chosen, pages), out, err);
}

// template drift IN LIB [SELECTOR]: each station's template and the settings that differ from it.
int drift(const Arguments& a, std::ostream& out, std::ostream& err) {
    if (a.size() < 3 || a.size() > 4)
        return usage_error(err, "usage: vemora-cli template drift IN LIB [SELECTOR]");
    const std::string& in = a[1];
    Stations_selector selector;
    std::string problem;
    if (a.size() == 4 && !parse_selector(a[3], &selector, &problem)) return usage_error(err, problem);
    Template_library library;
    int code = EXIT_OK;
    if (!read_library(library, a[2], false, err, &code)) return code;
    Tsetup setup;
    if (!read_setup(setup, in, err)) return EXIT_FILE;
    std::vector<int> positions;
    if (!select_stations(setup, selector, in, &positions, &problem)) return usage_error(err, problem);
    std::vector<const Tstation*> stations;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { stations.push_back(&s); });
    Template_matcher matcher(library);
    bool drifted = false;
    for (const int p : positions) {
        const Tstation& s = *stations[static_cast<size_t>(p)];
        const Template_match m = matcher.match(s);
        out << p + 1 << '\t' << s.id << '\t';
        if (m.index >= 0)
            out << shown_name(matcher.name(static_cast<size_t>(m.index))) << '\t' << m.differs;
        else
            out << '\t';
        out << '\n';
        drifted = drifted || m.differs > 0;
    }
    return drifted ? EXIT_DIFFER : EXIT_OK;
}

int run(const Arguments& a, std::ostream& out, std::ostream& err) {
    const std::string& what = a[0];
    if (what == "list") return list(a, out, err);
    if (what == "save") return save(a, out, err);
    if (what == "apply") return apply(a, out, err);
    if (what == "drift") return drift(a, out, err);
    return usage_error(err, "template takes list, save, apply or drift, not \"" + shown_text(what) + "\"");
}

} // namespace

extern const Command template_command = {
    "template",
    "list|save|apply|drift ...",
    "templates: stations kept in a library file (an ordinary setup file; each station a template\n"
    "named by its description). template list [LIB]: position, name and bytes used of each\n"
    "(LIB: $XDG_CONFIG_HOME/vemora/templates.xml or ~/.config/vemora/templates.xml by default).\n"
    "template save IN N LIB NAME: station N (or id=101) as the template NAME, without its ID, phone\n"
    "number or PIN; one of that name is replaced. template apply IN SELECTOR LIB NAME OUT [--pages\n"
    "gsm,acq,slow,fast,remote,sms] [--include-spares] [--dry-run]: the template's values of those\n"
    "pages set on the stations, as edit sets them (SELECTOR as for edit, or --where QUERY; all or\n"
    "nothing, exit 3; --dry-run exit 5 when it would change the file). template drift IN LIB\n"
    "[SELECTOR]: position, id, the template each station equals or is nearest to, and the settings\n"
    "that differ; exit 5 when a station differs from its template",
    1,
    -1,
    run};
