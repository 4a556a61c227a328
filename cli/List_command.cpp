// vemora-cli list: the stations that match a query, one tab-separated line each, in file order or sorted.
#include <algorithm>
#include <string>
#include <vector>

#include "Cli_files.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_facts.h"
#include "Station_order.h"
#include "Station_query.h"
#include "Template_library.h"
#include "Text_output.h"

namespace {

enum class Column { ID, PHONE, DESC, BYTES, SMS, PROBLEMS, TEMPLATE };
const char* const column_names[] = {"id", "phone", "desc", "bytes", "sms", "problems", "template"};
constexpr int COLUMN_COUNT = 7;

struct List_options {
    std::string in;
    Station_query query;
    std::vector<Column> columns{Column::ID, Column::PHONE, Column::DESC};
    bool sorted = false;
    Sort_key key = Sort_key::ID;
    bool descending = false;
    std::string library; // --library: the template library that template:, drift and the column read
};

bool parse_columns(const std::string& text, std::vector<Column>* columns) {
    columns->clear();
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string name =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int found = -1;
        for (int c = 0; c < COLUMN_COUNT; ++c)
            if (name == column_names[c]) found = c;
        if (found < 0) return false;
        columns->push_back(static_cast<Column>(found));
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

// False with a usage error written to err.
bool parse(const Arguments& a, List_options& o, std::ostream& err) {
    std::vector<std::string> files;
    for (size_t i = 0; i < a.size(); ++i) {
        const bool option =
            a[i] == "--where" || a[i] == "--columns" || a[i] == "--sort" || a[i] == "--library";
        if (!option) {
            if (a[i].size() > 1 && a[i][0] == '-' && a[i][1] == '-') {
                usage_error(err, "list has no option \"" + shown_text(a[i]) + "\"");
                return false;
            }
            files.push_back(a[i]);
            continue;
        }
        if (i + 1 == a.size()) {
            usage_error(err, a[i] + " needs a value");
            return false;
        }
        const std::string& value = a[++i];
        if (a[i - 1] == "--library") {
            o.library = value;
        } else if (a[i - 1] == "--where") {
            std::string problem;
            if (!o.query.parse(latin1_of(value), &problem)) {
                usage_error(err, "the query \"" + shown_text(value) + "\" is wrong: " + problem);
                return false;
            }
        } else if (a[i - 1] == "--columns") {
            if (!parse_columns(value, &o.columns)) {
                usage_error(err, "--columns takes names from id, phone, desc, bytes, sms, problems, template "
                                 "separated by commas, not \"" +
                                     shown_text(value) + "\"");
                return false;
            }
        } else {
            o.descending = !value.empty() && value[0] == '-';
            if (!sort_key_of(value.substr(o.descending ? 1 : 0), &o.key)) {
                usage_error(err, "--sort takes one of id, phone, desc, bytes, sms, problems (-bytes for the "
                                 "largest first), not \"" +
                                     shown_text(value) + "\"");
                return false;
            }
            o.sorted = true;
        }
    }
    if (files.size() != 1) {
        usage_error(err,
                    "usage: vemora-cli list IN [--where QUERY] [--columns id,phone,desc,bytes,sms,problems,"
                    "template] [--sort COLUMN] [--library LIB]");
        return false;
    }
    o.in = files[0];
    return true;
}

// A text in a tab-separated line: its tabs and line breaks as \xHH, so that every station stays one line
// of the same number of fields.
std::string field(const std::string& text) {
    return utf8_of(shown_text(text));
}

int list(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    List_options o;
    if (!parse(arguments, o, err)) return EXIT_USAGE;
    Tsetup setup;
    Reading_collector notes;
    if (!read_setup(setup, o.in, err, notes)) return EXIT_FILE;
    for (const Reading_note& note : notes.ordered())
        if (note_told_by_every_command(note)) err << note_line(note) << '\n';
    std::vector<const Tstation*> stations;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { stations.push_back(&s); });

    Template_library library;
    const bool wants_templates = o.query.uses_templates() || std::find(o.columns.begin(), o.columns.end(),
                                                                       Column::TEMPLATE) != o.columns.end();
    if (!o.library.empty()) {
        std::string problem;
        bool missing = false;
        if (!library.read(o.library, &problem, &missing)) {
            err << "vemora-cli: " << problem << "\n";
            return EXIT_FILE;
        }
        if (missing) {
            err << "vemora-cli: there is no template library \"" << shown_text(o.library) << "\"\n";
            return EXIT_FILE;
        }
    } else if (wants_templates) {
        err << "vemora-cli: no template library given (--library LIB): no station follows a template\n";
    }
    Fleet_facts facts;
    facts.build(setup, &notes, o.query.controls(), o.library.empty() ? nullptr : &library);
    std::vector<size_t> shown = filter_stations(o.query, facts);
    if (o.sorted) shown = sorted_stations(facts, std::move(shown), o.key, o.descending);
    if (shown.empty()) return EXIT_NO_MATCH;

    std::string line;
    for (const size_t i : shown) {
        const Tstation& s = *stations[i];
        line = std::to_string(i + 1);
        for (const Column c : o.columns) {
            line += '\t';
            switch (c) {
            case Column::ID:
                line += std::to_string(s.id);
                break;
            case Column::PHONE:
                line += field(s.phone_nbr);
                break;
            case Column::DESC:
                line += field(s.description);
                break;
            case Column::BYTES:
                line += std::to_string(facts.at(i).bytes);
                break;
            case Column::SMS:
                line += field(s.configuration.get_sms_number());
                break;
            case Column::PROBLEMS:
                line += std::to_string(facts.at(i).problems);
                break;
            case Column::TEMPLATE:
                line += field(facts.template_column(i));
                break;
            }
        }
        line += '\n';
        out << line;
    }
    return EXIT_OK;
}

} // namespace

extern const Command list_command = {
    "list",
    "IN [--where QUERY] [--columns id,phone,desc,bytes,sms,problems,template] [--sort COLUMN] "
    "[--library LIB]",
    "one tab-separated line per station that matches QUERY (all without it): its position, then\n"
    "the columns (id,phone,desc by default); --sort orders by a column (-bytes: largest first),\n"
    "equal keys in file order. Exit 6 when no station matches. QUERY: words (part of the ID, phone\n"
    "or description), id:101, id:100-199, phone:+4179*, desc:\"areuse boudry\", sms:+41797654321,\n"
    "bytes>200, uses:161, uses:uranine, slow:, fast:, remote:, ed_acq_interval0=15.00, cbb_s_1!=0,\n"
    "spare, problem, dup; OR, a leading - for NOT, parentheses. With --library LIB (a template\n"
    "library): template:\"Karst 15/2\" (the station's template: the one it equals, or the nearest),\n"
    "drift (it differs from its template), and the column template (\"Karst 15/2 +3\": 3 settings\n"
    "differ)",
    1,
    9,
    list};
