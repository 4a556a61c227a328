// vemora-cli export-csv and import-csv: stations as a spreadsheet and back, through the editor's logic.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Cli_files.h"
#include "Command.h"
#include "Compare.h"
#include "Diff_output.h"
#include "Document_history.h"
#include "Reading_report.h"
#include "Safe_save.h"
#include "Setup.h"
#include "Station_csv.h"
#include "Station_facts.h"
#include "Station_number.h"
#include "Station_query.h"
#include "Text_output.h"

extern const Command export_csv_command, import_csv_command;

namespace {

// A spreadsheet of 100,000 stations is about 40 MB; a file far past that is no export of a fleet.
constexpr off_t CSV_SIZE_LIMIT = off_t{1} << 30;

// The whole file, or false with the reason: no regular file, too large, unreadable.
bool read_csv_file(const std::string& path, std::string* bytes, std::string* reason) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0;
    if (!ok) {
        *reason = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        *reason = S_ISDIR(info.st_mode) ? "it is a folder, not a file" : "it is not a regular file";
        ok = false;
    } else if (info.st_size > CSV_SIZE_LIMIT) {
        *reason = "the file is too large (" + std::to_string(info.st_size) + " bytes; at most " +
                  std::to_string(CSV_SIZE_LIMIT) + ")";
        ok = false;
    }
    if (ok) {
        bytes->resize(static_cast<size_t>(info.st_size));
        size_t got = 0;
        while (got < bytes->size()) {
            const ssize_t n = read(fd, &(*bytes)[got], bytes->size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                *reason = std::strerror(errno);
                ok = false;
                break;
            }
            if (n == 0) break; // shortened while read: what is there
            got += static_cast<size_t>(n);
        }
        bytes->resize(got);
    }
    close(fd);
    return ok;
}

bool parse_encoding(const std::string& text, Csv_encoding* encoding) {
    if (text == "utf8" || text == "utf-8") {
        *encoding = Csv_encoding::UTF8;
        return true;
    }
    if (text == "latin1" || text == "latin-1") {
        *encoding = Csv_encoding::LATIN1;
        return true;
    }
    return false;
}

// --- export-csv ---

struct Export_request {
    std::string in, selector = "all", output;
    bool where = false;
    Station_query query;
    Csv_encoding encoding = Csv_encoding::UTF8;
};

bool parse_export(const Arguments& a, Export_request& r, std::ostream& err) {
    std::vector<std::string> words;
    for (size_t i = 0; i < a.size(); ++i) {
        const bool valued = a[i] == "--encoding" || a[i] == "-o" || a[i] == "--where";
        if (valued && i + 1 == a.size()) {
            usage_error(err, a[i] + " needs a value");
            return false;
        }
        if (a[i] == "--encoding") {
            if (!parse_encoding(a[++i], &r.encoding)) {
                usage_error(err, "--encoding is utf8 or latin1, not \"" + shown_text(a[i]) + "\"");
                return false;
            }
        } else if (a[i] == "-o") {
            r.output = a[++i];
        } else if (a[i] == "--where") {
            std::string problem;
            if (r.where || !r.query.parse(latin1_of(a[i + 1]), &problem)) {
                usage_error(err, r.where ? "export-csv takes one --where"
                                         : "the query \"" + shown_text(a[i + 1]) + "\" is wrong: " + problem);
                return false;
            }
            ++i;
            r.where = true;
        } else if (a[i].size() > 1 && a[i][0] == '-') {
            usage_error(err, "export-csv has no option \"" + shown_text(a[i]) + "\"");
            return false;
        } else {
            words.push_back(a[i]);
        }
    }
    if (words.empty() || words.size() > (r.where ? 1u : 2u)) {
        usage_of(export_csv_command, err);
        return false;
    }
    r.in = words[0];
    if (words.size() == 2) r.selector = words[1];
    return true;
}

