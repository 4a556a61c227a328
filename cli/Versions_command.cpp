// vemora-cli versions: the versions that saves kept of a setup file, listed newest first, one shown as it
// was kept, and the retention applied.
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "Command.h"
#include "Reading_report.h"
#include "Versions.h"

extern const Command versions_command;

namespace {

std::string when(std::time_t t) {
    std::tm parts{};
    localtime_r(&t, &parts);
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts) > 0 ? text : "?";
}

// "3" as version 3; false for anything but a number from 1.
bool version_number(const std::string& text, size_t* n) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *n = std::stoul(text);
    return *n >= 1;
}

int list(const std::string& file, std::ostream& out, std::ostream& err) {
    const std::vector<Version_entry> versions = list_versions(file);
    if (versions.empty()) {
        err << "vemora-cli: \"" << shown_text(file) << "\" has no versions\n";
        return EXIT_NO_MATCH;
    }
    for (size_t i = 0; i < versions.size(); ++i) {
        const Version_entry& v = versions[i];
        const Version_note& n = v.note;
        out << i + 1 << '\t' << when(v.time) << '\t'
            << (n.stations < 0 ? std::string("?") : std::to_string(n.stations))
            << (n.stations == 1 ? " station" : " stations") << '\t' << shown_text(n.label, 80) << '\t'
            << (n.changes.empty() ? std::string() : shown_text(n.changes[0], 120)) << '\n';
    }
    return EXIT_OK;
}

int show(const std::string& file, const std::string& number, std::ostream& out, std::ostream& err) {
    size_t n = 0;
    if (!version_number(number, &n))
        return usage_error(err, "\"" + shown_text(number) + "\" is no version number (1 is the newest)");
    const std::vector<Version_entry> versions = list_versions(file);
    if (n > versions.size()) {
        err << "vemora-cli: \"" << shown_text(file) << "\" has no version " << n << " (it has "
            << versions.size() << ")\n";
        return EXIT_USAGE;
    }
    std::ifstream in(versions[n - 1].file, std::ios::binary);
    if (!in) {
        err << "vemora-cli: cannot read \"" << shown_text(versions[n - 1].file)
            << "\": " << std::strerror(errno) << "\n";
        return EXIT_FILE;
    }
    out << in.rdbuf();
    if (in.bad()) {
        err << "vemora-cli: cannot read \"" << shown_text(versions[n - 1].file) << "\"\n";
        return EXIT_FILE;
    }
    return EXIT_OK;
}

int prune(const std::string& file, std::ostream& out, std::ostream& err) {
    std::vector<std::string> removed;
    std::string reason;
    const int failed = prune_versions(file, std::time(nullptr), &removed, &reason);
    for (const std::string& r : removed)
        out << "removed " << shown_text(r) << '\n';
    if (failed != 0) {
        err << "vemora-cli: " << reason << "\n";
        return EXIT_FILE;
    }
    return EXIT_OK;
}

int versions(const Arguments& a, std::ostream& out, std::ostream& err) {
    const std::string& what = a[0];
    if (what == "list" && a.size() == 2) return list(a[1], out, err);
    if (what == "show" && a.size() == 3) return show(a[1], a[2], out, err);
    if (what == "prune" && a.size() == 2) return prune(a[1], out, err);
    return usage_of(versions_command, err);
}

} // namespace

extern const Command versions_command = {
    "versions",
    "list FILE | show FILE N | prune FILE",
    "the versions that saves kept of FILE (in FILE.versions beside it): list them newest first,\n"
    "numbered from 1 (date, stations, label, first change); show N writes version N to the output\n"
    "byte for byte; prune removes those the retention lets go (every version of 14 days, then the\n"
    "last of each day, none older than a year, never fewer than the 20 newest). diff FILE\n"
    "--version N compares version N with the file as it is now",
    2,
    3,
    versions};
