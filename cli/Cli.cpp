// vemora-cli: normalize, dump and check setup files without the windows.
#include "Cli.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Fd_output.h"
#include "Form_commands.h"
#include "Lib_trace.h"
#include "Reading_report.h"
#include "Setup.h"

#ifndef VEMORA_VERSION
#define VEMORA_VERSION "0"
#endif

namespace {

constexpr int EXIT_OK = 0, EXIT_FILE = 1, EXIT_USAGE = 2, EXIT_FOUND = 4;

const char usage_text[] =
    "Usage: vemora-cli COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  normalize IN OUT   read the setup file IN as File > Open does and write it to OUT as File > Save "
    "does\n"
    "  dump IN            one line per station: <n> id=<id> cursor=<cursor> image=<223 bytes in hex>\n"
    "  check IN           print the reading errors and warnings for IN; exit 4 when there is any\n"
    "  form IN N          open station N (from 1; 0 a new one) in the editor and print its 148 controls\n"
    "  edit IN N OUT [NAME=VALUE ...]\n"
    "                     open station N, set each control as a user would, press OK and save as OUT\n"
    "  --help             this text\n"
    "  --version          the program's version\n"
    "\n"
    "Exit codes: 0 success, 1 a file could not be read or written or the output could not be written,\n"
    "2 usage error, 3 edit could not store the station (it does not fit the station's 223 bytes, or its SMS\n"
    "number is longer than the 15 characters the station keeps), 4 check found problems.\n";

// A usage error: one line, the whole usage is for --help.
int usage(std::ostream& err, const std::string& problem) {
    err << "vemora-cli: " << problem << "\n";
    return EXIT_USAGE;
}

// Reads the setup file, collecting what the readers decided silently; a file that cannot be read is
// reported on err with its reason.
bool read_setup(Tsetup& setup, const char* path, std::ostream& err, Reading_collector& notes) {
    Trace_capture discard; // the notes say all that the trace lines say
    std::string reason;
    if (setup.read_file(path, &reason, &notes) != 0) {
        err << "vemora-cli: cannot read \"" << shown_text(path) << "\": " << reason << "\n";
        return false;
    }
    return true;
}

// Reads for normalize and dump, whose output is the file or the lines: errors and what the output
// silently lacks go to err.
bool read_setup(Tsetup& setup, const char* path, std::ostream& err) {
    Reading_collector notes;
    if (!read_setup(setup, path, err, notes)) return false;
    for (const Reading_note& note : notes.ordered())
        if (note_told_by_every_command(note)) err << note_line(note) << '\n';
    return true;
}

int normalize(const char* in, const char* out, std::ostream& err) {
    Tsetup setup;
    if (!read_setup(setup, in, err)) return EXIT_FILE;
    std::string reason;
    if (setup.write_file(out, &reason) != 0) {
        err << "vemora-cli: cannot write \"" << shown_text(out) << "\": " << reason << "\n";
        return EXIT_FILE;
    }
    return EXIT_OK;
}

int dump(const char* in, std::ostream& out, std::ostream& err) {
    Tsetup setup;
    if (!read_setup(setup, in, err)) return EXIT_FILE;
    static const char hex[] = "0123456789abcdef";
    int n = 0;
    std::string line;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
        line = std::to_string(++n) + " id=" + std::to_string(s.id) +
               " cursor=" + std::to_string(s.configuration.cursor()) + " image=";
        for (int i = 0; i < IMAGE_USABLE; ++i) {
            const uint8_t b = s.configuration.get_byte(static_cast<uint8_t>(i));
            line += hex[b >> 4];
            line += hex[b & 15];
        }
        line += '\n';
        out << line;
    });
    return EXIT_OK;
}

int check(const char* in, std::ostream& out, std::ostream& err) {
    Tsetup setup;
    Reading_collector notes;
    if (!read_setup(setup, in, err, notes)) return EXIT_FILE;
    for (const Reading_note& note : notes.ordered())
        out << note_line(note) << '\n';
    if (notes.not_kept() > 0) out << not_kept_line(notes.not_kept()) << '\n';
    return notes.size() == 0 ? EXIT_OK : EXIT_FOUND;
}

// Runs the command named by argv[1].
int run_command(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) return usage(err, "no command given (vemora-cli --help lists the commands)");
    const std::string command = argv[1];
    const int arguments = argc - 2;
    if (command == "--help" || command == "-h" || command == "help") {
        out << usage_text;
        return EXIT_OK;
    }
    if (command == "--version") {
        out << "vemora-cli " << VEMORA_VERSION << "\n";
        return EXIT_OK;
    }
    if (command == "normalize") {
        if (arguments != 2) return usage(err, "usage: vemora-cli normalize IN OUT");
        return normalize(argv[2], argv[3], err);
    }
    if (command == "dump") {
        if (arguments != 1) return usage(err, "usage: vemora-cli dump IN");
        return dump(argv[2], out, err);
    }
    if (command == "check") {
        if (arguments != 1) return usage(err, "usage: vemora-cli check IN");
        return check(argv[2], out, err);
    }
    if (command == "form") {
        if (arguments != 2) return usage(err, "usage: vemora-cli form IN N");
        return form_command(argv[2], argv[3], out, err);
    }
    if (command == "edit") {
        if (arguments < 3) return usage(err, "usage: vemora-cli edit IN N OUT [NAME=VALUE ...]");
        return edit_command(argv[2], argv[3], argv[4], arguments - 3, argv + 5, err);
    }
    return usage(err,
                 "unknown command \"" + shown_text(command) + "\" (vemora-cli --help lists the commands)");
}

} // namespace

int run_cli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    const int code = run_command(argc, argv, out, err);
    // Output that did not reach its file (a full disk, a file-size limit) is a failure, not a success
    // with lines missing; what check found is then unknown to the user too.
    if (!out.flush()) {
        err << "vemora-cli: cannot write the output: " << output_failure_reason(out) << "\n";
        return EXIT_FILE;
    }
    return code;
}