int export_csv(const Arguments& a, std::ostream& out, std::ostream& err) {
    Export_request r;
    if (!parse_export(a, r, err)) return EXIT_USAGE;
    Station_selector one; // "3" or "id=203" names one station, a list or "all" several
    const bool single = !r.where && parse_station_selector(r.selector, &one);
    if (single && !one.by_id && one.number == 0)
        return usage_error(err, "station 0 is a new station; export-csv writes the stations of the file");
    Stations_selector selector;
    std::string problem;
    if (!r.where && !single && !parse_stations_selector(r.selector, &selector, &problem))
        return usage_error(err, problem);
    Tsetup setup;
    Reading_collector notes;
    if (!read_setup(setup, r.in, err, notes)) return EXIT_FILE;
    std::vector<int> positions;
    if (single) {
        Tstation* station = nullptr;
        int position = 0;
        if (!find_station(setup, one, r.in, &station, &position, &problem)) return usage_error(err, problem);
        positions.push_back(position - 1);
    } else if (r.where) {
        Fleet_facts facts;
        facts.build(setup, &notes, r.query.controls());
        for (const size_t i : filter_stations(r.query, facts))
            positions.push_back(static_cast<int>(i));
    } else if (!select_stations(setup, selector, r.in, &positions, &problem)) {
        return usage_error(err, problem);
    }
    if (r.output.empty()) {
        write_stations_csv(setup, positions, r.encoding, out);
        return positions.empty() && r.where ? EXIT_NO_MATCH : EXIT_OK;
    }
    std::ostringstream text;
    write_stations_csv(setup, positions, r.encoding, text);
    const std::string bytes = text.str();
    std::string reason;
    const int failed = save_file(
        r.output.c_str(),
        [&bytes](FILE* f) {
            return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() ? 0 : errno;
        },
        &reason);
    if (failed != 0) {
        err << "vemora-cli: cannot write \"" << shown_text(r.output) << "\": " << reason << "\n";
        return EXIT_FILE;
    }
    return positions.empty() && r.where ? EXIT_NO_MATCH : EXIT_OK;
}

// --- import-csv ---

struct Import_request {
    std::string in, csv, out;
    Csv_import_options options;
    bool dry_run = false;
};

bool parse_import(const Arguments& a, Import_request& r, std::ostream& err) {
    std::vector<std::string> words;
    for (size_t i = 0; i < a.size(); ++i) {
        const bool valued = a[i] == "--encoding" || a[i] == "--match";
        if (valued && i + 1 == a.size()) {
            usage_error(err, a[i] + " needs a value");
            return false;
        }
        if (a[i] == "--encoding") {
            r.options.encoding_given = true;
            if (!parse_encoding(a[++i], &r.options.encoding)) {
                usage_error(err, "--encoding is utf8 or latin1, not \"" + shown_text(a[i]) + "\"");
                return false;
            }
        } else if (a[i] == "--match") {
            const std::string& m = a[++i];
            if (m != "id" && m != "position") {
                usage_error(err, "--match is id or position, not \"" + shown_text(m) + "\"");
                return false;
            }
            r.options.match = m == "id" ? Csv_match::ID : Csv_match::POSITION;
        } else if (a[i] == "--add-missing") {
            r.options.add_missing = true;
        } else if (a[i] == "--dry-run") {
            r.dry_run = true;
        } else if (a[i].size() > 1 && a[i][0] == '-') {
            usage_error(err, "import-csv has no option \"" + shown_text(a[i]) + "\"");
            return false;
        } else {
            words.push_back(a[i]);
        }
    }
    if (words.size() != 3) {
        usage_of(import_csv_command, err);
        return false;
    }
    if (r.options.add_missing && r.options.match == Csv_match::POSITION) {
        usage_error(err, "--add-missing adds the rows whose ID no station has: it goes with --match id");
        return false;
    }
    r.in = words[0];
    r.csv = words[1];
    r.out = words[2];
    return true;
}

const char* const page_names[PAGE_COUNT] = {"Slow Sequence", "Fast Sequence", "Remote sequence"};

