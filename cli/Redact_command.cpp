// vemora-cli redact: a copy of a setup file for support, without the fleet's SIM data.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "Cli_files.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_redact.h"

namespace {

// Whether the two names are one file (the copy would take the original's place).
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

int redact(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    std::vector<std::string> words;
    bool descriptions = false;
    for (const std::string& a : arguments) {
        if (a == "--descriptions")
            descriptions = true;
        else if (a.size() > 1 && a[0] == '-' && a[1] == '-')
            return usage_error(err, "redact has no option \"" + shown_text(a) + "\"");
        else
            words.push_back(a);
    }
    if (words.size() != 2) return usage_error(err, "usage: vemora-cli redact IN OUT [--descriptions]");
    if (same_file(words[0], words[1]))
        return usage_error(err, "redact writes a copy: OUT must be another file than IN, which keeps its "
                                "phone numbers");
    Tsetup setup;
    if (!read_setup(setup, words[0], err)) return EXIT_FILE;
    Redactor redactor(descriptions);
    redactor.redact(setup);
    if (!write_setup(setup, words[1], err)) return EXIT_FILE;
    const Redaction_count& c = redactor.count();
    out << "Replaced " << counted(c.phone_numbers, "phone number", "phone numbers") << ", "
        << counted(c.pins, "PIN", "PINs") << " and " << counted(c.sms_numbers, "SMS number", "SMS numbers");
    if (descriptions) out << ", " << counted(c.descriptions, "description", "descriptions");
    out << " in " << shown_text(words[1]) << "\n";
    return EXIT_OK;
}

} // namespace

extern const Command redact_command = {
    "redact",
    "IN OUT [--descriptions]",
    "write a copy of IN to OUT for support: phone numbers, PINs and SMS numbers replaced by neutral\n"
    "ones (equal numbers stay equal, each keeps its length), configurations unchanged; --descriptions\n"
    "replaces the descriptions by \"Station <ID>\" too",
    2,
    3,
    redact};
