// vemora-cli diff: two setup files, or two stations, compared in the editor's words.
#include <string>

#include "Cli_files.h"
#include "Command.h"
#include "Compare.h"
#include "Diff_output.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Text_output.h"
#include "Versions.h"

namespace {

struct Diff_options {
    std::string a, b;
    bool names = false;
    Compare_options compare;
    bool stations = false;
    long n = 0, m = 0;
    long version = 0; // --version N: version N of the one file against it
};

bool station_number(const std::string& text, long* n) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *n = std::stol(text);
    return *n >= 1;
}

// Options anywhere among the two files; false with a usage error written.
bool parse(const Arguments& arguments, Diff_options& o, std::ostream& err, int* code) {
    std::vector<std::string> files;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--names") {
            o.names = true;
        } else if (a == "--ignore-identity") {
            o.compare.ignore_identity = true;
        } else if (a == "--stations") {
            const std::string pair = i + 1 < arguments.size() ? arguments[++i] : std::string();
            const size_t comma = pair.find(',');
            if (comma == std::string::npos || !station_number(pair.substr(0, comma), &o.n) ||
                !station_number(pair.substr(comma + 1), &o.m)) {
                *code = usage_error(err, "--stations takes two station numbers from 1: N,M, not \"" +
                                             shown_text(pair) + "\"");
                return false;
            }
            o.stations = true;
        } else if (a == "--version") {
            const std::string n = i + 1 < arguments.size() ? arguments[++i] : std::string();
            if (!station_number(n, &o.version)) {
                *code = usage_error(err, "--version takes a version number from 1 (the newest), not \"" +
                                             shown_text(n) + "\"");
                return false;
            }
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            *code = usage_error(err, "diff has no option \"" + shown_text(a) + "\"");
            return false;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != (o.version > 0 ? 1u : 2u)) {
        *code = usage_error(err, "usage: vemora-cli diff A B [--names] [--ignore-identity] [--stations N,M], "
                                 "or diff FILE --version N");
        return false;
    }
    if (o.version > 0) {
        const std::vector<Version_entry> versions = list_versions(files[0]);
        if (static_cast<size_t>(o.version) > versions.size()) {
            err << "vemora-cli: \"" << shown_text(files[0]) << "\" has no version " << o.version
                << " (it has " << versions.size() << ")\n";
            *code = EXIT_USAGE;
            return false;
        }
        o.a = versions[static_cast<size_t>(o.version - 1)].file;
        o.b = files[0];
        return true;
    }
    o.a = files[0];
    o.b = files[1];
    return true;
}

const Tstation* station_at(const Tsetup& setup, long n) {
    Tlist::Tnode* node = setup.stations.list.node_at(static_cast<int>(n - 1));
    return node != nullptr ? static_cast<const Tstation*>(node->item) : nullptr;
}

int diff_stations(const Diff_options& o, const Tsetup& a, const Tsetup& b, std::ostream& out,
                  std::ostream& err) {
    const Tstation* x = station_at(a, o.n);
    const Tstation* y = station_at(b, o.m);
    if (x == nullptr || y == nullptr) {
        err << "vemora-cli: there is no station " << (x == nullptr ? o.n : o.m) << " in \""
            << shown_text(x == nullptr ? o.a : o.b) << "\"\n";
        return EXIT_USAGE;
    }
    const Station_comparison c = compare_stations(*x, *y, o.compare);
    if (c.equal) return EXIT_OK;
    out << "A: " << shown_text(o.a) << '\n' << "B: " << shown_text(o.b) << '\n';
    print_station_comparison(c,
                             station_words({static_cast<int>(o.n), x->id}) + " in A / " +
                                 station_words({static_cast<int>(o.m), y->id}) + " in B",
                             o.names, out);
    return EXIT_DIFFER;
}

int diff(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    Diff_options o;
    int code = EXIT_USAGE;
    if (!parse(arguments, o, err, &code)) return code;
    Tsetup a, b;
    if (!read_setup(a, o.a, err) || !read_setup(b, o.b, err)) return EXIT_FILE;
    if (o.stations) return diff_stations(o, a, b, out, err);

    const Document_comparison d = compare_documents(a, b, o.compare);
    if (d.equal) return EXIT_OK;
    print_document_comparison(d, o.a, o.b, o.names, out);
    return EXIT_DIFFER;
}

} // namespace

extern const Command diff_command = {
    "diff",
    "A B [--names] [--ignore-identity] [--stations N,M] | FILE --version N",
    "compare two setup files in the editor's words, stations matched by id; exit 0\n"
    "only when both save to the same bytes, 5 when they differ. --stations N,M: station N\n"
    "of A against station M of B; --names: control names instead of labels;\n"
    "--ignore-identity: ID, phone number, PIN and description count as equal; FILE --version N:\n"
    "version N of FILE (vemora-cli versions list FILE) against FILE as it is now",
    2,
    6,
    diff};