int import_csv(const Arguments& a, std::ostream& out, std::ostream& err) {
    Import_request r;
    if (!parse_import(a, r, err)) return EXIT_USAGE;
    Tsetup setup;
    if (!read_setup(setup, r.in, err)) return EXIT_FILE;
    std::string bytes, reason;
    if (!read_csv_file(r.csv, &bytes, &reason)) {
        err << "vemora-cli: cannot read \"" << shown_text(r.csv) << "\": " << reason << "\n";
        return EXIT_FILE;
    }
    Csv_import_plan plan = plan_csv_import(setup, bytes, r.options);
    const std::string not_written = shown_text(r.out) + " was not written\n";
    if (plan.refused()) {
        bool refusal = false;
        for (const Csv_problem& p : plan.problems) {
            err << "vemora-cli: " << csv_problem_text(r.csv, p) << "\n";
            refusal = refusal || p.refusal;
        }
        err << "vemora-cli: " << not_written;
        return refusal ? EXIT_REFUSED : EXIT_USAGE;
    }
    for (const Csv_unknown& u : plan.unknown)
        err << "vemora-cli: " << shown_text(r.csv) << ": line " << u.line << ": no station has the id "
            << u.id << "; the row is left out (--add-missing adds it)\n";
    if (plan.rows > 0 && plan.edits.stations.empty() && plan.added.empty()) {
        err << "vemora-cli: no row of \"" << shown_text(r.csv) << "\" names a station of \""
            << shown_text(r.in) << "\"; " << not_written;
        return EXIT_NO_MATCH;
    }
    for (const Bulk_station& s : plan.edits.stations)
        for (const Dropped_command& d : s.dropped) {
            err << "WARNING : station " << s.position + 1 << ": OK drops " << d.name;
            if (d.page < 0)
                err << ", which the editor shows once\n";
            else
                err << " of the " << page_names[d.page] << ", which the editor does not show\n";
        }

    const std::unique_ptr<Document_command> step = csv_import_command(setup, std::move(plan));
    if (r.dry_run) {
        Tsetup before; // the document as read, to compare the updated one with
        std::copy(std::begin(setup.path_data_bin), std::end(setup.path_data_bin), before.path_data_bin);
        std::copy(std::begin(setup.path_data_xml), std::end(setup.path_data_xml), before.path_data_xml);
        for_each_item<Tcomport>(setup.comports.list,
                                [&](Tcomport& c) { before.comports.append(new Tcomport(c)); });
        for_each_item<Tstation>(setup.stations.list,
                                [&](Tstation& s) { before.stations.append(new Tstation(s)); });
        if (step != nullptr && !step->apply(setup)) return EXIT_FILE;
        const Document_comparison d = compare_documents(before, setup);
        print_document_comparison(d, r.in, r.out, false, out);
        return d.equal ? EXIT_OK : EXIT_DIFFER;
    }
    if (step != nullptr && !step->apply(setup)) {
        err << "vemora-cli: not enough memory to update the stations; " << not_written;
        return EXIT_FILE;
    }
    return write_setup(setup, r.out, err) ? EXIT_OK : EXIT_FILE;
}

} // namespace

extern const Command export_csv_command = {
    "export-csv",
    "IN [N] [--encoding utf8|latin1] [-o FILE]",
    "the stations N (1,3,7-9, id=101,203, all when left out, or --where QUERY) as a\n"
    "spreadsheet: a row per station, its position, id, phone, pin, description and\n"
    "bytes used, then every control as form prints it (empty when disabled); UTF-8\n"
    "with a byte order mark unless --encoding latin1; to FILE or the output",
    1,
    -1,
    export_csv};

extern const Command import_csv_command = {
    "import-csv",
    "IN CSV OUT [--match id|position] [--add-missing] [--dry-run]",
    "update the stations of IN from the spreadsheet CSV and save as OUT: each row's\n"
    "station (by id, or by position) gets every non-empty cell as edit sets it; rows\n"
    "whose id no station has are listed, and added with --add-missing. A malformed\n"
    "cell is refused with its line and column (exit 2), a row a station refuses too\n"
    "(exit 3); OUT is then not written. --dry-run prints the diff (exit 5 on changes)",
    3,
    -1,
    import_csv};
